#include "engine/image_loader.h"

#include <cctype>

#include "imageio/heif_decoder.h"
#include "imageio/jxl_decoder.h"
#include "imageio/path_utils.h"
#include "imageio/unicode_io.h"

cv::Mat LoadImageByExtension(const std::string& utf8Path, int flags) {
    cv::Mat result;
    const std::wstring widePath = to_wide_string(utf8Path);
    std::string ext = GetExtension(utf8Path);
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ext == ".jxl") {
        result = jxl_utils::jxl_to_cvmat(widePath);
    } else if (ext == ".heic" || ext == ".heif") {
        result = heif_utils::heif_to_cvmat(widePath);
    } else {
        Unicode_CvImread(widePath, result, flags);
    }
    return result;
}
