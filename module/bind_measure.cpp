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
#include "roi/display_map.h"
#include "roi/roi_measure.h"
#include "roi/roi_shape.h"

namespace {

constexpr const char* kMeasureROIsDoc = R"(
Measure an image inside ROIs as MovraROIAdvPanel.GetROIStats() measures its own.

image: an array (rows, cols) or (rows, cols, channels) of 1, 3 or 4 channels, taken
    as the panel's SetMat() keeps it (uint8, uint16, int16 and float32 as they are,
    float64 as float32, other dtypes saturated to uint8), so min and max are floats for
    a float image, ints otherwise; or a MovraEngine, whose image is measured where it is
    (no copy; deeper samples saturated to 8 bits, as the panel shows them).
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

py::list ToDicts(const std::vector<std::optional<ROIMeasure::Stats>>& results,
                 bool floatingValues) {
    py::list out;
    for (const auto& stats : results) {
        out.append(stats ? StatsToDict(*stats, floatingValues) : py::dict());
    }
    return out;
}

py::list MeasureArray(const py::array& image, const py::sequence& rois) {
    const std::vector<ROIMeasure::Shape> shapes = ParseShapes(rois);
    std::vector<std::optional<ROIMeasure::Stats>> results;
    bool floating = false;
    WithImageArray(image, [&](const cv::Mat& view) {
        // The values the panel would store: a float64 array measured as float64 would differ
        // from GetROIStats of the same array in the last digits of its means.
        cv::Mat stored = view;
        if (!view.empty() && !IsKeptDepth(view.depth())) {
            StoreSource(view, stored);
        }
        floating = stored.depth() == CV_32F;
        results = MeasureUnlocked(shapes, stored);
    });
    return ToDicts(results, floating);
}

py::list MeasureEngine(const MovraEngine& engine, const py::sequence& rois) {
    const std::vector<ROIMeasure::Shape> shapes = ParseShapes(rois);
    cv::Mat image = engine.GetMat();
    if (!image.empty() && image.depth() != CV_8U) {
        image.convertTo(image, CV_MAKETYPE(CV_8U, image.channels()));
    }
    return ToDicts(MeasureUnlocked(shapes, image), false);
}

}  // namespace

void BindMeasure(py::module_& m) {
    m.def("MeasureROIs", &MeasureEngine, py::arg("image"), py::arg("rois"), kMeasureROIsDoc);
    m.def("MeasureROIs", &MeasureArray, py::arg("image"), py::arg("rois"));
}
