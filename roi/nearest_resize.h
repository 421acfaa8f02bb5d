// Nearest-neighbour scaling of a region of a matrix, equal pixel for pixel to cv::resize with
// INTER_NEAREST and fx = fy = scale, without copying the region first.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>

// A one-channel 8- or 16-bit integer image shown in colour while it is sampled: sample value v
// becomes the first three bytes (B, G, R) of table[v + bias], so a scaled picture is made in
// one pass over the sampled pixels, never from a copy of the region at the source's depth.
// A null table: an 8-bit sample shown as grey, its value in all three bytes.
struct SampleColours {
    const std::uint32_t* table = nullptr;
    int bias = 0;
};

// Size cv::resize gives a width x height source for factor `scale` (rounded, ties to even);
// (0, 0) when either side would be empty or not representable.
[[nodiscard]] cv::Size NearestScaledSize(const cv::Size& source, double scale);

// Scales image(region) by `scale`; `region` must lie inside `image`. Empty result when the
// scaled size is empty. With `colours` (a one-channel 8- or 16-bit image only) the result is
// the CV_8UC3 picture of the samples.
[[nodiscard]] cv::Mat ResizeRegionNearest(const cv::Mat& image, const cv::Rect& region,
                                          double scale, const SampleColours* colours = nullptr);

// The pixels `window` (in scaled coordinates, non-negative) of the whole image scaled by
// `scale`, equal to that part of cv::resize's INTER_NEAREST result; the full scaled image is
// never made. Window pixels past the scaled image repeat its last row or column.
[[nodiscard]] cv::Mat ResizeWindowNearest(const cv::Mat& image, double scale,
                                          const cv::Rect& window,
                                          const SampleColours* colours = nullptr);
