#include "imageio/cv_utils.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

std::string type2str(int type) {
    static const char* const kDepthNames[8] = {"8U",  "8S",  "16U", "16S",
                                               "32S", "32F", "64F", "User"};
    std::string name = kDepthNames[type & 7];
    name += 'C';
    name += static_cast<char>('1' + (type >> 3));
    return name;
}

void ResizeByScale(const cv::Mat& src, cv::Mat& dst, double scale, int interpolation) {
    // The sizes OpenCV itself derives from a scale; it refuses a result with a side of 0.
    const int width = cv::saturate_cast<int>(src.cols * scale);
    const int height = cv::saturate_cast<int>(src.rows * scale);
    if (width >= 1 && height >= 1) {
        cv::resize(src, dst, cv::Size(), scale, scale, interpolation);
    } else {
        cv::resize(src, dst, cv::Size(std::max(width, 1), std::max(height, 1)), 0, 0,
                   interpolation);
    }
}

namespace {

std::mt19937 SeededTwister() {
    std::random_device device("/dev/urandom");
    return std::mt19937(device());
}

}  // namespace

std::string GenerateRandomString(std::size_t length, std::size_t minLength) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::size_t count = length;
    // A minimum above the maximum leaves no range to draw from: the maximum is taken as the
    // length rather than drawing from an inverted (undefined) distribution.
    if (minLength != 0 && minLength != std::numeric_limits<std::size_t>::max() &&
        minLength <= length) {
        std::mt19937 lengthTwister = SeededTwister();
        count = std::uniform_int_distribution<std::size_t>(minLength, length)(lengthTwister);
    }
    std::mt19937 twister = SeededTwister();
    std::uniform_int_distribution<int> pick(0, 61);
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(kAlphabet[pick(twister)]);
    }
    return out;
}

double roundToDecimalPlaces(double value, int places) {
    if (places < 1) {
        return std::round(value);  // std::round takes halves away from zero
    }
    const double factor = std::pow(10.0, places);
    return std::round(value * factor) / factor;
}

void ProtectExceptionHandler() {}

void ReleaseIfShared(cv::Mat& mat) {
    // Another thread may be dropping its header at this moment (OpenCV counts atomically).
    if (mat.u != nullptr && __atomic_load_n(&mat.u->refcount, __ATOMIC_ACQUIRE) > 1) {
        mat.release();
    }
}

void CopyIntoOwnBuffer(const cv::Mat& src, cv::Mat& dst) {
    ReleaseIfShared(dst);
    src.copyTo(dst);
}
