// Entry point of the MovraModule extension: version check, then registration in a fixed order.
#include <pybind11/pybind11.h>

#include "imageio/trace.h"
#include "module/bindings.h"
#include "module/version_check.h"
#include "panels/background_load.h"

namespace {

constexpr const char* kCompiledVersion =
    PYBIND11_TOSTRING(PY_MAJOR_VERSION) "." PYBIND11_TOSTRING(PY_MINOR_VERSION);

constexpr const char* kModuleDoc = R"(
MovraModule - OpenCV + wxWidgets Image Panel for Python

This module provides:
- MovraEngine: Pure-logic image processing (no GUI required)
- MovraPanel: Basic image display panel (requires wxPython)
- MovraROIAdvPanel: Advanced ROI panel with editing (requires wxPython)

Usage with wxPython:
    import wx
    import MovraModule

    app = wx.App()
    frame = wx.Frame(None, title="Test")
    panel = wx.Panel(frame)

    # Create the C++ panel embedded in wxPython panel
    cv_panel = MovraModule.MovraROIAdvPanel(panel, width=640, height=480)
    cv_panel.SetMat(image_array)

    frame.Show()
    app.MainLoop()
)";

py::module_::module_def s_moduleDef;

void RegisterModule(py::module_& m) {
    TraceLinux("PYBIND11_MODULE initialization started");
    m.doc() = kModuleDoc;
    BindEnums(m);
    TraceLinux("Binding MovraEngine...");
    BindEngine(m);
    TraceLinux("Binding MovraPanel...");
    BindPanel(m);
    TraceLinux("Binding MovraROIAdvPanel...");
    BindROIPanel(m);
    BindFileInfo(m);
    BindMeasure(m);
    BindConstants(m);
    m.attr("__version__") = MOVRA_VERSION;
    // Panel loads still decoding when the interpreter exits are dropped and their worker
    // threads joined then, while the libraries a decode uses are all still there.
    py::module_::import("atexit").attr("register")(
        py::cpp_function([] { BackgroundLoad::Shutdown(); }));
    TraceLinux("PYBIND11_MODULE initialization complete");
}

}  // namespace

// Written out rather than through PYBIND11_MODULE so that the version test is a plain,
// unit-tested function of the version strings.
extern "C" PYBIND11_EXPORT PyObject* PyInit_MovraModule() {
    const char* runtime = Py_GetVersion();
    if (!IsCompatiblePythonVersion(runtime, kCompiledVersion)) {
        PyErr_SetString(PyExc_ImportError,
                        PythonVersionMismatchMessage(kCompiledVersion, runtime).c_str());
        return nullptr;
    }
    pybind11::detail::get_internals();
    auto m = py::module_::create_extension_module("MovraModule", nullptr, &s_moduleDef);
    try {
        RegisterModule(m);
        return m.ptr();
    } catch (py::error_already_set& e) {
        py::raise_from(e, PyExc_ImportError, "initialization failed");
        return nullptr;
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_ImportError, e.what());
        return nullptr;
    }
}
