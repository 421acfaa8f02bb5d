// ROIGeometry: distances and containment in float image coordinates (y downwards).
#pragma once

#include <opencv2/core/types.hpp>

#include <vector>

class ROIGeometry {
  public:
    [[nodiscard]] static float DistanceToPoint(const cv::Point_<float>& a,
                                               const cv::Point_<float>& b);
    // Distance to the segment a-b (not the infinite line); |p - a| when a == b.
    [[nodiscard]] static float DistanceToLine(const cv::Point_<float>& p,
                                              const cv::Point_<float>& a,
                                              const cv::Point_<float>& b);
    [[nodiscard]] static float DistanceToCircle(const cv::Point_<float>& p,
                                                const cv::Point_<float>& centre, float radius);
    // Nearest edge of the closed polygon; FLT_MAX for fewer than 2 vertices.
    [[nodiscard]] static float DistanceToPolygon(const cv::Point_<float>& p,
                                                 const std::vector<cv::Point_<float>>& vertices);
    // Left and top edges inside, right and bottom edges outside.
    [[nodiscard]] static bool IsInsideRect(const cv::Point_<float>& p, const cv::Rect_<float>& r);
    // Truncated min corner and extent (no +1); (0, 0, 0, 0) for an empty list.
    [[nodiscard]] static cv::Rect GetBoundingBox(const std::vector<cv::Point_<float>>& points);
};
