// HEIF/HEIC primary image to an 8-bit BGR (or BGRA) matrix with libheif. Samples deeper than
// 8 bits are scaled down by their bit depth; alpha of YCbCr and planar RGB files is dropped;
// monochrome files are not supported. Failures print one line on standard error and give an
// empty matrix; nothing is thrown for a bad file. The file is read through the opening policy
// (a refused one fails as "Failed to read HEIC file: " and the policy's reason).
#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace heif_utils {

// The path is UTF-8.
[[nodiscard]] cv::Mat heif_to_cvmat(const std::string& path);
// `keepDepth`: an image of more than 8 bits comes as 16-bit BGR(A) holding the decoder's own
// values (0 .. 2^bits - 1), converted from YCbCr by libheif; others as above.
[[nodiscard]] cv::Mat heif_to_cvmat(const std::string& path, bool keepDepth);
// Converted to UTF-8 first; an unconvertible path throws the standard library's error.
[[nodiscard]] cv::Mat heif_to_cvmat(const std::wstring& path);
// The same decode of a whole HEIF file held in memory; the bytes are not kept.
[[nodiscard]] cv::Mat heif_memory_to_cvmat(const std::uint8_t* data, std::size_t size);

}  // namespace heif_utils
