#include "module/async_load.h"

#include <exception>
#include <utility>

#include "module/conversions.h"

namespace {

// As the ROI callbacks: not once the interpreter is gone, nor while it shuts down unless this
// thread already holds the lock.
bool CanTakeLock() {
    return Py_IsInitialized() != 0 && (Py_IsFinalizing() == 0 || PyGILState_Check() != 0);
}

// callback(path, ok) under the lock; the references go under it too. Errors are reported
// through sys.unraisablehook, never raised into the event loop or the superseding call.
void Report(std::string path, py::object callback, bool ok) {
    if (!callback) {
        return;
    }
    if (!CanTakeLock()) {
        (void)callback.release();  // no interpreter left to give it back to
        return;
    }
    const PyGILState_STATE lock = PyGILState_Ensure();
    {
        const py::object held = std::move(callback);
        if (!held.is_none()) {
            try {
                held(path, ok);
            } catch (py::error_already_set& e) {
                e.discard_as_unraisable(held);
            } catch (const std::exception& e) {
                PyErr_SetString(PyExc_RuntimeError, e.what());
                PyErr_WriteUnraisable(held.ptr());
            }
        }
    }
    PyGILState_Release(lock);
}

}  // namespace

void AsyncLoadReport::Start(BackgroundLoad* load, const std::string& path,
                            const py::object& callback, BackgroundLoad::Decode decode) {
    // Refused here rather than found out on the GUI thread later, where it could only be
    // reported as unraisable.
    if (!callback.is_none() && PyCallable_Check(callback.ptr()) == 0) {
        throw py::type_error("callback must be callable or None, not " + TypeName(callback));
    }
    Supersede(load);
    if (load == nullptr) {
        Report(path, callback, false);
        return;
    }
    m_path = path;
    m_callback = callback;
    load->Start(std::move(decode));
}

void AsyncLoadReport::Supersede(BackgroundLoad* load) {
    if (load != nullptr) {
        (void)load->Cancel();
    }
    if (!m_callback) {
        return;
    }
    // Taken out first: the report runs Python code that may start the next load.
    std::string path = std::move(m_path);
    py::object callback = std::move(m_callback);
    const std::shared_ptr<int> active = m_activeCalls;
    *active += 1;
    Report(std::move(path), std::move(callback), false);
    *active -= 1;
}

void AsyncLoadReport::Finish(bool ok) {
    // Moving the reference out needs no lock: its count does not change.
    std::string path = std::move(m_path);
    py::object callback = std::move(m_callback);
    const std::shared_ptr<int> active = m_activeCalls;
    *active += 1;
    Report(std::move(path), std::move(callback), ok);
    *active -= 1;
}

void AsyncLoadReport::Forget(BackgroundLoad* load) {
    if (load != nullptr) {
        (void)load->Cancel();
    }
    m_path.clear();
    if (!m_callback) {
        return;
    }
    if (!CanTakeLock()) {
        (void)m_callback.release();
        return;
    }
    const PyGILState_STATE lock = PyGILState_Ensure();
    { const py::object old = std::move(m_callback); }
    PyGILState_Release(lock);
}

bool AsyncLoadReport::IsLoading(const BackgroundLoad* load) const {
    return load != nullptr && load->IsPending();
}

int AsyncLoadReport::Traverse(visitproc visit, void* arg) const {
    Py_VISIT(m_callback.ptr());
    return 0;
}
