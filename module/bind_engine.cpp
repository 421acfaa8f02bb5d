#include <tuple>

#include "engine/movra_engine.h"
#include "module/bindings.h"
#include "module/conversions.h"

// The engine's work runs without the interpreter lock, so other Python threads go on meanwhile;
// the engine serialises calls on one object itself. Arguments are converted before and results
// built after the unlocked part, with the lock held.
void BindEngine(py::module_& m) {
    using Unlocked = py::call_guard<py::gil_scoped_release>;
    py::class_<MovraEngine>(m, "MovraEngine", "Pure-logic image processing engine (no GUI)")
        .def(py::init<>())
        .def(
            "SetMat",
            [](MovraEngine& self, const UInt8Array& img) {
                // The array stays referenced by the call, so its memory outlives the copy.
                WithNumpyView(img, [&self](const cv::Mat& view) {
                    const py::gil_scoped_release release;
                    self.SetMat(view);
                });
            },
            py::arg("img"))
        .def("GetMat",
             [](const MovraEngine& self) {
                 cv::Mat snapshot;
                 {
                     const py::gil_scoped_release release;
                     snapshot = self.GetMat();
                 }
                 return MatToNumpy(snapshot);
             })
        .def("HasImage", &MovraEngine::HasImage, Unlocked())
        .def(
            "GetImageSize",
            [](const MovraEngine& self) {
                const cv::Vec3i size = self.GetImageSize();
                return std::make_tuple(size[0], size[1], size[2]);
            },
            Unlocked())
        .def("Clear", &MovraEngine::Clear, Unlocked())
        .def("LoadImage", &MovraEngine::LoadImage, py::arg("path"), py::arg("flags") = 1,
             Unlocked(), "Load image from file (supports Unicode paths)")
        .def("SaveImage", &MovraEngine::SaveImage, py::arg("path"), Unlocked(),
             "Save image to file (supports Unicode paths)")
        .def("ConvertToGray", &MovraEngine::ConvertToGray, Unlocked())
        .def("Resize", &MovraEngine::Resize, py::arg("width"), py::arg("height"),
             py::arg("interpolation") = 1, Unlocked())
        .def("GaussianBlur", &MovraEngine::GaussianBlur, py::arg("kernel_size"),
             py::arg("sigma") = 0.0, Unlocked())
        .def(
            "Canny",
            [](const MovraEngine& self, double threshold1, double threshold2) {
                cv::Mat edges;
                {
                    const py::gil_scoped_release release;
                    edges = self.Canny(threshold1, threshold2);
                }
                return MatToNumpy(edges);
            },
            py::arg("threshold1"), py::arg("threshold2"));
}
