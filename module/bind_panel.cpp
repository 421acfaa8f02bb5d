#include <cstdint>
#include <string>

#include "module/bindings.h"
#include "module/conversions.h"
#include "module/display_py.h"
#include "module/panel_wrapper.h"
#include "module/parent_window.h"

void BindPanel(py::module_& m) {
    py::class_<MovraPanelWrapper> cls(m, "MovraPanel",
                                      "Basic image display panel (requires wxPython parent)");
    cls.def(py::init([](const PanelParent& parent, int id, int x, int y, int width, int height,
                         long style, const std::string& name) {
                 return new MovraPanelWrapper(
                     PlacementFor(parent, id, x, y, width, height, style, name));
             }),
             py::arg("parent_handle"), py::arg("id") = -1, py::arg("x") = -1, py::arg("y") = -1,
             py::arg("width") = -1, py::arg("height") = -1, py::arg("style") = 0,
             py::arg("name") = "MovraPanel")
        .def(
            "SetMat",
            [](MovraPanelWrapper& self, const py::object& img) {
                // The panel copies the pixels once into its own (reused) source buffer.
                WithImageArray(ImageArrayFrom(img), [&self](const cv::Mat& view) { self.SetMat(view); });
            },
            py::arg("img"))
        .def("LoadImage", &MovraPanelWrapper::LoadImage, py::arg("path"), py::arg("flags") = 1,
             "Load image from file (supports Unicode paths)")
        .def("GetMat", [](const MovraPanelWrapper& self) { return MatToNumpy(self.GetMat()); })
        .def("SetMode", &MovraPanelWrapper::SetMode, py::arg("mode"))
        .def("SetZoomToFit", &MovraPanelWrapper::SetZoomToFit)
        .def("SetOriginal", &MovraPanelWrapper::SetOriginal, py::arg("is_scrollbar_visible") = true)
        .def("SetZoomIn", &MovraPanelWrapper::SetZoomIn)
        .def("SetZoomOut", &MovraPanelWrapper::SetZoomOut)
        .def("SetSize", &MovraPanelWrapper::SetSize, py::arg("w"), py::arg("h"))
        .def("SetCanvasBgColor", &MovraPanelWrapper::SetCanvasBgColor, py::arg("r"), py::arg("g"),
             py::arg("b"))
        .def("SetCenterImageEnable", &MovraPanelWrapper::SetCenterImageEnable, py::arg("enable"))
        .def("Refresh", &MovraPanelWrapper::Refresh)
        .def("GetHandle", &MovraPanelWrapper::GetHandle)
        .def("IsOk", &MovraPanelWrapper::IsOk)
        .def("SetGuideLineMode", &MovraPanelWrapper::SetGuideLineMode, py::arg("mode"),
             "Set guide line overlay mode (GuideLineMode enum)")
        .def("GetGuideLineMode", &MovraPanelWrapper::GetGuideLineMode)
        .def("SetGuideLineVisible", &MovraPanelWrapper::SetGuideLineVisible, py::arg("visible"),
             "Show or hide guide lines without changing mode")
        .def("GetGuideLineVisible", &MovraPanelWrapper::GetGuideLineVisible)
        .def("SetGuideLineColor", &MovraPanelWrapper::SetGuideLineColor, py::arg("b"), py::arg("g"),
             py::arg("r"), py::arg("a") = 180, "Set guide line color (BGR + alpha 0-255)")
        .def("SetGuideLineThickness", &MovraPanelWrapper::SetGuideLineThickness,
             py::arg("thickness"), "Set guide line thickness in pixels")
        .def("SetAspectRatio", &MovraPanelWrapper::SetAspectRatio, py::arg("ratio"),
             "Set crop aspect ratio (AspectRatio enum, used by AspectRatioMask mode)")
        .def("GetAspectRatio", &MovraPanelWrapper::GetAspectRatio);
    BindSourceAndDisplay<MovraPanelWrapper>(cls);
}
