// Image read/write at any Unicode path: the file is read or written as bytes by the standard
// streams and OpenCV only ever sees memory buffers (imdecode / imencode).
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

// Decodes the file with cv::imdecode(flags). A file that cannot be opened leaves `out` as it
// was; undecodable bytes make it empty. OpenCV's error for files over INT_MAX bytes propagates.
void Unicode_CvImread(const std::wstring& path, cv::Mat& out, int flags);

// Encodes by the path's extension (PNG when there is none) and writes the bytes. False when the
// encoder fails (nothing is written) or the file cannot be opened. An extension that no encoder
// knows raises OpenCV's error.
[[nodiscard]] bool Unicode_CvImwrite(const std::wstring& path, const cv::Mat& image,
                                     const std::vector<int>& params);
