#include "engine/movra_engine.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>

#include "engine/image_loader.h"
#include "imageio/cv_utils.h"
#include "imageio/file_policy.h"
#include "imageio/path_utils.h"
#include "imageio/unicode_io.h"

void MovraEngine::SetMat(const cv::Mat& mat) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    CopyIntoOwnBuffer(mat, m_mat);
}

cv::Mat MovraEngine::GetMat() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_mat;
}

bool MovraEngine::HasImage() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return !m_mat.empty();
}

void MovraEngine::Clear() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_mat.release();
}

cv::Vec3i MovraEngine::GetImageSize() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mat.empty()) {
        return {0, 0, 0};
    }
    return {m_mat.rows, m_mat.cols, m_mat.channels()};
}

bool MovraEngine::LoadImage(const std::string& utf8Path, int flags) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Loaded into the held image's own buffer, so a series of same-sized photos reuses one
    // frame; a failed load, also one that throws, leaves the engine empty.
    return LoadImageByExtension(utf8Path, flags, m_mat);
}

bool MovraEngine::SaveImage(const std::string& utf8Path) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mat.empty()) {
        return false;
    }
    return Unicode_CvImwrite(to_wide_string(utf8Path), m_mat, {});
}

// The operations below write into a temporary and swap it in only on success: OpenCV may
// reallocate its destination before it throws, which would otherwise lose the held image.

void MovraEngine::ConvertToGray() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    int code;
    switch (m_mat.channels()) {
        case 3:
            code = cv::COLOR_BGR2GRAY;
            break;
        case 4:
            code = cv::COLOR_BGRA2GRAY;
            break;
        default:
            return;  // empty, grey or two-channel: nothing to convert
    }
    cv::Mat grey;
    cv::cvtColor(m_mat, grey, code);
    m_mat = grey;
}

void MovraEngine::Resize(int width, int height, int interpolation) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mat.empty() || (width <= 0 && height <= 0)) {
        return;
    }
    // The missing extent keeps the aspect ratio, truncated toward zero; worked out in double
    // so that a huge one is refused below rather than wrapped.
    double w = width;
    double h = height;
    if (width <= 0) {
        w = std::trunc(h / m_mat.rows * m_mat.cols);
    } else if (height <= 0) {
        h = std::trunc(w / m_mat.cols * m_mat.rows);
    }
    const double bytes = w * h * static_cast<double>(m_mat.elemSize());
    if (bytes > static_cast<double>(kMaxImageBytes) || w > INT_MAX || h > INT_MAX) {
        throw std::invalid_argument("Resize: a " + std::to_string(static_cast<long long>(w)) +
                                    " x " + std::to_string(static_cast<long long>(h)) +
                                    " result exceeds the image size limit of " +
                                    std::to_string(kMaxImageBytes) + " bytes");
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    cv::Mat resized;
    cv::resize(m_mat, resized, cv::Size(width, height), 0, 0, interpolation);
    m_mat = resized;
}

void MovraEngine::GaussianBlur(int kernelSize, double sigma) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mat.empty()) {
        return;
    }
    const int k = kernelSize | 1;  // an even size becomes the next odd one
    const double widest = 2.0 * std::max(m_mat.rows, m_mat.cols);
    // Without a size OpenCV derives one from sigma: 3 sigma each side for 8-bit, else 4.
    const double perSide = m_mat.depth() == CV_8U ? 3.0 : 4.0;
    const double kernel = k > 0 ? k : sigma * perSide * 2.0 + 1.0;
    if (kernel > widest) {
        throw std::invalid_argument(
            "GaussianBlur: a " + std::to_string(static_cast<long long>(std::min(kernel, 1e18))) +
            " px kernel is wider than twice the image's larger side (" +
            std::to_string(static_cast<long long>(widest)) + " px)");
    }
    cv::Mat blurred;
    cv::GaussianBlur(m_mat, blurred, cv::Size(k, k), sigma, 0, cv::BORDER_DEFAULT);
    m_mat = blurred;
}

cv::Mat MovraEngine::Canny(double threshold1, double threshold2) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    cv::Mat grey;
    switch (m_mat.channels()) {
        case 4:
            cv::cvtColor(m_mat, grey, cv::COLOR_BGRA2GRAY);
            break;
        case 3:
            cv::cvtColor(m_mat, grey, cv::COLOR_BGR2GRAY);
            break;
        case 1:
            grey = m_mat;
            break;
        default:
            break;  // two channels have no grey form
    }
    if (grey.empty()) {
        return {};
    }
    cv::Mat edges;
    cv::Canny(grey, edges, threshold1, threshold2, 3, false);
    return edges;
}
