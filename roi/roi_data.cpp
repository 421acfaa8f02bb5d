#include "roi/roi_data.h"

#include <array>
#include <cmath>

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

bool IsOrigin(const cv::Point2f& p) { return p.x == 0.0f && p.y == 0.0f; }

bool IsReset(const cv::Rect_<float>& r) {
    return r.x == 0.0f && r.y == 0.0f && r.width == 0.0f && r.height == 0.0f;
}

// StoreROI keeps a radius vector with a positive y as it is and turns any other into two
// equal components: such a vector is given as the one of its length that is kept.
cv::Point2f KeptRadiusVector(const cv::Point2f& v) {
    if (v.y > 0.0f) {
        return v;
    }
    const auto side = static_cast<float>(std::hypot(double{v.x}, double{v.y}) / kSqrt2);
    return {side, side};
}

std::string Article(const std::string& noun) {
    return (noun[0] == 'a' || noun[0] == 'e' ? "an " : "a ") + noun;
}

std::string OverlayTakes(int mode, const char* what, std::size_t count) {
    return Article(ModeName(mode)) + " overlay takes " + what + ", not " + std::to_string(count);
}

}  // namespace

ROIShapeData EditingShapeData(const ROIEditor& editor, int mode) {
    ROIShapeData data;
    data.mode = mode;
    const cv::Rect_<float>& r = editor.m_roiRect;
    const cv::Point2f corner(r.x, r.y);
    const cv::Point2f size(r.width, r.height);
    switch (static_cast<CvROIMode>(mode)) {
        case CvROIMode::Point:
            if (!IsOrigin(editor.m_leftMouseDownPoint)) {
                data.points = {editor.m_leftMouseDownPoint};
            }
            break;
        case CvROIMode::Line:
            if (!IsOrigin(editor.m_leftMouseDownPoint) || !IsOrigin(editor.m_leftMouseUpPoint)) {
                data.points = {editor.m_leftMouseDownPoint, editor.m_leftMouseUpPoint};
            }
            break;
        case CvROIMode::Rectangle:
            if (!IsReset(r)) {
                data.points = {corner, size};
            }
            break;
        case CvROIMode::RotatedRectangle:
            if (!IsReset(r)) {
                data.points = {corner, size};
                data.angle = editor.m_rotateAngle;
            }
            break;
        case CvROIMode::Circle:
            if (!IsReset(r)) {
                data.points = {corner, KeptRadiusVector(size)};
            }
            break;
        case CvROIMode::Annulus:
            if (!IsReset(r)) {
                // Carried in points, so in their precision: a second round gives the same data.
                data.points = {corner, KeptRadiusVector(size),
                               {static_cast<float>(editor.InnerRadius()), 0.0f},
                               {static_cast<float>(editor.m_startAngle),
                                static_cast<float>(editor.m_endAngle)}};
            }
            break;
        case CvROIMode::Polygon:
            // An open polygon is not a region yet: it is never reported either.
            if (!editor.m_polygonDrawing && editor.m_roiPoints.size() >= 3) {
                data.points = editor.m_roiPoints;
            }
            break;
        default:
            break;
    }
    return data;
}

RingMeasures MeasuresOf(const ROIShapeData& data) {
    RingMeasures m;
    const cv::Point2f v = KeptRadiusVector(data.points.at(1));
    m.outerRadius = std::hypot(double{v.x}, double{v.y});
    if (static_cast<CvROIMode>(data.mode) == CvROIMode::Annulus) {
        const double inner = data.points.at(2).x;
        m.innerRadius = inner > 0.0 ? inner : m.outerRadius / 2;
        m.startAngle = data.points.at(3).x;
        m.endAngle = data.points.at(3).y;
    }
    return m;
}

std::string ModeName(int mode) {
    static const std::array<const char*, 11> kNames = {
        "none",   "point",   "line",    "rectangle",  "rotated rectangle", "circle",
        "annulus", "polygon", "arrow line", "ellipse", "mask"};
    return mode >= 0 && mode < static_cast<int>(kNames.size()) ? kNames[mode]
                                                                : "mode " + std::to_string(mode);
}

bool IsEditingMode(int mode) { return mode >= 0 && mode <= 7; }

bool IsShapeOverlayMode(int mode) { return mode >= 0 && mode <= 9; }

std::string EditingPointCountError(int mode, std::size_t count) {
    static const std::array<std::size_t, 8> kCount = {0, 1, 2, 2, 2, 2, 4, 3};
    if (!IsEditingMode(mode) || count == 0) {
        return {};
    }
    const auto m = static_cast<CvROIMode>(mode);
    const std::size_t want = kCount[static_cast<std::size_t>(mode)];
    if (m == CvROIMode::Polygon ? count >= want : count == want) {
        return {};
    }
    if (m == CvROIMode::None) {
        return "mode 0 (no shape) takes no points, not " + std::to_string(count);
    }
    const std::string what =
        m == CvROIMode::Polygon ? "at least 3 points" : std::to_string(want) + " points";
    return Article(ModeName(mode)) + " takes " + what + " (or none for no shape), not " +
           std::to_string(count);
}

std::string OverlayPointCountError(int mode, std::size_t count) {
    const auto need = [&](bool fits, const char* what) {
        return fits ? std::string() : OverlayTakes(mode, what, count);
    };
    switch (static_cast<CvROIMode>(mode)) {
        case CvROIMode::Point:
            return need(count >= 1, "at least 1 point");
        case CvROIMode::Line:
        case CvROIMode::Rectangle:
        case CvROIMode::Circle:
        case CvROIMode::ArrowLine:
            return need(count >= 2 && count % 2 == 0, "pairs of points (2, 4, ...)");
        case CvROIMode::RotatedRectangle:
            return need(count == 2 || (count >= 3 && count % 3 == 0),
                        "2 points, or triples of points (3, 6, ...)");
        case CvROIMode::Annulus:
            return need(count >= 4 && count % 4 == 0, "groups of 4 points (4, 8, ...)");
        case CvROIMode::Polygon:
            return need(count >= 3, "at least 3 points");
        case CvROIMode::Ellipse:
            return need(count >= 3 && count % 3 == 0, "triples of points (3, 6, ...)");
        default:
            return {};  // a mode without a layout draws nothing, whatever it holds
    }
}
