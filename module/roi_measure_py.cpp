#include "module/roi_measure_py.h"

#include <cstring>

#include "module/conversions.h"
#include "panels/roi_adv_panel.h"
#include "roi/roi_measure.h"

namespace {

ROIShape EditingShape(const MovraROIAdvPanel& panel) {
    return panel.m_editor.Shape(static_cast<CvROIMode>(panel.m_roiMode));
}

py::list ToList(const std::vector<double>& values) {
    py::list out;
    for (const double v : values) out.append(v);
    return out;
}

py::list ToList(const std::vector<int>& values) {
    py::list out;
    for (const int v : values) out.append(v);
    return out;
}

}  // namespace

// The image as loaded (its own channels, 8 bits), unless the panel holds none of the working
// image's size, when the working image itself.
const cv::Mat& MeasuredImage(const MovraROIAdvPanel& panel) {
    const cv::Mat& raw = panel.m_rawMat;
    const bool usable = !raw.empty() && raw.depth() == CV_8U && raw.dims == 2 &&
                        raw.size() == panel.m_matBitmap.size();
    return usable ? raw : panel.m_matBitmap;
}

py::array_t<std::uint8_t> ROIMaskArray(const MovraROIAdvPanel& panel) {
    return ROIMaskArray(panel, EditingShape(panel));
}

py::array_t<std::uint8_t> ROIMaskArray(const MovraROIAdvPanel& panel, const ROIShape& roi) {
    const cv::Size size = panel.m_matBitmap.size();
    const ROIMeasure::Shape shape = ROIMeasure::ShapeOf(roi);
    if (panel.m_matBitmap.empty() || shape.mode == CvROIMode::None) {
        return py::array_t<std::uint8_t>(std::vector<py::ssize_t>{0});
    }
    // Rasterising and filling need no Python object (and the new array is nobody else's yet):
    // other threads run meanwhile.
    ROIMeasure::MaskBox masked;
    {
        const py::gil_scoped_release unlocked;
        masked = ROIMeasure::Rasterise(shape, size);
    }
    // The image-sized array is what the caller asked for; only the box is computed, then
    // copied into the zeroed array once.
    py::array_t<std::uint8_t> out({static_cast<py::ssize_t>(size.height),
                                   static_cast<py::ssize_t>(size.width)});
    std::uint8_t* data = out.mutable_data();
    {
        const py::gil_scoped_release unlocked;
        std::memset(data, 0, static_cast<size_t>(size.width) * static_cast<size_t>(size.height));
        const cv::Rect& box = masked.box;
        for (int y = 0; y < box.height; ++y) {
            std::memcpy(data + static_cast<size_t>(box.y + y) * size.width + box.x,
                        masked.mask.ptr(y), static_cast<size_t>(box.width));
        }
    }
    return out;
}

py::dict ROIStatsDict(const MovraROIAdvPanel& panel) {
    return ROIStatsDict(panel, EditingShape(panel));
}

py::dict ROIStatsDict(const MovraROIAdvPanel& panel, const ROIShape& roi) {
    py::dict out;
    if (panel.m_matBitmap.empty()) {
        return out;
    }
    const ROIMeasure::Shape shape = ROIMeasure::ShapeOf(roi);
    const auto stats = [&] {
        const py::gil_scoped_release unlocked;
        return ROIMeasure::Measure(shape, MeasuredImage(panel));
    }();
    if (!stats) {
        return out;
    }
    return StatsToDict(*stats);
}

py::dict StatsToDict(const ROIMeasure::Stats& stats) {
    py::dict out;
    out["area"] = stats.area;
    out["perimeter"] = stats.perimeter;
    out["centroid"] = py::make_tuple(stats.centroid.x, stats.centroid.y);
    out["bbox"] = RectToTuple(stats.bbox);
    out["mean"] = ToList(stats.mean);
    out["std"] = ToList(stats.stddev);
    out["min"] = ToList(stats.min);
    out["max"] = ToList(stats.max);
    return out;
}
