// The event side of the ROI editor: press, motion, release and double click, and the hit test
// that decides what a press grabs.
#include "roi/roi_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "roi/roi_editor_util.h"

using roi_editor_util::IsFinite;
using roi_editor_util::TruncPoint;

namespace {

// A polygon closes on a second press this soon after, and this near to, the previous one.
constexpr std::int64_t kQuickPressMs = 1500;
constexpr float kQuickPressDistance = 5.0f;

bool InsideImage(const cv::Size& size, const cv::Point2f& p) {
    return size.width > 0 && size.height > 0 && p.x >= 0.0f && p.y >= 0.0f &&
           p.x < static_cast<float>(size.width) && p.y < static_cast<float>(size.height);
}

// Ten screen pixels in image pixels. The zoom is kept within the viewport's range so that a
// context built from a stale or unset scale cannot make the tolerance infinite or NaN.
float Tolerance(double scale) {
    const double s = std::isnan(scale) ? 20.0 : std::clamp(scale, 0.1, 20.0);
    return static_cast<float>(10.0 / s);
}

// now - last < kQuickPressMs without overflowing on arbitrary clock values; a clock that went
// back counts as quick, as the plain difference would.
bool WithinQuickPress(std::int64_t now, std::int64_t last) {
    if (now < last) {
        return true;
    }
    return static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(last) <
           static_cast<std::uint64_t>(kQuickPressMs);
}

}  // namespace

float ROIEditor::HitTolerance(double scale) { return Tolerance(scale); }

void ROIEditor::SetROIParamDefault() {
    m_roiRect = {0.f, 0.f, 0.f, 0.f};
    m_leftMouseDownPoint = {0.f, 0.f};
    m_leftMouseUpPoint = {0.f, 0.f};
    m_innerRadius = -1.0;
    m_startAngle = 0.0;
    m_endAngle = 360.0;
    m_rotateAngle = 0.0;
    m_rotateAccum = 0.0;
    m_roiPoints.clear();
    m_polygonHoverPoint = {-1.f, -1.f};
    m_activeVertex = -1;
    m_edgeDragStarted = false;
    m_currentHit = kNoHit;
    m_leftDown = false;
}

void ROIEditor::StoreFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable) {
    m_menuEnable = menuEnable;
    m_cropEnable = cropEnable;
    m_moveEnable = moveEnable;
    if (!cropEnable) {
        SetROIParamDefault();
    }
}

HitResult ROIEditor::HitTestCurrentROI(const EditContext& ctx, const cv::Point2f& p) const {
    if (!m_cropEnable || ctx.mode == CvROIMode::None) {
        return kNoHit;
    }
    const float tol = Tolerance(ctx.scale);
    const cv::Rect_<float>& r = m_roiRect;
    const bool sized = r.width > 0.0f && r.height > 0.0f;
    const cv::Point2f topLeft(r.x, r.y);
    switch (ctx.mode) {
        case CvROIMode::Point:
            return ROIHitTest::TestPoint(p, m_leftMouseDownPoint, tol);
        case CvROIMode::Line:
            return ROIHitTest::TestLine(p, m_leftMouseDownPoint, m_leftMouseUpPoint, tol);
        case CvROIMode::Rectangle:
            return sized ? ROIHitTest::TestRectangle(p, r, tol) : kNoHit;
        case CvROIMode::RotatedRectangle: {
            if (!sized) {
                return kNoHit;
            }
            const cv::Point2f centre(r.x + r.width / 2, r.y + r.height / 2);
            return ROIHitTest::TestRotatedRectangle(p, RotatedCorners(r, m_rotateAngle), centre,
                                                    static_cast<float>(m_rotateAngle), tol);
        }
        case CvROIMode::Circle:
            return sized ? ROIHitTest::TestCircle(p, topLeft, static_cast<float>(OuterRadius()),
                                                  tol)
                         : kNoHit;
        case CvROIMode::Annulus: {
            if (!sized) {
                return kNoHit;
            }
            return ROIHitTest::TestAnnulus(p, topLeft, static_cast<float>(InnerRadius()),
                                           static_cast<float>(OuterRadius()),
                                           static_cast<float>(m_startAngle),
                                           static_cast<float>(m_endAngle), tol);
        }
        case CvROIMode::Polygon:
            // An open polygon is grabbed by its vertices only, never as a whole.
            return m_roiPoints.empty()
                       ? kNoHit
                       : ROIHitTest::TestPolygon(p, m_roiPoints, tol, m_polygonDrawing);
        default:
            return kNoHit;
    }
}

EditOutcome ROIEditor::Press(const EditContext& ctx, const cv::Point2f& p) {
    EditOutcome out;
    if (!m_cropEnable || m_lockROI || !IsFinite(p) || !InsideImage(ctx.imageSize, p)) {
        return out;
    }
    m_pressSnapshot = Snapshot(ctx.mode);
    const HitResult hit = HitTestCurrentROI(ctx, p);
    m_currentHit = hit;
    m_leftDown = true;
    m_dragStartPoint = p;
    m_lastDragPoint = TruncPoint(p);
    out.handled = true;
    out.repaint = true;

    if (ctx.mode != CvROIMode::Polygon) {
        if (!hit.IsHit()) {
            // Nothing grabbed: a new shape starts at the press point.
            m_rotateAccum = 0.0;
            m_endAngle = 360.0;
            m_rotateAngle = 0.0;
            m_innerRadius = -1.0;
            m_startAngle = 0.0;
            m_roiRect = {0.f, 0.f, 0.f, 0.f};
            m_leftMouseDownPoint = p;
            m_leftMouseUpPoint = p;
        }
        m_dragStartRect = m_roiRect;
        SyncRotatedCorners(ctx.mode);
        if (ctx.mode == CvROIMode::Line) {
            // The ends as they were, for a drag that moves one end or the whole line.
            m_roiPoints = {m_leftMouseDownPoint, m_leftMouseUpPoint};
        }
        return out;
    }

    if (!m_polygonDrawing) {
        if (!hit.IsHit()) {
            m_roiPoints = {p};
            m_polygonDrawing = true;
            m_activeVertex = 0;
            m_lastClickTime = ctx.nowMs;
            m_lastClickPoint = p;
        } else if (hit.handle == HitHandle::Body) {
            m_activeVertex = -1;
            m_dragStartPoints = m_roiPoints;
        } else if (hit.handle == HitHandle::Vertex) {
            m_activeVertex = hit.vertexIndex;
        }
        return out;
    }

    const double dx = static_cast<double>(p.x) - m_lastClickPoint.x;
    const double dy = static_cast<double>(p.y) - m_lastClickPoint.y;
    const bool quick = m_lastClickTime >= 1 && WithinQuickPress(ctx.nowMs, m_lastClickTime) &&
                       static_cast<float>(std::sqrt(dx * dx + dy * dy)) < kQuickPressDistance;
    if (quick) {
        // A quick second press only ever closes; it never adds a vertex beside the last one.
        if (m_roiPoints.size() >= 3) {
            out.cropEvents = ClosePolygon();
            CommitReportedPress(ctx.mode);
        }
    } else if (hit.handle == HitHandle::Vertex && hit.vertexIndex == 0 &&
               m_roiPoints.size() >= 3) {
        out.cropEvents = ClosePolygon();
        CommitReportedPress(ctx.mode);
    } else {
        m_roiPoints.push_back(p);
        m_activeVertex = static_cast<int>(m_roiPoints.size()) - 1;
        m_lastClickTime = ctx.nowMs;
        m_lastClickPoint = p;
    }
    return out;
}

EditOutcome ROIEditor::Motion(const EditContext& ctx, const cv::Point2f& p) {
    EditOutcome out;
    if (!IsFinite(p) || !InsideImage(ctx.imageSize, p)) {
        return out;
    }
    if (m_cropEnable && ctx.mode == CvROIMode::Polygon && !m_roiPoints.empty()) {
        // The rubber band shows where the next vertex would go; a locked ROI gets none.
        if (m_polygonDrawing && m_activeVertex == -1 && !m_lockROI) {
            m_polygonHoverPoint = p;
            out.repaint = true;
        } else if (m_polygonHoverPoint.x != -1.0f) {
            m_polygonHoverPoint = {-1.f, -1.f};
            out.repaint = true;
        }
    }
    if (m_leftDown) {
        if (!m_cropEnable) {
            return out;
        }
        // A lock taken during a drag freezes the shape from then on.
        if (!m_lockROI) {
            if (ctx.mode == CvROIMode::Polygon && m_currentHit.handle != HitHandle::Body) {
                if (m_activeVertex >= 0 &&
                    m_activeVertex < static_cast<int>(m_roiPoints.size())) {
                    m_roiPoints[static_cast<size_t>(m_activeVertex)] = p;
                } else {
                    m_polygonHoverPoint = p;
                }
            } else {
                UpdateROIFromDrag(ctx, p);
            }
            out.shapeChanged = FinalizeCount(ctx.mode) > 0;
        }
        out.repaint = true;
        return out;
    }
    if (!m_cropEnable) {
        return out;
    }
    m_currentHit = m_lockROI ? kNoHit : HitTestCurrentROI(ctx, p);
    out.cursor = m_currentHit.IsHit() ? EditCursor::Hand : EditCursor::Cross;
    return out;
}

EditOutcome ROIEditor::Release(const EditContext& ctx) {
    EditOutcome out;
    if (!m_leftDown) {
        return out;
    }
    m_leftDown = false;
    m_activeVertex = -1;
    m_edgeDragStarted = false;
    // The whole press-drag-release is one step, however many motions it had.
    (void)RecordStep(m_pressSnapshot, Snapshot(ctx.mode));
    out.handled = true;
    out.repaint = true;
    out.cropEvents = FinalizeCount(ctx.mode);
    return out;
}

EditOutcome ROIEditor::DoubleClick(const EditContext& ctx, const cv::Point2f& p) {
    EditOutcome out;
    if (!IsFinite(p)) {
        return out;
    }
    if (m_cropEnable && !m_lockROI && ctx.mode == CvROIMode::Polygon && m_polygonDrawing &&
        m_roiPoints.size() >= 3) {
        // Between a press and its release (as GTK orders a double click) the close joins the
        // press's step; otherwise it is a step of its own.
        const ROISnapshot before = BeginEdit(ctx.mode);
        out.cropEvents = ClosePolygon();
        out.repaint = true;
        (void)EndEdit(before, ctx.mode);
    }
    return out;
}

int ROIEditor::ClosePolygon() {
    m_polygonDrawing = false;
    m_polygonHoverPoint = {-1.f, -1.f};
    return FinalizeCount(CvROIMode::Polygon);
}

int ROIEditor::FinalizeCount(CvROIMode mode) const {
    // An open polygon is never reported.
    return mode == CvROIMode::Polygon && m_polygonDrawing ? 0 : 1;
}
