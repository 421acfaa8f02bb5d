#include "roi/viewport.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "roi/nearest_resize.h"
#include "roi/trunc_int.h"

void Viewport::SetOriginalSize(const cv::Size& size) {
    originalSize = size;
    UpdateCenteringOffset();
}

void Viewport::SetWindowSize(const cv::Size& size) {
    windowSize = size;
    UpdateCenteringOffset();
}

void Viewport::SetScale(double value) {
    // std::min(NaN, max) yields NaN and std::max(NaN, min) keeps it, so NaN is mapped here.
    scale = std::isnan(value) ? kMaxScale : std::max(std::min(value, kMaxScale), kMinScale);
    UpdateCenteringOffset();
}

void Viewport::SetCenteringEnabled(bool enabled) {
    centeringEnabled = enabled;
    if (enabled) {
        UpdateCenteringOffset();
    } else {
        centeringOffset = {0.0f, 0.0f};
    }
}

void Viewport::UpdateCenteringOffset() {
    centeringOffset = {0.0f, 0.0f};
    if (!centeringEnabled || originalSize.width < 1 || originalSize.height < 1) {
        return;
    }
    const auto axis = [this](int original, int window) {
        const auto zoomed = static_cast<float>(original * scale);
        const auto win = static_cast<float>(window);
        return win > zoomed ? (win - zoomed) * 0.5f : 0.0f;
    };
    centeringOffset.x = axis(originalSize.width, windowSize.width);
    centeringOffset.y = axis(originalSize.height, windowSize.height);
}

cv::Rect Viewport::GetVisibleROI() const {
    // `scale` is a public field; a NaN written there directly must not reach the arithmetic.
    if (originalSize.width < 1 || originalSize.height < 1 || !(scale > 0.0)) {
        return {};
    }
    const int ox = std::max(0, roi_num::TruncToInt(scrollPosition.x / scale));
    const int oy = std::max(0, roi_num::TruncToInt(scrollPosition.y / scale));
    // In 64 bits: the window term can reach INT_MAX at the smallest scales.
    const long long w = std::min<long long>(static_cast<long long>(originalSize.width) - ox,
                                            roi_num::TruncToInt(windowSize.width / scale) + 2LL);
    const long long h = std::min<long long>(static_cast<long long>(originalSize.height) - oy,
                                            roi_num::TruncToInt(windowSize.height / scale) + 2LL);
    if (w <= 0 || h <= 0) {
        return {};
    }
    return {ox, oy, static_cast<int>(w), static_cast<int>(h)};
}

cv::Mat Viewport::ExtractVisibleRegion(const cv::Mat& image) const {
    const cv::Rect visible = GetVisibleROI();
    if (visible.empty() || image.empty()) {
        return {};
    }
    // A matrix smaller than announced would make the cut read outside it.
    const cv::Rect inside = visible & cv::Rect(0, 0, image.cols, image.rows);
    if (inside.empty()) {
        return {};
    }
    if (SamplingScale() != 1.0) {
        // Sampled straight from the source: no intermediate copy of the visible region,
        // which at the smallest zoom is a hundred times the window's pixel count.
        return ResizeRegionNearest(image, inside, scale);
    }
    return image(inside).clone();
}

double Viewport::SamplingScale() const { return std::abs(scale - 1.0) > 0.01 ? scale : 1.0; }

cv::Point_<float> Viewport::OriginalToView(const cv::Point_<float>& p) const {
    const cv::Rect visible = GetVisibleROI();
    const cv::Point_<float> origin(static_cast<float>(visible.x), static_cast<float>(visible.y));
    const auto s = static_cast<float>(scale);
    return {centeringOffset.x + (p.x - origin.x) * s, centeringOffset.y + (p.y - origin.y) * s};
}

std::vector<cv::Point_<float>> Viewport::OriginalToView(
    const std::vector<cv::Point_<float>>& points) const {
    const cv::Rect visible = GetVisibleROI();
    const cv::Point_<float> origin(static_cast<float>(visible.x), static_cast<float>(visible.y));
    const auto s = static_cast<float>(scale);
    std::vector<cv::Point_<float>> out;
    out.reserve(points.size());
    for (const auto& p : points) {
        out.emplace_back(centeringOffset.x + (p.x - origin.x) * s,
                         centeringOffset.y + (p.y - origin.y) * s);
    }
    return out;
}

cv::Point_<float> Viewport::ViewToOriginal(const cv::Point_<float>& q) const {
    const auto s = static_cast<float>(scale);
    return {(q.x - centeringOffset.x + static_cast<float>(scrollPosition.x)) / s,
            (q.y - centeringOffset.y + static_cast<float>(scrollPosition.y)) / s};
}

cv::Size Viewport::GetVirtualSize() const {
    return {roi_num::TruncToInt(originalSize.width * scale),
            roi_num::TruncToInt(originalSize.height * scale)};
}
