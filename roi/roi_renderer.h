// ROIRenderer: draws cvROI records into a matrix. `scale` multiplies every coordinate and size
// read from `points`, `thicknessScale` the line thickness. Any record is safe to draw: geometry
// OpenCV would refuse draws nothing, and far-off or huge shapes cost no more than the target.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

#include "roi/roi_records.h"

class ROIRenderer {
  public:
    // Visible records in list order (later over earlier); null pointers are skipped.
    static void RenderAll(cv::Mat& target, const std::vector<cvROI*>& rois, double scale,
                          double thicknessScale);
    // Nothing for a null list.
    static void RenderAll(cv::Mat& target, const std::vector<cvROI*>* rois, double scale,
                          double thicknessScale);
    // Internal::RenderMask; scale and offset are not used (the mask is fitted to the target).
    static void RenderMask(cv::Mat& target, const cvROI& roi, double scale,
                           const cv::Point_<float>& offset);

    // One routine per kind; each ignores the record's `visible` and `mode`.
    class Internal {
      public:
        static void RenderPoint(cv::Mat& target, const cvROI* roi, double scale,
                                double thicknessScale);
        static void RenderLine(cv::Mat& target, const cvROI* roi, double scale,
                               double thicknessScale);
        static void RenderArrowLine(cv::Mat& target, const cvROI* roi, double scale,
                                    double thicknessScale);
        static void RenderRectangle(cv::Mat& target, const cvROI* roi, double scale,
                                    double thicknessScale);
        static void RenderRotatedRectangle(cv::Mat& target, const cvROI* roi, double scale,
                                           double thicknessScale);
        static void RenderCircle(cv::Mat& target, const cvROI* roi, double scale,
                                 double thicknessScale);
        static void RenderAnnulus(cv::Mat& target, const cvROI* roi, double scale,
                                  double thicknessScale);
        static void RenderEllipse(cv::Mat& target, const cvROI* roi, double scale,
                                  double thicknessScale);
        static void RenderPolygon(cv::Mat& target, const cvROI* roi, double scale,
                                  double thicknessScale);
        // Tints the target where the mask is non-zero, at opacity alpha / 255 (0.5 for alpha <= 0).
        static void RenderMask(cv::Mat& target, const cvROI* roi, double scale,
                               double thicknessScale);
        // True for an empty list or when every point has x <= 0 and y <= 0.
        [[nodiscard]] static bool AllPointsNonPositive(
            const std::vector<cv::Point_<float>>& points);
    };
};
