#include "module/roi_measure_py.h"

#include <cstring>

#include "module/conversions.h"
#include "panels/roi_adv_panel.h"
#include "roi/roi_measure.h"

namespace {

ROIShape EditingShape(const MovraROIAdvPanel& panel) {
    return panel.m_editor.Shape(static_cast<CvROIMode>(panel.m_roiMode));
}

bool IsFloat(const cv::Mat& image) {
    return image.depth() == CV_32F || image.depth() == CV_64F;
}

py::list ToList(const std::vector<double>& values) {
    py::list out;
    for (const double v : values) out.append(v);
    return out;
}

// Ints for integer images, floats for float ones.
py::list ToValueList(const std::vector<double>& values, bool floating) {
    py::list out;
    for (const double v : values) {
        out.append(floating ? py::object(py::float_(v))
                            : py::object(py::int_(static_cast<long long>(v))));
    }
    return out;
}

}  // namespace

// The source values: the image's own channels and depth (the panel keeps no other image).
const cv::Mat& MeasuredImage(const MovraROIAdvPanel& panel) { return panel.m_matBitmap; }

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
    return StatsToDict(*stats, IsFloat(MeasuredImage(panel)));
}

py::dict StatsToDict(const ROIMeasure::Stats& stats, bool floatingValues) {
    py::dict out;
    out["area"] = stats.area;
    out["perimeter"] = stats.perimeter;
    out["centroid"] = py::make_tuple(stats.centroid.x, stats.centroid.y);
    out["bbox"] = RectToTuple(stats.bbox);
    out["mean"] = ToList(stats.mean);
    out["std"] = ToList(stats.stddev);
    out["min"] = ToValueList(stats.min, floatingValues);
    out["max"] = ToValueList(stats.max, floatingValues);
    return out;
}

py::object ROIHistogram(const MovraROIAdvPanel& panel, int bins, const py::object& range) {
    return ROIHistogram(panel, EditingShape(panel), bins, range);
}

py::object ROIHistogram(const MovraROIAdvPanel& panel, const ROIShape& roi, int bins,
                        const py::object& range) {
    if (bins < 1) {
        throw py::value_error("bins must be at least 1, not " + std::to_string(bins));
    }
    const cv::Mat& image = MeasuredImage(panel);
    const ROIMeasure::Shape shape = ROIMeasure::ShapeOf(roi);
    if (image.empty() || shape.mode == CvROIMode::None) {
        return py::none();
    }
    const ROIMeasure::MaskBox masked = ROIMeasure::Rasterise(shape, image.size());
    if (masked.box.empty() || cv::countNonZero(masked.mask) == 0) {
        return py::none();
    }
    // The ROI's pixels as NumPy sees them, then numpy.histogram itself: the result is equal
    // to it by construction.
    const py::module_ np = py::module_::import("numpy");
    const py::array box = SourceMatToNumpy(image(masked.box));
    const py::array mask = MatToNumpy(masked.mask);
    py::object values = box[np.attr("not_equal")(mask, 0)];  // (n,) or (n, channels)
    const int channels = image.channels();
    py::object lohi = range;
    if (lohi.is_none()) {
        if (IsFloat(image)) {
            const py::object finite = values[np.attr("isfinite")(values)];
            if (py::len(finite) == 0) {
                lohi = py::make_tuple(0.0, 1.0);
            } else {
                lohi = py::make_tuple(np.attr("min")(finite), np.attr("max")(finite));
            }
        } else {
            // The whole value range of the dtype, each integer in a bin of its own when the
            // bin count is the number of values.
            const py::object info = np.attr("iinfo")(box.dtype());
            lohi = py::make_tuple(info.attr("min"),
                                  py::int_(info.attr("max").cast<long long>() + 1));
        }
    }
    if (channels == 1) {
        return np.attr("histogram")(values, bins, py::arg("range") = lohi);
    }
    py::list counts;
    py::object edges;
    for (int c = 0; c < channels; ++c) {
        const auto all = py::slice(py::none(), py::none(), py::none());
        const py::object column = values[py::make_tuple(all, c)];
        const py::tuple result = np.attr("histogram")(column, bins, py::arg("range") = lohi);
        counts.append(result[0]);
        edges = result[1];
    }
    return py::make_tuple(np.attr("stack")(counts), edges);
}
