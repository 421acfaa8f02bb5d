// The panels' thread rule: every method of a panel class, its constructor included, runs only on
// the GUI thread (the one running the wx event loop). PanelClass applies it to each binding, so
// a call from another thread raises RuntimeError before it reaches the panel and changes nothing.
// A wrapper freed on another thread is deleted on the GUI thread (PanelHolder).
#pragma once

#include <pybind11/pybind11.h>

#include <functional>
#include <memory>
#include <utility>

namespace py = pybind11;

// Throws std::runtime_error naming `className` unless the calling thread is the GUI thread.
void RequireGuiThread(const char* className);

// Queues `task` to run on the GUI thread from the application's event loop and returns true; false
// (nothing queued) on the GUI thread itself or without an application. Safe on any thread: it
// only posts to wx's thread-safe event queue.
[[nodiscard]] bool QueueOnGuiThread(std::function<void()> task);

// The deleter of a panel wrapper's holder. Python may drop the last reference on any thread (the
// garbage collector runs on whichever thread allocates), but the wrapper's window and its event
// bindings belong to the GUI thread: off it, the whole wrapper is deleted there later. A wrapper
// whose deletion never runs (no event loop any more) is left to the ending process, as its window
// is at interpreter exit.
template <class W>
struct DeleteOnGuiThread {
    void operator()(W* wrapper) const {
        if (wrapper != nullptr && !QueueOnGuiThread([wrapper] { delete wrapper; })) {
            delete wrapper;
        }
    }
};

// The holder of a panel wrapper.
template <class W>
using PanelHolder = std::unique_ptr<W, DeleteOnGuiThread<W>>;

// A call guard (constructed before the bound function runs) that checks the thread.
template <class W>
struct GuiThreadOnly {
    static inline const char* className = "panel";
    GuiThreadOnly() { RequireGuiThread(className); }
};

// py::class_ whose def() adds the GUI-thread guard to every binding.
template <class W, class... Options>
class PanelClass : public py::class_<W, Options...> {
  public:
    using Base = py::class_<W, Options...>;

    template <class... Extra>
    PanelClass(py::handle scope, const char* name, const Extra&... extra)
        : Base(scope, name, extra...) {
        GuiThreadOnly<W>::className = name;
    }

    template <class... Args>
    PanelClass& def(Args&&... args) {
        Base::def(std::forward<Args>(args)..., py::call_guard<GuiThreadOnly<W>>());
        return *this;
    }
};
