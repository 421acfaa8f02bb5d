// Small numeric helpers shared by the ROI editor's sources (not part of its interface).
#pragma once

#include <opencv2/core/types.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

namespace roi_editor_util {

inline bool IsFinite(const cv::Point2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Truncation toward zero, saturated to the int range; NaN gives 0.
inline int TruncToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

inline cv::Point TruncPoint(const cv::Point2f& p) { return {TruncToInt(p.x), TruncToInt(p.y)}; }

}  // namespace roi_editor_util
