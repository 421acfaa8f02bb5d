// Helpers shared by the layer drawings: the image-to-buffer mapping and safe pixel conversion.
// Internal to the roi_layers*.cpp files.
#pragma once

#include <opencv2/core.hpp>

#include <cmath>

#include "roi/viewport.h"

namespace roi_layers::detail {

// The zoom when the viewport can map anything (a finite positive scale), else 0.
inline double Zoom(const Viewport& vp) {
    return std::isfinite(vp.scale) && vp.scale > 0.0 ? vp.scale : 0.0;
}

// Whether layers can be drawn at all: a buffer, an image and a usable zoom.
inline bool CanDraw(const cv::Mat& buffer, const Viewport& vp) {
    return !buffer.empty() && buffer.channels() <= 4 && vp.originalSize.width >= 1 &&
           vp.originalSize.height >= 1 && Zoom(vp) > 0.0;
}

// B(p): an image point in the buffer. The viewport adds the centering margin, but the buffer
// starts at the first visible image pixel, so the margin comes off again.
inline cv::Point2f ToBuffer(const Viewport& vp, const cv::Point2f& p) {
    return vp.OriginalToView(p) - vp.GetCenteringOffset();
}

// Whole pixels kept in double, so that NaN and far-off values reach the safe drawing calls
// (roi/draw_safety.h) intact instead of overflowing an int.
inline cv::Point2d Trunc(const cv::Point2f& p) { return {std::trunc(p.x), std::trunc(p.y)}; }
inline cv::Point2d Round(const cv::Point2f& p) {
    return {std::nearbyint(static_cast<double>(p.x)), std::nearbyint(static_cast<double>(p.y))};
}

inline bool Inside(const cv::Mat& buffer, const cv::Point2f& p) {
    return p.x >= 0.f && p.x < static_cast<float>(buffer.cols) && p.y >= 0.f &&
           p.y < static_cast<float>(buffer.rows);
}

}  // namespace roi_layers::detail
