// Turning a decoded image upright by its EXIF orientation, and the orientation a JPEG file asks
// for. OpenCV's JPEG reader gives pixels as stored (with IMREAD_UNCHANGED or
// IMREAD_IGNORE_ORIENTATION); its TIFF reader turns them upright itself, whatever the flags.
#pragma once

#include <opencv2/core.hpp>

#include <string>

// Applies orientation 2-8 (mirror, rotation or both) in place; 1 and values outside 1-8 leave
// the image as it is.
void ApplyExifOrientation(cv::Mat& image, int orientation);

// Orientations 5-8 turn the image a quarter: its width and height swap.
[[nodiscard]] bool OrientationSwapsSides(int orientation);

// The orientation in a JPEG's EXIF, the JPEG recognised by its first bytes whatever its name;
// 1 for other files (TIFF comes upright from its reader), without the tag, or when it cannot
// be read.
[[nodiscard]] int FileOrientation(const std::string& utf8Path);
