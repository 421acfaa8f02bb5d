#include "roi/roi_shape.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

#include "roi/roi_geometry.h"
#include "roi/trunc_int.h"

using roi_num::TruncToInt;

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

bool Finite(const cv::Point2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool HasArea(const cv::Point2f& size) { return size.x > 0.0f && size.y > 0.0f; }

// cv::boundingRect of float points (floor of the minima, floor of the maxima plus one), in
// double and saturated, so coordinates far outside the int range cannot wrap the width.
cv::Rect PolygonCropRect(const std::vector<cv::Point2f>& points) {
    double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const auto& p : points) {
        minX = std::min(minX, double{p.x});
        maxX = std::max(maxX, double{p.x});
        minY = std::min(minY, double{p.y});
        maxY = std::max(maxY, double{p.y});
    }
    const double x = std::floor(minX), y = std::floor(minY);
    return {TruncToInt(x), TruncToInt(y), TruncToInt(std::floor(maxX) - x + 1),
            TruncToInt(std::floor(maxY) - y + 1)};
}

cv::Point2f OnCircle(const cv::Point2f& c, double r, double deg) {
    const double t = deg * CV_PI / 180.0;
    return {static_cast<float>(c.x + r * std::cos(t)), static_cast<float>(c.y + r * std::sin(t))};
}

// An arc from `from` to `to` degrees in `steps` chords, appended to `out`.
void AppendArc(std::vector<cv::Point2f>& out, const cv::Point2f& c, double r, double from,
               double to, int steps) {
    for (int i = 0; i <= steps; ++i) {
        out.push_back(OnCircle(c, r, from + (to - from) * i / steps));
    }
}

}  // namespace

cv::Point2f KeptRadiusVector(const cv::Point2f& v) {
    if (v.x > 0.0f && v.y > 0.0f) {
        return v;
    }
    const auto side = static_cast<float>(std::hypot(double{v.x}, double{v.y}) / kSqrt2);
    return {side, side};
}

bool ROIShape::IsEmpty() const {
    if (points.empty() || !std::all_of(points.begin(), points.end(), Finite) ||
        !std::isfinite(angle)) {
        return true;
    }
    switch (mode) {
        case CvROIMode::Point:
            // A point at the origin is where a reset leaves it: no point at all.
            return !(points[0].x > 0.0f || points[0].y > 0.0f);
        case CvROIMode::Line:
            return points.size() != 2 || points[0] == points[1];
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
            return points.size() != 2 || !HasArea(points[1]);
        case CvROIMode::Circle:
            return points.size() != 2 || !HasArea(KeptRadiusVector(points[1]));
        case CvROIMode::Annulus:
            return points.size() != 4 || !HasArea(KeptRadiusVector(points[1]));
        case CvROIMode::Polygon:
            return points.size() < 3;
        default:
            return true;
    }
}

bool ROIShape::operator==(const ROIShape& other) const {
    const bool empty = IsEmpty();
    if (empty || other.IsEmpty()) {
        return empty == other.IsEmpty();
    }
    return mode == other.mode && points == other.points && angle == other.angle;
}

RingMeasures ROIShape::Ring() const {
    RingMeasures m;
    const cv::Point2f v = KeptRadiusVector(points.at(1));
    m.outerRadius = std::hypot(double{v.x}, double{v.y});
    if (mode == CvROIMode::Annulus) {
        const double inner = points.at(2).x;
        m.innerRadius = inner > 0.0 ? inner : m.outerRadius / 2;
        m.startAngle = points.at(3).x;
        m.endAngle = points.at(3).y;
    }
    return m;
}

cv::Rect ROIShape::CropRect() const {
    if (IsEmpty()) {
        return {0, 0, 0, 0};
    }
    const cv::Point2f& a = points[0];
    switch (mode) {
        case CvROIMode::Point:
            return {TruncToInt(a.x), TruncToInt(a.y), 0, 0};
        case CvROIMode::Line: {
            const cv::Point2f& b = points[1];
            return {TruncToInt(std::min(a.x, b.x)), TruncToInt(std::min(a.y, b.y)),
                    TruncToInt(std::abs(a.x - b.x)), TruncToInt(std::abs(a.y - b.y))};
        }
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
            return {TruncToInt(a.x), TruncToInt(a.y), TruncToInt(points[1].x),
                    TruncToInt(points[1].y)};
        case CvROIMode::Circle:
        case CvROIMode::Annulus: {
            const cv::Point2f v = KeptRadiusVector(points[1]);
            return {TruncToInt(a.x), TruncToInt(a.y), TruncToInt(v.x), TruncToInt(v.y)};
        }
        case CvROIMode::Polygon:
            return PolygonCropRect(points);
        default:
            return {0, 0, 0, 0};
    }
}

cv::Rect2f ROIShape::Bounds() const {
    if (IsEmpty()) {
        return {0.f, 0.f, 0.f, 0.f};
    }
    if (mode == CvROIMode::Circle || mode == CvROIMode::Annulus) {
        const RingMeasures m = Ring();
        const auto r = static_cast<float>(std::max(m.outerRadius, m.innerRadius));
        return {points[0].x - r, points[0].y - r, 2 * r, 2 * r};
    }
    const std::vector<cv::Point2f> outline = Outline();
    float minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
    for (const auto& p : outline) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // A point or an axis-parallel line still covers the pixel it lies on.
    return {minX, minY, std::max(maxX - minX, 1.0f), std::max(maxY - minY, 1.0f)};
}

std::vector<cv::Point2f> ROIShape::Outline(int segments) const {
    if (IsEmpty()) {
        return {};
    }
    segments = std::max(segments, 8);
    const cv::Point2f& a = points[0];
    switch (mode) {
        case CvROIMode::Point:
            return {a};
        case CvROIMode::Line:
        case CvROIMode::Polygon:
            return points;
        case CvROIMode::Rectangle: {
            const cv::Point2f& s = points[1];
            return {a, {a.x + s.x, a.y}, a + s, {a.x, a.y + s.y}};
        }
        case CvROIMode::RotatedRectangle: {
            const cv::Point2f& s = points[1];
            const cv::RotatedRect rr(a + s * 0.5f, cv::Size2f(s.x, s.y),
                                     static_cast<float>(std::fmod(angle, 360.0)));
            std::vector<cv::Point2f> corners(4);
            rr.points(corners.data());
            return corners;
        }
        case CvROIMode::Circle: {
            std::vector<cv::Point2f> out;
            AppendArc(out, a, Ring().outerRadius, 0.0, 360.0, segments);
            out.pop_back();  // the closing point repeats the first
            return out;
        }
        case CvROIMode::Annulus: {
            const RingMeasures m = Ring();
            double start = std::min(m.startAngle, m.endAngle);
            double end = std::max(m.startAngle, m.endAngle);
            std::vector<cv::Point2f> out;
            if (end - start >= 360.0) {
                AppendArc(out, a, m.outerRadius, 0.0, 360.0, segments);
                out.pop_back();
                return out;
            }
            const int steps = std::max(2, static_cast<int>(segments * (end - start) / 360.0));
            AppendArc(out, a, m.outerRadius, start, end, steps);
            AppendArc(out, a, m.innerRadius, end, start, steps);
            return out;
        }
        default:
            return {};
    }
}

bool ROIShape::Hit(const cv::Point2f& p, float tol) const {
    if (IsEmpty() || !Finite(p)) {
        return false;
    }
    const std::vector<cv::Point2f> outline = Outline();
    switch (mode) {
        case CvROIMode::Point:
            return ROIGeometry::DistanceToPoint(p, outline[0]) < tol;
        case CvROIMode::Line:
            return ROIGeometry::DistanceToLine(p, outline[0], outline[1]) < tol;
        case CvROIMode::Circle:
        case CvROIMode::Annulus: {
            const RingMeasures m = Ring();
            const double d = ROIGeometry::DistanceToPoint(p, points[0]);
            const double outer = std::max(m.outerRadius, m.innerRadius);
            const double inner = mode == CvROIMode::Circle ? 0.0
                                                           : std::min(m.outerRadius, m.innerRadius);
            if (d > outer + tol) {
                return false;
            }
            if (mode == CvROIMode::Circle ||
                std::abs(m.endAngle - m.startAngle) >= 360.0) {
                return d >= inner - tol;
            }
            break;  // a sector: its outline polygon decides
        }
        default:
            break;
    }
    return cv::pointPolygonTest(outline, p, false) >= 0 ||
           ROIGeometry::DistanceToPolygon(p, outline) < tol;
}

cvROI ROIShape::ToRecord(const cv::Scalar& color, int thickness) const {
    cvROI roi;
    roi.visible = true;
    roi.thickness = thickness;
    roi.mode = mode;
    roi.color = color;
    if (IsEmpty()) {
        return roi;
    }
    switch (mode) {
        case CvROIMode::Circle:
            roi.points = {points[0], {static_cast<float>(Ring().outerRadius), 0.0f}};
            break;
        case CvROIMode::Annulus: {
            // The record's layout: centre, radius vector, (inner, outer), (start, end).
            const RingMeasures m = Ring();
            roi.points = {points[0], KeptRadiusVector(points[1]),
                          {static_cast<float>(m.innerRadius), static_cast<float>(m.outerRadius)},
                          points[3]};
            break;
        }
        case CvROIMode::RotatedRectangle:
            roi.points = points;
            roi.angle = angle;
            break;
        default:
            roi.points = points;
            break;
    }
    return roi;
}

ROIMeasure::MaskBox ROIShape::Mask(cv::Size imageSize) const {
    return ROIMeasure::Rasterise(ROIMeasure::ShapeOf(*this), imageSize);
}
