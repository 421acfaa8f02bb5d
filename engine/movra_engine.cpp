#include "engine/movra_engine.h"

#include <opencv2/imgproc.hpp>

#include "engine/image_loader.h"
#include "imageio/cv_utils.h"
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
    // The missing extent keeps the aspect ratio, truncated toward zero.
    if (width <= 0) {
        width = static_cast<int>(static_cast<double>(height) / m_mat.rows * m_mat.cols);
    } else if (height <= 0) {
        height = static_cast<int>(static_cast<double>(width) / m_mat.cols * m_mat.rows);
    }
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
