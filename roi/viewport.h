// Viewport: maps image pixels, the zoomed virtual canvas and the visible buffer of a window.
// A plain value; the scale is kept within [0.0001, 20.0] by SetScale (the panels' zoom rules
// keep manual zoom steps at 10 % or more; only fitting a huge image goes lower).
#pragma once

#include <opencv2/core.hpp>

#include <vector>

class Viewport {
  public:
    static constexpr double kMinScale = 0.0001;
    static constexpr double kMaxScale = 20.0;

    Viewport() = default;

    void SetOriginalSize(const cv::Size& size);
    void SetWindowSize(const cv::Size& size);
    // NaN ends as kMaxScale.
    void SetScale(double value);
    void SetScrollPosition(const cv::Point& position) { scrollPosition = position; }
    void SetCenteringEnabled(bool enabled);
    void UpdateCenteringOffset();

    [[nodiscard]] cv::Point_<float> GetCenteringOffset() const { return centeringOffset; }
    // Image pixels the window shows (two extra for the partly visible ones); empty if none.
    [[nodiscard]] cv::Rect GetVisibleROI() const;
    // The visible part of an originalSize-sized image at the current zoom (nearest neighbour);
    // empty when nothing is visible. The result never shares data with `image`.
    [[nodiscard]] cv::Mat ExtractVisibleRegion(const cv::Mat& image) const;
    // The factor the visible region is sampled at: the zoom, or 1 within 1 % of it (the
    // region is then taken as it is).
    [[nodiscard]] double SamplingScale() const;
    [[nodiscard]] cv::Point_<float> OriginalToView(const cv::Point_<float>& p) const;
    [[nodiscard]] std::vector<cv::Point_<float>> OriginalToView(
        const std::vector<cv::Point_<float>>& points) const;
    // Window client point to image point, through the exact scroll position.
    [[nodiscard]] cv::Point_<float> ViewToOriginal(const cv::Point_<float>& q) const;
    [[nodiscard]] cv::Size GetVirtualSize() const;

    cv::Size originalSize{0, 0};
    cv::Size windowSize{0, 0};
    cv::Point scrollPosition{0, 0};
    double scale = 1.0;
    bool centeringEnabled = false;
    cv::Point_<float> centeringOffset{0.0f, 0.0f};
};
