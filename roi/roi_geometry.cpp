#include "roi/roi_geometry.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "roi/trunc_int.h"

float ROIGeometry::DistanceToPoint(const cv::Point_<float>& a, const cv::Point_<float>& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return static_cast<float>(
        std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
}

float ROIGeometry::DistanceToLine(const cv::Point_<float>& p, const cv::Point_<float>& a,
                                  const cv::Point_<float>& b) {
    const cv::Point_<float> d = b - a;
    const float t = d.dot(p - a);
    const float lengthSquared = d.dot(d);
    if (t <= 0.0f) {
        return DistanceToPoint(p, a);
    }
    if (t >= lengthSquared) {
        return DistanceToPoint(p, b);
    }
    return DistanceToPoint(p, a + d * (t / lengthSquared));
}

float ROIGeometry::DistanceToCircle(const cv::Point_<float>& p, const cv::Point_<float>& centre,
                                    float radius) {
    return std::abs(DistanceToPoint(p, centre) - radius);
}

float ROIGeometry::DistanceToPolygon(const cv::Point_<float>& p,
                                     const std::vector<cv::Point_<float>>& vertices) {
    if (vertices.size() < 2) {
        return FLT_MAX;
    }
    float best = FLT_MAX;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const auto& next = vertices[(i + 1) % vertices.size()];
        best = std::min(best, DistanceToLine(p, vertices[i], next));
    }
    return best;
}

bool ROIGeometry::IsInsideRect(const cv::Point_<float>& p, const cv::Rect_<float>& r) {
    return r.x <= p.x && p.x < r.x + r.width && r.y <= p.y && p.y < r.y + r.height;
}

cv::Rect ROIGeometry::GetBoundingBox(const std::vector<cv::Point_<float>>& points) {
    if (points.empty()) {
        return {0, 0, 0, 0};
    }
    float minX = points.front().x, maxX = minX;
    float minY = points.front().y, maxY = minY;
    for (const auto& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return {roi_num::TruncToInt(minX), roi_num::TruncToInt(minY), roi_num::TruncToInt(maxX - minX),
            roi_num::TruncToInt(maxY - minY)};
}
