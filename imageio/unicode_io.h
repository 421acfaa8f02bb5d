// Image read/write at any Unicode path: the file is read or written as bytes by the standard
// streams and OpenCV only ever sees memory buffers (imdecode / imencode).
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

// Decodes the file with cv::imdecode(flags). A file the opening policy refuses (not a regular
// file, embedded NUL, unopenable) leaves `out` as it was; undecodable or zero bytes make it
// empty. Files over INT_MAX bytes raise OpenCV's check error before they are read.
void Unicode_CvImread(const std::wstring& path, cv::Mat& out, int flags);

// The same read, for callers that load image after image into one matrix: `out` is empty
// whenever no image was decoded (also when the file cannot be opened), and its buffer is reused
// for a same-sized image unless another header shares it. True when an image was decoded.
[[nodiscard]] bool Unicode_CvImreadInto(const std::wstring& path, cv::Mat& out, int flags);

// The decode behind both reads, for bytes already in memory (at most INT_MAX of them): `out` as
// Unicode_CvImreadInto leaves it. True when an image was decoded.
[[nodiscard]] bool DecodeImageBytes(const uchar* data, size_t size, cv::Mat& out, int flags);
[[nodiscard]] bool DecodeImageBytes(const std::vector<uchar>& bytes, cv::Mat& out, int flags);

// Encodes by the path's extension (PNG when there is none, also when the last dot is in a folder
// name) and writes the bytes. False when the encoder fails or the file cannot be opened or
// written; a partly written file is removed. An extension that no encoder knows raises
// OpenCV's error.
[[nodiscard]] bool Unicode_CvImwrite(const std::wstring& path, const cv::Mat& image,
                                     const std::vector<int>& params);
