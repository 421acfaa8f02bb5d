// One drag step of the ROI editor: the grabbed handle follows the pointer, per shape kind.
#include <algorithm>
#include <cmath>

#include "roi/ea_angles.h"
#include "roi/roi_editor.h"
#include "roi/roi_editor_util.h"

using roi_editor_util::IsFinite;
using roi_editor_util::TruncPoint;

namespace {

cv::Point2f Trunc(const cv::Point2f& p) { return {std::trunc(p.x), std::trunc(p.y)}; }

cv::Point2f AbsDiff(const cv::Point2f& a, const cv::Point2f& b) {
    return {std::abs(a.x - b.x), std::abs(a.y - b.y)};
}

float Length(const cv::Point2f& a, const cv::Point2f& b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

// The axis-aligned rectangle spanned by the press point and the pointer.
void SpanRect(cv::Rect_<float>& r, const cv::Point2f& q, const cv::Point2f& p) {
    const cv::Point2f size = AbsDiff(p, q);
    r = {std::min(q.x, p.x), std::min(q.y, p.y), size.x, size.y};
}

void CentreOn(cv::Rect_<float>& r, const cv::Point2f& p) {
    r.x = p.x - r.width / 2;
    r.y = p.y - r.height / 2;
}

// Signed turn in degrees seen from `centre` as the pointer goes from the previous drag point to
// p (clockwise on screen is negative); remembers p as the previous point.
double TurnSinceLastPoint(ROIEditor& e, const cv::Point2f& centre, const cv::Point2f& p) {
    const double delta =
        EA::calculate3pointsAngle(Trunc(p), Trunc(centre), cv::Point2f(e.m_lastDragPoint));
    e.m_lastDragPoint = TruncPoint(p);
    return delta;
}

void DragLine(ROIEditor& e, HitHandle h, const cv::Point2f& p, const cv::Point2f& d) {
    // The ends as they were at the press; a drag that started elsewhere has no snapshot.
    const bool snapshot = e.m_roiPoints.size() >= 2;
    const cv::Point2f s = snapshot ? e.m_roiPoints[0] : e.m_leftMouseDownPoint;
    const cv::Point2f t = snapshot ? e.m_roiPoints[1] : e.m_leftMouseUpPoint;
    cv::Point2f& start = e.m_leftMouseDownPoint;
    cv::Point2f& end = e.m_leftMouseUpPoint;
    switch (h) {
        case HitHandle::LineStart:
            start = p;
            end = t;
            break;
        case HitHandle::LineEnd:
            start = s;
            end = p;
            break;
        case HitHandle::Body:
            start = s + d;
            end = t + d;
            break;
        default:
            end = p;  // a new line: the start stays at the press point
            break;
    }
    const cv::Point2f size = AbsDiff(end, start);
    e.m_roiRect.width = size.x;
    e.m_roiRect.height = size.y;
}

void DragRectangle(ROIEditor& e, HitHandle h, const cv::Point2f& p) {
    cv::Rect_<float>& r = e.m_roiRect;
    const cv::Rect_<float>& s = e.m_dragStartRect;
    // Edges are not normalised: one dragged past its opposite leaves a negative extent, which
    // reads as an empty rectangle until a new one is drawn.
    switch (h) {
        case HitHandle::Left:
            r.x = p.x;
            r.width = (s.x + s.width) - p.x;
            break;
        case HitHandle::Right:
            r.width = p.x - r.x;
            break;
        case HitHandle::Top:
            r.y = p.y;
            r.height = (s.y + s.height) - p.y;
            break;
        case HitHandle::Bottom:
            r.height = p.y - r.y;
            break;
        case HitHandle::Corner: {
            // Both edges that meet at the corner follow the pointer, by the edges' own rules.
            const int i = e.m_currentHit.vertexIndex;
            if (i == 0 || i == 3) {
                r.x = p.x;
                r.width = (s.x + s.width) - p.x;
            } else {
                r.width = p.x - r.x;
            }
            if (i == 0 || i == 1) {
                r.y = p.y;
                r.height = (s.y + s.height) - p.y;
            } else {
                r.height = p.y - r.y;
            }
            break;
        }
        case HitHandle::Body:
            CentreOn(r, p);
            break;
        default:
            SpanRect(r, e.m_leftMouseDownPoint, p);
            break;
    }
}

// Moves the grabbed corner of a rotated rectangle to p and keeps the angle: the opposite corner
// of the press stays, and the sides are the pointer's offset from it along the rectangle's
// two directions.
void DragRotatedCorner(ROIEditor& e, const cv::Point2f& p) {
    const int i = e.m_currentHit.vertexIndex;
    if (i < 0 || i > 3) {
        return;
    }
    const std::vector<cv::Point2f> start =
        ROIEditor::RotatedCorners(e.m_dragStartRect, e.m_rotateAngle);
    const cv::Point2f fixed = start[static_cast<size_t>((i + 2) % 4)];
    const double rad = std::fmod(e.m_rotateAngle, 360.0) * CV_PI / 180.0;
    const double ux = std::cos(rad), uy = std::sin(rad);
    const double dx = static_cast<double>(p.x) - fixed.x, dy = static_cast<double>(p.y) - fixed.y;
    const auto width = static_cast<float>(std::abs(dx * ux + dy * uy));
    const auto height = static_cast<float>(std::abs(-dx * uy + dy * ux));
    const cv::Point2f centre = (fixed + p) * 0.5f;
    e.m_roiRect = {centre.x - width / 2, centre.y - height / 2, width, height};
}

void DragRotation(ROIEditor& e, const cv::Point2f& p, bool snap) {
    const cv::Rect_<float>& r = e.m_roiRect;
    const cv::Point2f centre(r.x + r.width / 2, r.y + r.height / 2);
    e.m_rotateAccum = EA::normalizeAngle(e.m_rotateAccum - TurnSinceLastPoint(e, centre, p));
    e.m_rotateAngle = snap ? std::round(e.m_rotateAccum / 45.0) * 45.0 : e.m_rotateAccum;
}

// Moves the grabbed edge of a rotated rectangle through p and keeps the angle: each moving
// corner becomes the foot of the perpendicular from its opposite corner onto the moved edge.
void DragRotatedEdge(ROIEditor& e, HitHandle h, const cv::Point2f& p) {
    std::vector<cv::Point2f>& c = e.m_roiPoints;
    if (c.size() != 4) {
        return;
    }
    if (!e.m_edgeDragStarted) {
        // Moving pair, then the opposite corners paired with them; Left, Right, Top, Bottom.
        static const int kCorners[4][4] = {{0, 1, 3, 2}, {3, 2, 0, 1}, {1, 2, 0, 3}, {0, 3, 1, 2}};
        const int* chosen = kCorners[static_cast<int>(h) - static_cast<int>(HitHandle::Left)];
        std::copy(chosen, chosen + 4, e.m_edgeVertices);
        const float dx = c[chosen[1]].x - c[chosen[0]].x;
        const float dy = c[chosen[1]].y - c[chosen[0]].y;
        e.m_edgeSlope = std::abs(dx) > 1e-6f ? dy / dx : 1e6;
        e.m_edgeDragStarted = true;
    }
    const int* v = e.m_edgeVertices;
    const double angle = e.m_rotateAngle;
    if (std::abs(std::fmod(angle, 90.0)) < 1e-6) {
        // Axis-parallel edges move along one axis. Angles count by their nearest quarter turn,
        // taken modulo a full turn, so that -90 or 450 (set programmatically) or a residue below
        // the threshold still drag like 270, 90 and 0.
        const double quarter = std::fmod(std::fmod(std::round(angle / 90.0), 4.0) + 4.0, 4.0);
        const bool level = quarter == 0.0 || quarter == 2.0;
        const bool sideways = h == HitHandle::Left || h == HitHandle::Right;
        for (int i = 0; i < 2; ++i) {
            cv::Point2f& corner = c[v[i]];
            if (sideways == level) {
                corner.x = p.x;
            } else {
                corner.y = p.y;
            }
        }
    } else {
        const double m = e.m_edgeSlope;
        const double b = p.y - m * p.x;
        for (int i = 0; i < 2; ++i) {
            const cv::Point2f o = c[v[i + 2]];
            if (m == 0.0) {
                // A level edge in float: the perpendicular is vertical (k would be infinite).
                c[v[i]] = {o.x, p.y};
                continue;
            }
            const double k = -1.0 / m;
            const double x = ((o.y - k * o.x) - b) / (m - k);
            c[v[i]] = {static_cast<float>(x), static_cast<float>(m * x + b)};
        }
    }
    const cv::Point2f centre = (c[0] + c[1] + c[2] + c[3]) / 4;
    const float width = Length(c[1], c[2]);
    const float height = Length(c[0], c[1]);
    e.m_roiRect = {centre.x - width / 2, centre.y - height / 2, width, height};
}

void DragRotatedRectangle(ROIEditor& e, HitHandle h, const cv::Point2f& p, bool shift) {
    cv::Rect_<float>& r = e.m_roiRect;
    switch (h) {
        case HitHandle::Rotate:
            DragRotation(e, p, shift);
            break;
        case HitHandle::Left:
        case HitHandle::Right:
        case HitHandle::Top:
        case HitHandle::Bottom:
            DragRotatedEdge(e, h, p);
            return;
        case HitHandle::Corner:
            DragRotatedCorner(e, p);
            break;
        case HitHandle::Body:
            CentreOn(r, p);
            break;
        default:
            SpanRect(r, e.m_leftMouseDownPoint, p);
            break;
    }
    // Keep the corner list true to the drawn, turned or moved rectangle, so the corners read
    // back after the drag are the ones on screen rather than those of the press.
    e.SyncRotatedCorners(CvROIMode::RotatedRectangle);
}

void DragCircle(ROIEditor& e, HitHandle h, const cv::Point2f& p) {
    cv::Rect_<float>& r = e.m_roiRect;
    if (h == HitHandle::Body) {
        r.x = p.x;
        r.y = p.y;
    } else if (h == HitHandle::Radius) {
        const cv::Point2f v = KeptRadiusVector({Length(cv::Point2f(r.x, r.y), p), 0.0f});
        r.width = v.x;
        r.height = v.y;
    } else {
        // A new circle: the centre stays at the press point, the pointer sets the radius.
        r.x = e.m_leftMouseDownPoint.x;
        r.y = e.m_leftMouseDownPoint.y;
        // A drag straight along an axis gives a radius vector with a zero component, which
        // the radius-vector rule splits into two equal ones of the same length.
        const cv::Point2f v = KeptRadiusVector(AbsDiff(p, e.m_leftMouseDownPoint));
        r.width = v.x;
        r.height = v.y;
    }
}

void DragAnnulus(ROIEditor& e, HitHandle h, const cv::Point2f& p) {
    const cv::Point2f centre(e.m_roiRect.x, e.m_roiRect.y);
    double& s = e.m_startAngle;
    double& t = e.m_endAngle;
    switch (h) {
        case HitHandle::InnerRadius: {
            const double dx = static_cast<double>(p.x) - centre.x;
            const double dy = static_cast<double>(p.y) - centre.y;
            e.m_innerRadius = std::sqrt(dx * dx + dy * dy);
            break;
        }
        case HitHandle::StartAngle:
            // The sector never spans more than a full turn, nor turns inside out.
            s -= TurnSinceLastPoint(e, centre, p);
            if (s < 0.0 && t - s > 360.0) {
                s = t - 360.0;
            } else if (s > 0.0 && s > t) {
                s = t;
            }
            if (s > 360.0) {
                s -= 360.0;
            }
            break;
        case HitHandle::EndAngle:
            t -= TurnSinceLastPoint(e, centre, p);
            if (t - s >= 360.0) {
                t = s + 360.0;
            } else if (t < s) {
                t = s;
            }
            if (t > 360.0) {
                s -= 360.0;
                t -= 360.0;
            }
            break;
        default:
            DragCircle(e, h, p);
            break;
    }
}

void DragPolygon(ROIEditor& e, HitHandle h, const cv::Point2f& p, const cv::Point2f& d) {
    std::vector<cv::Point2f>& v = e.m_roiPoints;
    // A grabbed vertex, or the vertex that the press which started or extended the polygon added.
    if (h == HitHandle::Vertex || (e.m_polygonDrawing && e.m_activeVertex != -1)) {
        if (e.m_activeVertex >= 0 && e.m_activeVertex < static_cast<int>(v.size())) {
            v[static_cast<size_t>(e.m_activeVertex)] = p;
        }
        return;
    }
    if (h == HitHandle::Body && !e.m_polygonDrawing && !v.empty() &&
        e.m_dragStartPoints.size() == v.size()) {
        for (size_t i = 0; i < v.size(); ++i) {
            v[i] = e.m_dragStartPoints[i] + d;
        }
    }
}

}  // namespace

void ROIEditor::UpdateROIFromDrag(const EditContext& ctx, const cv::Point2f& p) {
    if (!IsFinite(p)) {
        return;
    }
    const HitHandle h = m_currentHit.handle;
    // Moving the whole shape can be switched off; reshaping it by its other handles cannot.
    if (h == HitHandle::Body && !m_moveEnable) {
        return;
    }
    m_leftMouseUpPoint = p;
    const cv::Point2f d = p - m_dragStartPoint;
    switch (ctx.mode) {
        case CvROIMode::Point:
            m_leftMouseDownPoint = p;
            break;
        case CvROIMode::Line:
            DragLine(*this, h, p, d);
            break;
        case CvROIMode::Rectangle:
            DragRectangle(*this, h, p);
            break;
        case CvROIMode::RotatedRectangle:
            DragRotatedRectangle(*this, h, p, ctx.shift);
            break;
        case CvROIMode::Circle:
            DragCircle(*this, h, p);
            break;
        case CvROIMode::Annulus:
            DragAnnulus(*this, h, p);
            break;
        case CvROIMode::Polygon:
            DragPolygon(*this, h, p, d);
            break;
        default:
            break;
    }
}
