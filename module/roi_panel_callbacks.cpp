#include "module/roi_panel_callbacks.h"

#include <wx/weakref.h>

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "module/conversions.h"
#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"

namespace {

// A callable that is unset or None means no Python at all, not even the lock. Reading the
// pointer needs no lock: it is only written on this thread, by code that holds it.
bool IsSet(const py::object& callable) { return callable && !callable.is_none(); }

// Whether this thread may take the interpreter lock: not once the interpreter is gone, and not
// while it shuts down unless this thread is the one already holding it.
bool CanTakeLock() {
    return Py_IsInitialized() != 0 && (Py_IsFinalizing() == 0 || PyGILState_Check() != 0);
}

// Runs body(callable) for the callable in `slot` under the interpreter lock and returns its
// result; `fallback` when nothing is set, and after an error, which is reported through
// sys.unraisablehook with the callable named as its context.
template <class R, class Body>
R CallPython(const std::shared_ptr<RoiCallbacks>& callbacks, py::object RoiCallbacks::*slot,
             R fallback, Body&& body) {
    if (!IsSet((*callbacks).*slot) || !CanTakeLock()) {
        return fallback;
    }
    const PyGILState_STATE lock = PyGILState_Ensure();
    R result = fallback;
    {
        // Our own reference for the call: the callable may replace or clear itself, or destroy
        // the wrapper that holds it.
        py::object callable = (*callbacks).*slot;
        callbacks->activeCalls += 1;
        try {
            result = body(callable);
        } catch (py::error_already_set& e) {
            e.discard_as_unraisable(callable);
        } catch (const std::exception& e) {
            PyErr_SetString(PyExc_RuntimeError, e.what());
            PyErr_WriteUnraisable(callable.ptr());
        }
        callbacks->activeCalls -= 1;
    }
    PyGILState_Release(lock);
    return result;
}

// Every callable slot, in the order ReleaseAll drops them.
constexpr py::object RoiCallbacks::*kSlots[] = {
    &RoiCallbacks::onROISetChanged, &RoiCallbacks::onROIChanging, &RoiCallbacks::onMouseMove,
    &RoiCallbacks::onRightDClick,   &RoiCallbacks::onLeftDClick,  &RoiCallbacks::onRightClick,
    &RoiCallbacks::onCrop};

void CallWithRect(const std::shared_ptr<RoiCallbacks>& callbacks, py::object RoiCallbacks::*slot,
                  const cv::Rect& rect) {
    (void)CallPython(callbacks, slot, false, [&rect](py::object& callable) {
        callable(RectToTuple(rect));
        return true;
    });
}

}  // namespace

void RoiCallbacks::ReleaseAll() {
    if (std::none_of(std::begin(kSlots), std::end(kSlots),
                     [this](py::object RoiCallbacks::*slot) { return bool(this->*slot); })) {
        return;
    }
    if (!CanTakeLock()) {
        for (py::object RoiCallbacks::*slot : kSlots) {
            (void)(this->*slot).release();
        }
        return;
    }
    const PyGILState_STATE lock = PyGILState_Ensure();
    for (py::object RoiCallbacks::*slot : kSlots) {
        // Emptied before the reference goes: dropping it can run Python code (a __del__) that
        // reaches this wrapper again.
        const py::object old = std::move(this->*slot);
    }
    PyGILState_Release(lock);
}

int RoiCallbacks::Traverse(visitproc visit, void* arg) const {
    for (py::object RoiCallbacks::*slot : kSlots) {
        Py_VISIT((this->*slot).ptr());
    }
    return 0;
}

void BindCropForwarder(MovraROIAdvPanel& panel, std::shared_ptr<RoiCallbacks> callbacks) {
    MovraROIAdvPanel* self = &panel;
    panel.Bind(MOVRAPanel_EVT_CROP_CHANGE, [self, callbacks](CropEvent& event) {
        // This functor belongs to the panel, and the callback may destroy the panel (with its
        // host window): from here on only locals are used.
        const std::shared_ptr<RoiCallbacks> held = callbacks;
        const wxWeakRef<wxWindow> alive(self);
        CallWithRect(held, &RoiCallbacks::onCrop, event.m_cropRect);
        // Skipped, wx would go on searching the handlers of a panel that no longer exists;
        // handled, it stops at once.
        if (alive) {
            event.Skip();
        }
    });
}

std::function<bool(const cv::Point2f&, int)> RightClickForwarder(
    std::shared_ptr<RoiCallbacks> callbacks) {
    return [callbacks](const cv::Point2f& p, int code) {
        const std::shared_ptr<RoiCallbacks> held = callbacks;
        return CallPython(held, &RoiCallbacks::onRightClick, false, [&](py::object& callable) {
            const py::object result = callable(PointToTuple(p), code);
            const int truth = PyObject_IsTrue(result.ptr());
            if (truth < 0) {
                throw py::error_already_set();
            }
            return truth == 1;
        });
    };
}

std::function<void(const cv::Point2f&)> PointForwarder(std::shared_ptr<RoiCallbacks> callbacks,
                                                       py::object RoiCallbacks::*slot) {
    return [callbacks, slot](const cv::Point2f& p) {
        const std::shared_ptr<RoiCallbacks> held = callbacks;
        (void)CallPython(held, slot, false, [&p](py::object& callable) {
            callable(PointToTuple(p));
            return true;
        });
    };
}

std::function<void(const cv::Rect&)> RectForwarder(std::shared_ptr<RoiCallbacks> callbacks) {
    return [callbacks](const cv::Rect& rect) {
        const std::shared_ptr<RoiCallbacks> held = callbacks;
        CallWithRect(held, &RoiCallbacks::onROIChanging, rect);
    };
}

std::function<void(const char*, int)> SetChangeForwarder(std::shared_ptr<RoiCallbacks> callbacks) {
    return [callbacks](const char* action, int id) {
        const std::shared_ptr<RoiCallbacks> held = callbacks;
        (void)CallPython(held, &RoiCallbacks::onROISetChanged, false,
                         [&](py::object& callable) {
                             callable(py::str(action),
                                      id < 0 ? py::object(py::none()) : py::object(py::int_(id)));
                             return true;
                         });
    };
}
