// Line profiles: an image's values sampled along a line at unit spacing, with bilinear
// interpolation where pixel (i, j)'s value sits at the point (i, j), as in OpenCV's remap.
#pragma once

#include <opencv2/core.hpp>

#include <optional>
#include <string>

namespace LineProfile {

// Most samples (points times width) one profile may take: far more than any image's diagonal
// times a useful width, and a bound on the memory a hostile line can ask for.
inline constexpr double kMaxSamples = double(1 << 27);

// Why a profile of `width` along from-to cannot be taken; nothing when it can.
[[nodiscard]] std::optional<std::string> Refusal(const cv::Point2d& from, const cv::Point2d& to,
                                                 int width);

// n = floor(|to - from|) + 1 rows (from and to both included when the length is whole) of
// image.channels() values each. Row k is the mean of `width` samples at from + k u + o v,
// u the unit direction, v the unit normal, o = -(width - 1) / 2 ... (width - 1) / 2 in steps
// of 1. A sample point inside (-1, cols) x (-1, rows) is bilinear between its four pixels
// with the border pixels repeated beyond the edge (cv::remap with BORDER_REPLICATE, without
// its 1/32-pixel rounding); one farther out is NaN, and so is any mean it enters.
// Requires !Refusal(from, to, width) and a non-empty 2-D image of any depth.
[[nodiscard]] cv::Mat1d Sample(const cv::Mat& image, const cv::Point2d& from,
                               const cv::Point2d& to, int width);

}  // namespace LineProfile
