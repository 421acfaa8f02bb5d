// JPEG XL to an 8-bit BGR or grey matrix with libjxl and its thread-pool runner (alpha is
// dropped, the stored orientation applied). Failures print one line on standard error and give
// an empty matrix; a file the opening policy refuses fails as an empty one.
// `keepDepth`: an image of more than 8 integer bits comes as 16-bit BGR or grey holding the
// codestream's own values (0 .. 2^bits - 1), a float image as 32-bit float with the values the
// decoder gives; others as above.
#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

[[nodiscard]] cv::Mat LoadJxlFromVector(std::vector<std::uint8_t>& bytes,
                                        bool keepDepth = false);
// The same for bytes held elsewhere.
[[nodiscard]] cv::Mat LoadJxlFromBytes(const std::uint8_t* data, std::size_t size, bool keepDepth);

namespace jxl_utils {

// The path is UTF-8.
[[nodiscard]] cv::Mat jxl_to_cvmat(const std::string& path, bool keepDepth = false);
// Converted to UTF-8 first; an unconvertible path throws the standard library's error.
[[nodiscard]] cv::Mat jxl_to_cvmat(const std::wstring& path);

}  // namespace jxl_utils
