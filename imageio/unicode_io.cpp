#include "imageio/unicode_io.h"

#include <opencv2/imgcodecs.hpp>

#include <climits>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "imageio/cv_utils.h"
#include "imageio/file_bytes.h"
#include "imageio/file_policy.h"
#include "imageio/path_utils.h"

namespace fs = std::filesystem;

namespace {

// A save that cannot finish must not leave a truncated file behind; only regular files are
// removed, never a device or anything else the path may name.
void RemovePartialFile(const std::string& utf8Path) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(utf8Path), ec)) {
        fs::remove(fs::path(utf8Path), ec);
    }
}

// The extension that picks the encoder. A dot in a folder name (dir.old/file) is no extension of
// the file itself: such a path is written as PNG like any other path without one.
std::string EncoderExtension(const std::wstring& path) {
    std::string ext = GetExtension(path);
    if (ext.empty() || ext.find('/') != std::string::npos) {
        return ".png";
    }
    return ext;
}

// Reads the whole file; false when the opening policy refuses it, except that a file over
// INT_MAX bytes raises OpenCV's own check error: it is refused before a byte of it is read,
// where OpenCV would check only after a buffer of more than 2 GiB had been filled.
bool ReadFileBytes(const std::wstring& path, FileBytes& bytes) {
    const ImageFile file(to_byte_string(path));
    if (file.Refusal() == FileRefusal::TooLarge) {
        CV_CheckLE(static_cast<size_t>(file.Size()), static_cast<size_t>(INT_MAX),
                   "Must not be larger than INT_MAX");
    }
    if (!file.IsOpen()) {
        return false;
    }
    bytes = ReadWholeFile(file);  // a short read leaves zero bytes, which the decoder judges
    return true;
}

// Decodes into `out`'s own buffer when it fits; empty when nothing was decoded.
void DecodeInto(const uchar* data, size_t size, cv::Mat& out, int flags) {
    if (size == 0) {
        out.release();  // no decoder accepts zero bytes; OpenCV would assert on the empty buffer
        return;
    }
    // Writing into the previous frame's memory saves faulting in fresh pages for a large image,
    // which costs more than the decode's own copy; nobody else may see that memory change.
    ReleaseIfShared(out);
    // A header over the bytes: the decoder reads them where they are (at most INT_MAX of them).
    const cv::Mat buffer(1, static_cast<int>(size), CV_8U, const_cast<uchar*>(data));
    const cv::Mat decoded = cv::imdecode(buffer, flags, &out);
    out = decoded;  // an empty result on failure, whatever the decoder left in `out`
}

}  // namespace

void Unicode_CvImread(const std::wstring& path, cv::Mat& out, int flags) {
    FileBytes bytes;
    if (ReadFileBytes(path, bytes)) {
        DecodeInto(bytes.data(), bytes.size(), out, flags);
    }
}

bool Unicode_CvImreadInto(const std::wstring& path, cv::Mat& out, int flags) {
    FileBytes bytes;
    if (!ReadFileBytes(path, bytes)) {
        out.release();
        return false;
    }
    DecodeInto(bytes.data(), bytes.size(), out, flags);
    return !out.empty();
}

bool DecodeImageBytes(const uchar* data, size_t size, cv::Mat& out, int flags) {
    DecodeInto(data, size, out, flags);
    return !out.empty();
}

bool DecodeImageBytes(const std::vector<uchar>& bytes, cv::Mat& out, int flags) {
    return DecodeImageBytes(bytes.data(), bytes.size(), out, flags);
}

bool Unicode_CvImwrite(const std::wstring& path, const cv::Mat& image,
                       const std::vector<int>& params) {
    std::vector<uchar> bytes;
    if (!cv::imencode(EncoderExtension(path), image, bytes, params)) {
        return false;
    }
    const std::string utf8 = to_byte_string(path);
    if (utf8.empty() || HasEmbeddedNul(utf8)) {
        return false;
    }
    std::ofstream file(utf8, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    // A full disk or a lost device shows only here; reporting success would lose the image.
    if (file.fail()) {
        RemovePartialFile(utf8);
        return false;
    }
    return true;
}
