#include "imageio/image_dispatch.h"

#include <opencv2/imgcodecs.hpp>

#include "imageio/heif_decoder.h"
#include "imageio/jxl_decoder.h"
#include "imageio/path_utils.h"
#include "imageio/unicode_io.h"

std::string LowerExtension(const std::string& utf8Path) {
    std::string ext = GetExtension(utf8Path);
    if (!ext.empty()) {
        ext.erase(0, 1);  // the dot
    }
    // ASCII only: the bytes of other UTF-8 characters must stay as they are.
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return ext;
}

bool KeepsDepth(int flags) {
    return flags == cv::IMREAD_UNCHANGED || (flags >= 0 && (flags & cv::IMREAD_ANYDEPTH) != 0);
}

ImageDecoder DecoderForPath(const std::string& utf8Path) {
    const std::string ext = LowerExtension(utf8Path);
    if (ext == "heic" || ext == "heif") {
        return ImageDecoder::Heif;
    }
    return ext == "jxl" ? ImageDecoder::JpegXl : ImageDecoder::OpenCV;
}

bool DecodeImageFile(const std::string& utf8Path, int flags, cv::Mat& out, bool keepCodecDepth) {
    try {
        switch (DecoderForPath(utf8Path)) {
            case ImageDecoder::Heif:
                out = heif_utils::heif_to_cvmat(utf8Path, keepCodecDepth && KeepsDepth(flags));
                break;
            case ImageDecoder::JpegXl:
                out = jxl_utils::jxl_to_cvmat(utf8Path, keepCodecDepth && KeepsDepth(flags));
                break;
            case ImageDecoder::OpenCV:
                return Unicode_CvImreadInto(to_wide_string(utf8Path), out, flags);
        }
    } catch (...) {
        out.release();  // whatever the reader left there is not the file's image
        throw;
    }
    return !out.empty();
}
