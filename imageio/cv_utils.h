// Small general helpers: OpenCV type names, buffer reuse, scaling, random strings, decimal
// rounding.
#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <string>

// OpenCV type name without the CV_ prefix, e.g. 16 -> "8UC3".
[[nodiscard]] std::string type2str(int type);

// Copies `src` into `dst`, reusing dst's buffer when the size and type stay (for a large image
// fresh pages cost far more than the copy) unless another header still shares that buffer.
void CopyIntoOwnBuffer(const cv::Mat& src, cv::Mat& dst);

// Drops a matrix's buffer when another header shares it, so writing into it in place cannot
// change an image someone else holds.
void ReleaseIfShared(cv::Mat& mat);

// cv::resize by `scale` (> 0) on both axes, except that a side OpenCV would round to 0 pixels
// becomes 1: a long strip fitted into a window is shown as a line instead of failing.
void ResizeByScale(const cv::Mat& src, cv::Mat& dst, double scale, int interpolation);

// Random letters and digits. minLength 0 or SIZE_MAX: exactly `length` characters; otherwise a
// length drawn uniformly from minLength..length (exactly `length` when minLength > length).
[[nodiscard]] std::string GenerateRandomString(std::size_t length, std::size_t minLength);

// Rounds to `places` decimals (to an integer when places < 1), halves away from zero, computed
// on the double product value * 10^places.
[[nodiscard]] double roundToDecimalPlaces(double value, int places);

// Kept for callers that install a process-wide exception handler elsewhere: does nothing here.
void ProtectExceptionHandler();
