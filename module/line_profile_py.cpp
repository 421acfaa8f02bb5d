#include "module/line_profile_py.h"

#include <cstring>

#include "module/roi_measure_py.h"
#include "panels/roi_adv_panel.h"
#include "roi/line_profile.h"
#include "roi/roi_measure.h"

py::array_t<double> LineProfileArray(const MovraROIAdvPanel& panel, int width) {
    if (panel.m_matBitmap.empty()) {
        throw py::value_error("there is no image to take a profile of");
    }
    const ROIMeasure::Shape shape =
        ROIMeasure::ShapeOf(panel.m_editor.Shape(static_cast<CvROIMode>(panel.m_roiMode)));
    if (shape.mode != CvROIMode::Line) {
        throw py::value_error("the ROI is not a line");
    }
    const cv::Point2d& from = shape.vertices[0];
    const cv::Point2d& to = shape.vertices[1];
    if (const auto why = LineProfile::Refusal(from, to, width)) {
        throw py::value_error(*why);
    }
    const cv::Mat1d profile = LineProfile::Sample(MeasuredImage(panel), from, to, width);
    py::array_t<double> out({static_cast<py::ssize_t>(profile.rows),
                             static_cast<py::ssize_t>(profile.cols)});
    // Sample gives a fresh, continuous matrix.
    std::memcpy(out.mutable_data(), profile.ptr<double>(),
                profile.total() * sizeof(double));
    return out;
}
