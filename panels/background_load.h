// BackgroundLoad: one panel's file loads off the GUI thread. Start runs a decode on a worker
// thread (a small pool shared by all panels) and queues the step it returns to the owner's
// event handler, where it runs on the GUI thread; a newer Start, Cancel or the owner's end drop
// a pending load (its decode may still finish, its step never runs). Start, Cancel, IsPending
// and destruction belong to the GUI thread; nothing reaches the owner once this is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class wxEvtHandler;

class BackgroundLoad {
  public:
    // The GUI-thread step of a finished decode. It may be destroyed without running, on any
    // thread: it must own nothing that needs the GUI thread or Python's interpreter lock.
    using Adopt = std::function<void()>;
    // Runs on a worker thread, so it touches no window; must not throw.
    using Decode = std::function<Adopt()>;

    explicit BackgroundLoad(wxEvtHandler& owner);
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // Supersedes any pending load.
    void Start(Decode decode);
    // Drops the pending load; true when there was one.
    bool Cancel();
    // From Start until its step has begun, or until the load is dropped.
    [[nodiscard]] bool IsPending() const;

    // Drops every queued decode and joins the worker threads (a decode under way is finished
    // first, its step dropped); later Starts decode on the calling thread. For process exit.
    static void Shutdown();

  private:
    struct State;
    std::shared_ptr<State> m_state;
};
