// Nearest-neighbour scaling of a region of a matrix, equal pixel for pixel to cv::resize with
// INTER_NEAREST and fx = fy = scale, without copying the region first.
#pragma once

#include <opencv2/core.hpp>

// Size cv::resize gives a width x height source for factor `scale` (rounded, ties to even);
// (0, 0) when either side would be empty or not representable.
[[nodiscard]] cv::Size NearestScaledSize(const cv::Size& source, double scale);

// Scales image(region) by `scale`; `region` must lie inside `image`. Empty result when the
// scaled size is empty.
[[nodiscard]] cv::Mat ResizeRegionNearest(const cv::Mat& image, const cv::Rect& region,
                                          double scale);

// The pixels `window` (in scaled coordinates, non-negative) of the whole image scaled by
// `scale`, equal to that part of cv::resize's INTER_NEAREST result; the full scaled image is
// never made. Window pixels past the scaled image repeat its last row or column.
[[nodiscard]] cv::Mat ResizeWindowNearest(const cv::Mat& image, double scale,
                                          const cv::Rect& window);
