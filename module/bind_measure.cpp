// MeasureROIs: the ROI panel's measurement of an image array, without a window, for batch
// work on other threads (the measuring runs without the interpreter lock).
#include <optional>
#include <string>
#include <vector>

#include "module/bindings.h"
#include "engine/movra_engine.h"
#include "module/conversions.h"
#include "module/roi_data_dict.h"
#include "module/roi_measure_py.h"
#include "roi/roi_measure.h"
#include "roi/roi_shape.h"

namespace {

constexpr const char* kMeasureROIsDoc = R"(
Measure an image inside ROIs as MovraROIAdvPanel.GetROIStats() measures its own.

image: a uint8 array (rows, cols) or (rows, cols, channels), as GetRawMat() gives,
    or a MovraEngine, whose image is measured where it is (no copy; deeper samples
    saturated to 8 bits, as the panel shows them).
rois: a list of ROI dicts in the form of GetEditingROIData() (other keys, such as
    "id" and "name", are ignored).
Returns one dict per ROI, in order, with GetROIStats()'s keys; an empty dict for a
ROI with no pixel on the image. A bad ROI dict raises ValueError naming it
("rois[2]: points: ..."), before anything is measured.
)";

std::vector<ROIMeasure::Shape> ParseShapes(const py::sequence& rois) {
    std::vector<ROIMeasure::Shape> shapes;
    for (size_t i = 0; i < rois.size(); ++i) {
        try {
            // Resolved from the shape value as the panel resolves its editing ROI.
            shapes.push_back(ROIMeasure::ShapeOf(ParseEditingDataDict(rois[i])));
        } catch (const py::value_error& e) {
            throw py::value_error("rois[" + std::to_string(i) + "]: " + e.what());
        } catch (const py::type_error& e) {
            throw py::type_error("rois[" + std::to_string(i) + "]: " + e.what());
        }
    }
    return shapes;
}

// Measures without the interpreter lock: the caller holds the image, so its pixels stay put.
std::vector<std::optional<ROIMeasure::Stats>> MeasureUnlocked(
    const std::vector<ROIMeasure::Shape>& shapes, const cv::Mat& image) {
    py::gil_scoped_release unlocked;
    std::vector<std::optional<ROIMeasure::Stats>> results(shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i) {
        results[i] = ROIMeasure::Measure(shapes[i], image);
    }
    return results;
}

py::list ToDicts(const std::vector<std::optional<ROIMeasure::Stats>>& results) {
    py::list out;
    for (const auto& stats : results) {
        out.append(stats ? StatsToDict(*stats) : py::dict());
    }
    return out;
}

py::list MeasureArray(const py::array& image, const py::sequence& rois) {
    if (!image.dtype().is(py::dtype::of<std::uint8_t>())) {
        throw py::type_error("image: a uint8 array is needed, not " +
                             py::str(image.dtype()).cast<std::string>());
    }
    const std::vector<ROIMeasure::Shape> shapes = ParseShapes(rois);
    std::vector<std::optional<ROIMeasure::Stats>> results;
    WithNumpyView(image.cast<UInt8Array>(),
                  [&](const cv::Mat& view) { results = MeasureUnlocked(shapes, view); });
    return ToDicts(results);
}

py::list MeasureEngine(const MovraEngine& engine, const py::sequence& rois) {
    const std::vector<ROIMeasure::Shape> shapes = ParseShapes(rois);
    cv::Mat image = engine.GetMat();
    if (!image.empty() && image.depth() != CV_8U) {
        image.convertTo(image, CV_MAKETYPE(CV_8U, image.channels()));
    }
    return ToDicts(MeasureUnlocked(shapes, image));
}

}  // namespace

void BindMeasure(py::module_& m) {
    m.def("MeasureROIs", &MeasureEngine, py::arg("image"), py::arg("rois"), kMeasureROIsDoc);
    m.def("MeasureROIs", &MeasureArray, py::arg("image"), py::arg("rois"));
}
