// The engine's file loader: the module's one decoder choice (see imageio/image_dispatch.h) under
// the name the engine and the display panel's wrapper know it by.
#pragma once

#include <opencv2/core.hpp>

#include <string>

// Empty when the file is missing, refused or cannot be decoded.
// `keepCodecDepth`: see DecodeImageFile (the display panel's sources keep a deep HEIF's or
// JPEG XL's values).
[[nodiscard]] cv::Mat LoadImageByExtension(const std::string& utf8Path, int flags,
                                           bool keepCodecDepth = false);

// The same load into `out`, reusing its buffer for a same-sized OpenCV-decoded image unless
// another header shares it; `out` is empty when nothing was loaded, also when a reader throws.
// True when an image was loaded.
[[nodiscard]] bool LoadImageByExtension(const std::string& utf8Path, int flags, cv::Mat& out);
