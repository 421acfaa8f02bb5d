#include "engine/movra_engine.h"
#include "module/bindings.h"
#include "module/conversions.h"

void BindEngine(py::module_& m) {
    py::class_<MovraEngine>(m, "MovraEngine", "Pure-logic image processing engine (no GUI)")
        .def(py::init<>())
        .def(
            "SetMat",
            [](MovraEngine& self, const py::object& img) {
                // Every non-uint8 array is saturated to 0..255, never wrapped.
                const UInt8Array bytes = UInt8Array::ensure(SaturatedUInt8(ImageArrayFrom(img)));
                WithNumpyView(bytes, [&self](const cv::Mat& view) { self.SetMat(view); });
            },
            py::arg("img"))
        .def("GetMat", [](const MovraEngine& self) { return MatToNumpy(self.GetMat()); })
        .def("HasImage", &MovraEngine::HasImage)
        .def("GetImageSize",
             [](const MovraEngine& self) {
                 const cv::Vec3i size = self.GetImageSize();
                 return py::make_tuple(size[0], size[1], size[2]);
             })
        .def("Clear", &MovraEngine::Clear)
        .def("LoadImage", &MovraEngine::LoadImage, py::arg("path"), py::arg("flags") = 1,
             "Load image from file (supports Unicode paths)")
        .def("SaveImage", &MovraEngine::SaveImage, py::arg("path"),
             "Save image to file (supports Unicode paths)")
        .def("ConvertToGray", &MovraEngine::ConvertToGray)
        .def("Resize", &MovraEngine::Resize, py::arg("width"), py::arg("height"),
             py::arg("interpolation") = 1)
        .def("GaussianBlur", &MovraEngine::GaussianBlur, py::arg("kernel_size"),
             py::arg("sigma") = 0.0)
        .def(
            "Canny",
            [](const MovraEngine& self, double threshold1, double threshold2) {
                return MatToNumpy(self.Canny(threshold1, threshold2));
            },
            py::arg("threshold1"), py::arg("threshold2"));
}
