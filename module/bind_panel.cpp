#include <cstdint>
#include <string>

#include "module/bindings.h"
#include "module/conversions.h"
#include "module/display_py.h"
#include "module/gui_thread.h"
#include "module/panel_wrapper.h"
#include "module/parent_window.h"

namespace {

constexpr const char* kLoadImageAsyncDoc = R"(
Load an image file without blocking: returns at once, decodes the file on a
worker thread while the panel keeps showing (and editing) its current image,
then, on the GUI thread, shows it exactly as LoadImage(path, flags) would and
calls callback(path, ok). A file that cannot be shown leaves the panel as it
was (ok False). A later LoadImage, LoadImageAsync or SetMat supersedes a
pending load: its callback gets False. Destroying the panel while a load is
pending drops it without a call. Errors raised in the callback go to
sys.unraisablehook.
)";

}  // namespace

void BindPanel(py::module_& m) {
    PanelClass<MovraPanelWrapper, PanelHolder<MovraPanelWrapper>> cls(
        m, "MovraPanel", "Basic image display panel (requires wxPython parent)");
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
                WithImageArray(ImageArrayFrom(img),
                               [&self](const cv::Mat& view) { self.SetMat(view); });
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
        .def("GetAspectRatio", &MovraPanelWrapper::GetAspectRatio)
        // Loading off the GUI thread.
        .def("LoadImageAsync", &MovraPanelWrapper::LoadImageAsync, py::arg("path"),
             py::arg("callback") = py::none(), py::arg("flags") = 1, kLoadImageAsyncDoc)
        .def("IsLoading", &MovraPanelWrapper::IsLoading,
             "Whether a LoadImageAsync is pending (decoding, or waiting to be shown)")
        .def("SetAutoOrient", &MovraPanelWrapper::SetAutoOrient, py::arg("enable"),
             "Turn JPEG and TIFF images upright by their EXIF orientation in LoadImage (off by "
             "default: files load as stored)");
    BindSourceAndDisplay<MovraPanelWrapper>(cls);
}
