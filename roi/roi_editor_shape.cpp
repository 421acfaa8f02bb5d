// The programmatic side of the ROI editor: reading the shape back and setting it from a record.
#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

#include "roi/roi_editor.h"
#include "roi/roi_editor_util.h"

using roi_editor_util::IsFinite;
using roi_editor_util::TruncToInt;

namespace {

// cv::boundingRect of float points (floor of the minima, floor of the maxima plus one), computed
// in double and saturated, so coordinates far outside the int range cannot wrap the width
// negative. Non-finite points are left out.
cv::Rect PolygonBounds(const std::vector<cv::Point2f>& points) {
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const auto& p : points) {
        if (!IsFinite(p)) {
            continue;
        }
        if (!any) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            any = true;
            continue;
        }
        minX = std::min(minX, static_cast<double>(p.x));
        maxX = std::max(maxX, static_cast<double>(p.x));
        minY = std::min(minY, static_cast<double>(p.y));
        maxY = std::max(maxY, static_cast<double>(p.y));
    }
    if (!any) {
        return {0, 0, 0, 0};
    }
    const double x = std::floor(minX), y = std::floor(minY);
    return {TruncToInt(x), TruncToInt(y), TruncToInt(std::floor(maxX) - x + 1),
            TruncToInt(std::floor(maxY) - y + 1)};
}

bool AllFinite(const std::vector<cv::Point2f>& points) {
    return std::all_of(points.begin(), points.end(), IsFinite);
}

void SetRadiusVector(cv::Rect_<float>& r, const cv::Point2f& v) {
    const cv::Point2f kept = KeptRadiusVector(v);
    r.width = kept.x;
    r.height = kept.y;
}

bool IsOrigin(const cv::Point2f& p) { return p.x == 0.0f && p.y == 0.0f; }

bool IsReset(const cv::Rect_<float>& r) {
    return r.x == 0.0f && r.y == 0.0f && r.width == 0.0f && r.height == 0.0f;
}

}  // namespace

std::vector<cv::Point2f> ROIEditor::RotatedCorners(const cv::Rect_<float>& rect,
                                                   double angleDeg) {
    // fmod keeps the turn while a huge angle would otherwise overflow the float cv wants.
    const cv::RotatedRect rr(cv::Point2f(rect.x + rect.width / 2, rect.y + rect.height / 2),
                             cv::Size2f(rect.width, rect.height),
                             static_cast<float>(std::fmod(angleDeg, 360.0)));
    std::vector<cv::Point2f> corners(4);
    rr.points(corners.data());
    return corners;
}

cv::Rect ROIEditor::CropRect(CvROIMode mode) const {
    const cv::Rect empty(0, 0, 0, 0);
    const cv::Rect_<float>& r = m_roiRect;
    switch (mode) {
        case CvROIMode::Point: {
            const cv::Point2f& p = m_leftMouseDownPoint;
            return p.x > 0.0f || p.y > 0.0f ? cv::Rect(TruncToInt(p.x), TruncToInt(p.y), 0, 0)
                                            : empty;
        }
        case CvROIMode::Line: {
            const cv::Point2f& a = m_leftMouseDownPoint;
            const cv::Point2f& b = m_leftMouseUpPoint;
            if (a.x == b.x && a.y == b.y) {
                return empty;
            }
            return {TruncToInt(std::min(a.x, b.x)), TruncToInt(std::min(a.y, b.y)),
                    TruncToInt(std::abs(a.x - b.x)), TruncToInt(std::abs(a.y - b.y))};
        }
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
        case CvROIMode::Circle:
        case CvROIMode::Annulus:
            if (!(r.width > 0.0f) || !(r.height > 0.0f)) {
                return empty;
            }
            return {TruncToInt(r.x), TruncToInt(r.y), TruncToInt(r.width), TruncToInt(r.height)};
        case CvROIMode::Polygon:
            return m_roiPoints.size() >= 3 ? PolygonBounds(m_roiPoints) : empty;
        default:
            return empty;
    }
}

double ROIEditor::OuterRadius() const {
    if (!(m_roiRect.width > 0.0f) && !(m_roiRect.height > 0.0f)) {
        return 0.0;
    }
    const double w = m_roiRect.width, h = m_roiRect.height;
    return std::sqrt(w * w + h * h);
}

double ROIEditor::InnerRadius() const {
    if (m_innerRadius > 0.0) {
        return m_innerRadius;
    }
    const double outer = OuterRadius();
    return outer > 0.0 ? outer / 2 : 0.0;
}

bool ROIEditor::RotatedRectEdges(CvROIMode mode, cv::Point2f& e1, cv::Point2f& e2,
                                 cv::Point2f& e3, cv::Point2f& e4) const {
    if (mode != CvROIMode::RotatedRectangle || m_roiPoints.size() != 4) {
        return false;
    }
    e1 = m_roiPoints[1];
    e2 = m_roiPoints[2];
    e3 = m_roiPoints[3];
    e4 = m_roiPoints[0];
    return true;
}

void ROIEditor::StoreRect(CvROIMode mode, const cv::Rect& rect) {
    if (rect.width >= 1 && rect.height >= 1) {
        m_roiRect = cv::Rect_<float>(rect);
        SyncRotatedCorners(mode);
    } else {
        SetROIParamDefault();
    }
}

void ROIEditor::SyncRotatedCorners(CvROIMode mode) {
    if (mode == CvROIMode::RotatedRectangle && m_roiRect.width > 0.0f &&
        m_roiRect.height > 0.0f) {
        m_roiPoints = RotatedCorners(m_roiRect, m_rotateAngle);
    }
}

void ROIEditor::StoreROI(const cvROI& roi) {
    const std::vector<cv::Point2f>& pts = roi.points;
    // A NaN or infinite coordinate would poison every later drag step; treat it like a record
    // of the wrong size.
    const auto fits = [&](size_t n) { return pts.size() == n && AllFinite(pts); };
    switch (roi.mode) {
        case CvROIMode::Point:
            if (!fits(1)) {
                break;
            }
            m_leftMouseDownPoint = pts[0];
            return;
        case CvROIMode::Line:
            if (!fits(2)) {
                break;
            }
            m_leftMouseDownPoint = pts[0];
            m_leftMouseUpPoint = pts[1];
            m_roiRect = {std::min(pts[0].x, pts[1].x), std::min(pts[0].y, pts[1].y),
                         std::abs(pts[0].x - pts[1].x), std::abs(pts[0].y - pts[1].y)};
            return;
        case CvROIMode::Rectangle:
            if (!fits(2)) {
                break;
            }
            m_roiRect = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
            m_leftMouseDownPoint = pts[0];
            m_leftMouseUpPoint = pts[0] + pts[1];
            return;
        case CvROIMode::Circle:
            if (!fits(2)) {
                break;
            }
            m_roiRect.x = pts[0].x;
            m_roiRect.y = pts[0].y;
            SetRadiusVector(m_roiRect, pts[1]);
            m_leftMouseDownPoint = pts[0];
            m_leftMouseUpPoint = pts[0] + pts[1];
            return;
        case CvROIMode::RotatedRectangle:
            if (!fits(2) || !std::isfinite(roi.angle)) {
                break;
            }
            m_rotateAccum = m_rotateAngle = roi.angle;
            m_roiRect = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
            m_roiPoints = RotatedCorners(m_roiRect, roi.angle);
            return;
        case CvROIMode::Annulus:
            if (!fits(4)) {
                break;
            }
            m_roiRect.x = pts[0].x;
            m_roiRect.y = pts[0].y;
            SetRadiusVector(m_roiRect, pts[1]);
            m_innerRadius = pts[2].x;
            m_startAngle = pts[3].x;
            m_endAngle = pts[3].y;
            m_leftMouseDownPoint = pts[0];
            return;
        case CvROIMode::Polygon:
            if (pts.size() < 3 || !AllFinite(pts)) {
                break;
            }
            m_roiPoints = pts;
            m_roiRect = cv::Rect_<float>(PolygonBounds(pts));
            m_polygonDrawing = false;
            return;
        case CvROIMode::None:
            break;
        default:
            return;  // drawing-only kinds and masks carry no editing shape
    }
    SetROIParamDefault();
}

void ROIEditor::StoreShape(const ROIShape& shape) {
    cvROI roi;
    roi.mode = shape.mode;
    roi.points = shape.points;
    roi.angle = shape.angle;
    StoreROI(roi);
}

ROIShape ROIEditor::Shape(CvROIMode mode) const {
    ROIShape shape;
    shape.mode = mode;
    const cv::Rect_<float>& r = m_roiRect;
    const cv::Point2f corner(r.x, r.y);
    const cv::Point2f size(r.width, r.height);
    switch (mode) {
        case CvROIMode::Point:
            if (!IsOrigin(m_leftMouseDownPoint)) {
                shape.points = {m_leftMouseDownPoint};
            }
            break;
        case CvROIMode::Line:
            if (!IsOrigin(m_leftMouseDownPoint) || !IsOrigin(m_leftMouseUpPoint)) {
                shape.points = {m_leftMouseDownPoint, m_leftMouseUpPoint};
            }
            break;
        case CvROIMode::Rectangle:
            if (!IsReset(r)) {
                shape.points = {corner, size};
            }
            break;
        case CvROIMode::RotatedRectangle:
            if (!IsReset(r)) {
                shape.points = {corner, size};
                shape.angle = m_rotateAngle;
            }
            break;
        case CvROIMode::Circle:
            if (!IsReset(r)) {
                shape.points = {corner, KeptRadiusVector(size)};
            }
            break;
        case CvROIMode::Annulus:
            if (!IsReset(r)) {
                // Carried in points, so in their precision: a second round gives the same data.
                shape.points = {corner, KeptRadiusVector(size),
                                {static_cast<float>(InnerRadius()), 0.0f},
                                {static_cast<float>(m_startAngle), static_cast<float>(m_endAngle)}};
            }
            break;
        case CvROIMode::Polygon:
            // An open polygon is not a region yet: it is never reported either.
            if (!m_polygonDrawing && m_roiPoints.size() >= 3) {
                shape.points = m_roiPoints;
            }
            break;
        default:
            break;
    }
    return shape;
}
