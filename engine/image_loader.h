// Reads an image file at a UTF-8 path, choosing the decoder by its lower-cased extension:
// .jxl -> JPEG XL, .heic/.heif -> HEIF, anything else -> OpenCV with `flags`.
#pragma once

#include <opencv2/core.hpp>

#include <string>

// Empty when the file is missing or cannot be decoded.
[[nodiscard]] cv::Mat LoadImageByExtension(const std::string& utf8Path, int flags);

// The same load into `out`, reusing its buffer for a same-sized OpenCV-decoded image unless
// another header shares it; `out` is empty when nothing was loaded. True when an image was.
[[nodiscard]] bool LoadImageByExtension(const std::string& utf8Path, int flags, cv::Mat& out);
