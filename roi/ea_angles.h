// EA angle helpers. Degrees, 0 along +x, growing towards +y (clockwise on screen).
#pragma once

#include <opencv2/core/types.hpp>

namespace EA {

// Into [0, 360]; positive multiples of 360 give 360, negative ones 0. Infinite input gives NaN
// (no angle), NaN stays NaN.
[[nodiscard]] double normalizeAngle(double deg);

// Truncated point at `radius` and `deg` from `centre`; coordinates outside the int range
// saturate to it (NaN gives 0).
[[nodiscard]] cv::Point pointOnCircle(cv::Point_<float> centre, double radius, double deg);

// Signed angle at `vertex` from a - vertex to b - vertex, in [-180, 180]; 0 when either
// vector has zero length.
[[nodiscard]] double calculate3pointsAngle(const cv::Point_<float>& a,
                                           const cv::Point_<float>& vertex,
                                           const cv::Point_<float>& b);

}  // namespace EA
