#include "engine/image_loader.h"

#include <cctype>

#include "imageio/heif_decoder.h"
#include "imageio/jxl_decoder.h"
#include "imageio/path_utils.h"
#include "imageio/unicode_io.h"

bool LoadImageByExtension(const std::string& utf8Path, int flags, cv::Mat& out) {
    const std::wstring widePath = to_wide_string(utf8Path);
    std::string ext = GetExtension(utf8Path);
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ext == ".jxl") {
        out = jxl_utils::jxl_to_cvmat(widePath);
    } else if (ext == ".heic" || ext == ".heif") {
        out = heif_utils::heif_to_cvmat(widePath);
    } else {
        return Unicode_CvImreadInto(widePath, out, flags);
    }
    return !out.empty();
}

cv::Mat LoadImageByExtension(const std::string& utf8Path, int flags) {
    cv::Mat result;
    (void)LoadImageByExtension(utf8Path, flags, result);
    return result;
}
