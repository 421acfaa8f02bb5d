// The ROI being edited, drawn in lime over the buffer with its handles: a centre mark for
// moving, red and blue rotation handles, the radius handle, polygon vertices and rubber band.
// Lines grow with the zoom when zoomed in and never get thinner than one pixel.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

#include "panels/roi_layers.h"
#include "panels/roi_layers_util.h"
#include "roi/draw_primitives.h"
#include "roi/draw_safety.h"
#include "roi/named_colors.h"

namespace roi_layers {

namespace {

using detail::Inside;
using detail::ToBuffer;
using detail::Trunc;
namespace colors = cv_Color_Defines;

constexpr int kMarkSize = 10;
constexpr int kHeadLength = 15;
constexpr int kHeadAngle = 20;

struct Pen {
    cv::Mat& buffer;
    const Viewport& vp;
    double zoom;
    int thickness;

    cv::Point2f B(const cv::Point2f& p) const { return ToBuffer(vp, p); }

    void Line(const cv::Point2f& a, const cv::Point2f& b) const {
        roi_draw::Line(buffer, Trunc(a), Trunc(b), colors::lime, thickness, cv::LINE_8);
    }
    // The plus sign that marks where the shape is grabbed to move it; only when it is in view.
    void CentreMark(const cv::Point2f& c) const {
        if (Inside(buffer, c)) {
            ID::drawReularCrossLine(buffer, cv::Point(static_cast<int>(c.x), static_cast<int>(c.y)),
                                    colors::lime, thickness, kMarkSize);
        }
    }
    void Dot(const cv::Point2f& c, double radius, const cv::Scalar& colour) const {
        roi_draw::Circle(buffer, Trunc(c), radius, colour, cv::FILLED, cv::LINE_8);
    }
    void Ring(const cv::Point2f& c, double radius, const cv::Scalar& colour, int t) const {
        roi_draw::Circle(buffer, Trunc(c), radius, colour, t, cv::LINE_8);
    }
};

cv::Point2f Mid(const cv::Point2f& a, const cv::Point2f& b) { return (a + b) * 0.5f; }

bool HasArea(const ROIEditor& roi) { return roi.m_roiRect.width > 0 && roi.m_roiRect.height > 0; }

void DrawLine(const Pen& pen, const ROIEditor& roi) {
    if (roi.m_leftMouseDownPoint == roi.m_leftMouseUpPoint) return;
    const cv::Point2f a = pen.B(roi.m_leftMouseDownPoint);
    const cv::Point2f b = pen.B(roi.m_leftMouseUpPoint);
    pen.Line(a, b);
    roi_draw::ArrowBarbs(pen.buffer, Trunc(a), Trunc(b), kHeadLength, kHeadAngle, colors::lime,
                         pen.thickness, cv::LINE_8);
    pen.CentreMark(Mid(a, b));
}

void DrawRectangle(const Pen& pen, const ROIEditor& roi) {
    if (!HasArea(roi)) return;
    const cv::Point2d tl = Trunc(pen.B(roi.m_roiRect.tl()));
    const double w = std::trunc(roi.m_roiRect.width * pen.zoom);
    const double h = std::trunc(roi.m_roiRect.height * pen.zoom);
    if (!(w > 0.0) || !(h > 0.0)) return;
    // The outline covers the pixels x .. x + w - 1 and y .. y + h - 1, as cv::rectangle does.
    const cv::Point2d corners[4] = {
        tl, {tl.x + w - 1, tl.y}, {tl.x + w - 1, tl.y + h - 1}, {tl.x, tl.y + h - 1}};
    for (int i = 0; i < 4; ++i) {
        roi_draw::Line(pen.buffer, corners[i], corners[(i + 1) % 4], colors::lime, pen.thickness,
                       cv::LINE_8);
    }
    pen.CentreMark({static_cast<float>(tl.x + w / 2), static_cast<float>(tl.y + h / 2)});
}

void DrawRotatedRectangle(const Pen& pen, const ROIEditor& roi) {
    if (!HasArea(roi)) return;
    cv::Point2f corners[4];
    if (roi.m_edgeDragStarted && roi.m_roiPoints.size() >= 4) {
        // During an edge drag the corners are the dragged ones, not a fresh rectangle.
        std::copy_n(roi.m_roiPoints.begin(), 4, corners);
    } else {
        const std::vector<cv::Point2f> fresh =
            ROIEditor::RotatedCorners(roi.m_roiRect, roi.m_rotateAngle);
        std::copy_n(fresh.begin(), 4, corners);
    }
    cv::Point2f m[4];
    for (int i = 0; i < 4; ++i) m[i] = pen.B(corners[i]);
    for (int i = 0; i < 4; ++i) pen.Line(m[i], m[(i + 1) % 4]);
    pen.CentreMark(Mid(m[0], m[2]));
    // Rotation handles: red on edge 1-2, blue on edge 0-1, each with a black ring.
    pen.Dot(Mid(m[1], m[2]), 5, colors::red);
    pen.Ring(Mid(m[1], m[2]), 6, colors::black, 1);
    pen.Dot(Mid(m[0], m[1]), 5, colors::blue);
    pen.Ring(Mid(m[0], m[1]), 6, colors::black, 1);
}

void DrawCircle(const Pen& pen, const ROIEditor& roi) {
    if (!HasArea(roi)) return;
    const cv::Point2f c = pen.B(roi.m_roiRect.tl());
    pen.Ring(c, std::trunc(pen.zoom * roi.OuterRadius()), colors::lime, pen.thickness);
    pen.CentreMark(c);
    if (roi.m_currentHit.handle == HitHandle::Radius) {
        pen.Dot(pen.B(roi.m_leftMouseUpPoint), 5, colors::red);
    }
}

void DrawAnnulus(const Pen& pen, const ROIEditor& roi) {
    if (!HasArea(roi)) return;
    const cv::Point2f c = pen.B(roi.m_roiRect.tl());
    if (!std::isfinite(c.x) || !std::isfinite(c.y)) return;
    const double outer = pen.zoom * roi.OuterRadius();
    const double inner = pen.zoom * roi.InnerRadius();
    const double start = roi.m_startAngle, end = roi.m_endAngle;
    for (const double radius : {outer, inner}) {
        roi_draw::EllipseArc(pen.buffer, Trunc(c), std::trunc(radius), std::trunc(radius), start,
                             end, colors::lime, pen.thickness, cv::LINE_8);
    }
    // EA::pointOnCircle, kept in double so that far-off corners cannot wrap around an int.
    const auto onCircle = [&c](double radius, double deg) {
        const double theta = deg * CV_PI / 180.0;
        return cv::Point2d(std::trunc(c.x + radius * std::cos(theta)),
                           std::trunc(c.y + radius * std::sin(theta)));
    };
    const cv::Point2d outerStart = onCircle(outer, start), innerStart = onCircle(inner, start);
    const cv::Point2d outerEnd = onCircle(outer, end), innerEnd = onCircle(inner, end);
    const cv::Scalar& lime = colors::lime;
    roi_draw::Line(pen.buffer, outerStart, innerStart, lime, pen.thickness, cv::LINE_8);
    roi_draw::Line(pen.buffer, outerEnd, innerEnd, lime, pen.thickness, cv::LINE_8);
    for (const cv::Point2d& p : {outerStart, innerStart, outerEnd, innerEnd}) {
        roi_draw::Circle(pen.buffer, p, 3, lime, pen.thickness, cv::LINE_8);
    }
    // The angle handles, where the hit test finds them: half-way along each radial edge, red
    // for the start and blue for the end (the start on top where they meet).
    const auto mid = [](const cv::Point2d& a, const cv::Point2d& b) {
        return cv::Point2f(static_cast<float>((a.x + b.x) / 2),
                           static_cast<float>((a.y + b.y) / 2));
    };
    pen.Dot(mid(outerEnd, innerEnd), 5, colors::blue);
    pen.Ring(mid(outerEnd, innerEnd), 6, colors::black, 1);
    pen.Dot(mid(outerStart, innerStart), 5, colors::red);
    pen.Ring(mid(outerStart, innerStart), 6, colors::black, 1);
    pen.CentreMark(c);
}

bool IntGeometry(const std::vector<cv::Point2f>& v) {
    return std::all_of(v.begin(), v.end(), [](const cv::Point2f& p) {
        return std::abs(p.x) <= roi_draw::kMaxCoord && std::abs(p.y) <= roi_draw::kMaxCoord;
    });
}

void DrawPolygon(const Pen& pen, const ROIEditor& roi) {
    if (roi.m_roiPoints.empty()) return;
    std::vector<cv::Point2f> v = pen.vp.OriginalToView(roi.m_roiPoints);
    const cv::Point2f offset = pen.vp.GetCenteringOffset();
    for (cv::Point2f& p : v) p -= offset;
    for (size_t i = 1; i < v.size(); ++i) pen.Line(v[i - 1], v[i]);
    if (!roi.m_polygonDrawing && v.size() > 2) {
        pen.Line(v.back(), v.front());
        // The move handle sits at the centre of the vertices' bounding box (NaN and far-off
        // vertices have none).
        if (IntGeometry(v)) {
            const cv::Rect box = cv::boundingRect(v);
            const cv::Point2f centre(static_cast<float>(box.x + box.width / 2),
                                     static_cast<float>(box.y + box.height / 2));
            pen.CentreMark(centre);
            if (roi.m_currentHit.handle == HitHandle::Body) pen.Dot(centre, 5, colors::red);
        }
    }
    const cv::Point2f& hover = roi.m_polygonHoverPoint;
    if (roi.m_polygonDrawing && hover.x >= 0 && hover.y >= 0) {
        pen.Line(v.back(), pen.B(hover));  // rubber band to the pointer
    }
    for (const cv::Point2f& p : v) pen.Dot(p, 3, colors::lime);
    if (roi.m_activeVertex >= 0 && static_cast<size_t>(roi.m_activeVertex) < v.size()) {
        pen.Ring(v[roi.m_activeVertex], 5, colors::lime, pen.thickness);
    }
}

}  // namespace

void DrawEditingROI(cv::Mat& buffer, const Viewport& vp, CvROIMode mode, const ROIEditor& roi) {
    if (!roi.m_cropEnable || mode == CvROIMode::None || !detail::CanDraw(buffer, vp)) return;
    const double zoom = detail::Zoom(vp);
    const int thickness = static_cast<int>(
        std::min(std::trunc(std::max(zoom, 1.0)), static_cast<double>(roi_draw::kMaxThickness)));
    const Pen pen{buffer, vp, zoom, thickness};
    try {
        switch (mode) {
            case CvROIMode::Point:
                pen.CentreMark(pen.B(roi.m_leftMouseDownPoint));
                break;
            case CvROIMode::Line:
                DrawLine(pen, roi);
                break;
            case CvROIMode::Rectangle:
                DrawRectangle(pen, roi);
                break;
            case CvROIMode::RotatedRectangle:
                DrawRotatedRectangle(pen, roi);
                break;
            case CvROIMode::Circle:
                DrawCircle(pen, roi);
                break;
            case CvROIMode::Annulus:
                DrawAnnulus(pen, roi);
                break;
            case CvROIMode::Polygon:
                DrawPolygon(pen, roi);
                break;
            default:
                break;  // not an editing shape
        }
    } catch (const cv::Exception&) {
        // A buffer type OpenCV cannot draw on: the editing ROI is left out of this paint.
    }
}

}  // namespace roi_layers
