// The panels' thread rule: every method of a panel class, its constructor included, runs only on
// the GUI thread (the one running the wx event loop). PanelClass applies it to each binding, so
// a call from another thread raises RuntimeError before it reaches the panel and changes nothing.
#pragma once

#include <pybind11/pybind11.h>

#include <utility>

namespace py = pybind11;

// Throws std::runtime_error naming `className` unless the calling thread is the GUI thread.
void RequireGuiThread(const char* className);

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
