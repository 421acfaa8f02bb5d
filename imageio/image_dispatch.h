// Which decoder reads an image file, chosen by its extension, for every reader of the module
// (engine, both panels, file information): .heic and .heif -> HEIF, .jxl -> JPEG XL, anything
// else (also no extension) -> OpenCV's codecs.
#pragma once

#include <opencv2/core.hpp>

#include <string>

enum class ImageDecoder { Heif, JpegXl, OpenCV };

// Text after the last '.' of the path, ASCII letters lower-cased; "" without a dot.
[[nodiscard]] std::string LowerExtension(const std::string& utf8Path);

[[nodiscard]] ImageDecoder DecoderForPath(const std::string& utf8Path);

// Decodes the file at a UTF-8 path with DecoderForPath's decoder into `out` (its buffer reused
// for a same-sized OpenCV image). `flags` reach only OpenCV; HEIF and JPEG XL give their own
// 8-bit layout (deep ones their 16-bit values with `keepCodecDepth`, below). Files the opening
// policy refuses (not a regular file, embedded NUL) and
// undecodable files leave `out` empty and return false at once; OpenCV's size check on a file
// over INT_MAX bytes throws cv::Exception.
// `keepCodecDepth` with flags that keep depth (KeepsDepth): a HEIF or JPEG XL of more than 8
// bits keeps its decoder's values as 16-bit samples (the panels' source images) instead of
// being scaled.
[[nodiscard]] bool DecodeImageFile(const std::string& utf8Path, int flags, cv::Mat& out,
                                   bool keepCodecDepth = false);
// IMREAD_UNCHANGED, or flags with IMREAD_ANYDEPTH.
[[nodiscard]] bool KeepsDepth(int flags);
