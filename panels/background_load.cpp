#include "panels/background_load.h"

#include <wx/event.h>

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

struct BackgroundLoad::State {
    std::mutex mutex;
    // Null once the owner is gone: workers queue nothing after that.
    wxEvtHandler* owner = nullptr;
    // The wanted load's number; 0 when none is pending.
    std::uint64_t current = 0;
    std::uint64_t lastStarted = 0;
};

namespace {

// Two workers: two panels load side by side, and a decode never waits behind many others. The
// pool is created with the first load and lives until Shutdown; its tasks need no GUI.
class WorkerPool {
  public:
    static WorkerPool& Instance() {
        // Never destroyed: Shutdown joins the threads, and a static destructor could run while
        // another library's statics that a decode uses are already gone.
        static WorkerPool* pool = new WorkerPool;
        return *pool;
    }

    // False after Shutdown: the caller runs the task itself.
    bool Post(std::function<void()> task) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopped) {
                return false;
            }
            if (m_threads.empty()) {
                for (int i = 0; i < kThreads; ++i) {
                    m_threads.emplace_back([this] {
                        // Named, so a look at the process shows whose threads these are.
                        pthread_setname_np(pthread_self(), "movra-load");
                        Run();
                    });
                }
            }
            m_tasks.push_back(std::move(task));
        }
        m_wake.notify_one();
        return true;
    }

    void Shutdown() {
        std::vector<std::thread> threads;
        std::deque<std::function<void()>> dropped;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stopped = true;
            threads.swap(m_threads);
            dropped.swap(m_tasks);
        }
        m_wake.notify_all();
        for (std::thread& t : threads) {
            t.join();
        }
        // `dropped` goes here, outside the lock: a task's captures may be large.
    }

  private:
    static constexpr int kThreads = 2;

    void Run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopped || !m_tasks.empty(); });
                if (m_stopped) {
                    return;
                }
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    std::vector<std::thread> m_threads;
    bool m_stopped = false;
};


}  // namespace

BackgroundLoad::BackgroundLoad(wxEvtHandler& owner) : m_state(std::make_shared<State>()) {
    m_state->owner = &owner;
}

BackgroundLoad::~BackgroundLoad() {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->owner = nullptr;
    m_state->current = 0;
}

void BackgroundLoad::Start(Decode decode) {
    std::uint64_t number = 0;
    {
        const std::lock_guard<std::mutex> lock(m_state->mutex);
        number = ++m_state->lastStarted;
        m_state->current = number;
    }
    auto task = [state = m_state, number, decode = std::move(decode)]() {
        {
            // A load superseded while it waited in the queue is never decoded.
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (state->current != number || state->owner == nullptr) {
                return;
            }
        }
        Adopt adopt = decode();
        const std::lock_guard<std::mutex> lock(state->mutex);
        if (state->current != number || state->owner == nullptr) {
            return;  // `adopt` is dropped on this thread, which its contract allows
        }
        // Queued under the lock, so the owner cannot be destroyed in between; the queue is
        // wx's thread-safe one, and the owner's pending calls die with it.
        state->owner->CallAfter([state, number, adopt = std::move(adopt)]() {
            {
                const std::lock_guard<std::mutex> lock(state->mutex);
                if (state->current != number) {
                    return;
                }
                state->current = 0;
            }
            if (adopt) {
                adopt();
            }
        });
    };
    if (!WorkerPool::Instance().Post(task)) {
        task();
    }
}

bool BackgroundLoad::Cancel() {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    const bool pending = m_state->current != 0;
    m_state->current = 0;
    return pending;
}

bool BackgroundLoad::IsPending() const {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->current != 0;
}

void BackgroundLoad::Shutdown() { WorkerPool::Instance().Shutdown(); }
