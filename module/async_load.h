// The Python side of a panel's LoadImageAsync, shared by both panel wrappers: the pending load's
// path and callback, and the reports callback(path, ok). A wrapper starts loads through Start,
// calls Supersede before any other change of the panel's image and Finish at the end of its
// adopt step, and Forget when it goes. GUI thread only.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include "panels/background_load.h"

namespace py = pybind11;

class AsyncLoadReport {
  public:
    AsyncLoadReport() = default;
    AsyncLoadReport(const AsyncLoadReport&) = delete;
    AsyncLoadReport& operator=(const AsyncLoadReport&) = delete;
    ~AsyncLoadReport() { Forget(nullptr); }

    // Supersedes the pending load, then starts `decode` on `load` for `path`; `callback` may be
    // None (TypeError, with nothing changed, for anything else that is not callable). Without a
    // panel (`load` null) reports (path, False) at once. Called with the lock.
    void Start(BackgroundLoad* load, const std::string& path, const py::object& callback,
               BackgroundLoad::Decode decode);
    // Drops the pending load, if any, and reports (path, False). Called with the lock.
    void Supersede(BackgroundLoad* load);
    // Reports the adopted load's outcome; called from the adopt step, without the lock. The
    // callback may destroy the wrapper: nothing of it is used afterwards.
    void Finish(bool ok);
    // Drops the pending load without a report (the panel or its wrapper goes).
    void Forget(BackgroundLoad* load);
    [[nodiscard]] bool IsLoading(const BackgroundLoad* load) const;
    // Whether a callback of this wrapper is running now: its panel must then be destroyed only
    // once the event loop is idle.
    [[nodiscard]] bool InCallback() const { return *m_activeCalls > 0; }
    // For Python's garbage collector: visits the pending callback.
    [[nodiscard]] int Traverse(visitproc visit, void* arg) const;

  private:
    std::string m_path;
    py::object m_callback;
    std::shared_ptr<int> m_activeCalls = std::make_shared<int>(0);
};
