#include "engine/image_loader.h"

#include "imageio/image_dispatch.h"

bool LoadImageByExtension(const std::string& utf8Path, int flags, cv::Mat& out) {
    return DecodeImageFile(utf8Path, flags, out);
}

cv::Mat LoadImageByExtension(const std::string& utf8Path, int flags, bool keepCodecDepth) {
    cv::Mat result;
    (void)DecodeImageFile(utf8Path, flags, result, keepCodecDepth);
    return result;
}
