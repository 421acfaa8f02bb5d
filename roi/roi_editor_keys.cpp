// The keyboard side of the ROI editor: the arrow keys move the shape, Delete empties it.
#include <algorithm>
#include <cmath>

#include "roi/roi_editor.h"
#include "roi/roi_editor_util.h"

using roi_editor_util::IsFinite;

namespace {

// The part of a step `d` along one axis that keeps the centre `c` within [lo, hi]; a centre
// already beyond a bound may come back but not go farther.
float Limit(float c, float d, float lo, float hi) {
    if (d > 0.0f) {
        return c >= hi ? 0.0f : std::min(d, hi - c);
    }
    if (d < 0.0f) {
        return c <= lo ? 0.0f : std::max(d, lo - c);
    }
    return 0.0f;
}

}  // namespace

bool ROIEditor::KeyMayEdit(const EditContext& ctx) const {
    return m_cropEnable && !m_lockROI && !m_leftDown && ctx.imageSize.width > 0 &&
           ctx.imageSize.height > 0 && !Snapshot(ctx.mode).IsEmpty();
}

cv::Point2f ROIEditor::MoveCentre(CvROIMode mode) const {
    const cv::Rect_<float>& r = m_roiRect;
    switch (mode) {
        case CvROIMode::Point:
            return m_leftMouseDownPoint;
        case CvROIMode::Line:
            return (m_leftMouseDownPoint + m_leftMouseUpPoint) * 0.5f;
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
            return {r.x + r.width / 2, r.y + r.height / 2};
        case CvROIMode::Polygon: {
            const auto [minX, maxX] = std::minmax_element(
                m_roiPoints.begin(), m_roiPoints.end(),
                [](const cv::Point2f& a, const cv::Point2f& b) { return a.x < b.x; });
            const auto [minY, maxY] = std::minmax_element(
                m_roiPoints.begin(), m_roiPoints.end(),
                [](const cv::Point2f& a, const cv::Point2f& b) { return a.y < b.y; });
            return {(minX->x + maxX->x) / 2, (minY->y + maxY->y) / 2};
        }
        default:  // circle and annulus: the centre is the rectangle's corner
            return {r.x, r.y};
    }
}

EditOutcome ROIEditor::MoveBy(const EditContext& ctx, const cv::Point2f& d) {
    EditOutcome out;
    if (!IsFinite(d) || !KeyMayEdit(ctx) || !m_moveEnable ||
        (ctx.mode == CvROIMode::Polygon && m_polygonDrawing)) {
        return out;
    }
    out.handled = true;  // the key is the shape's, even where the border stops it
    const cv::Point2f c = MoveCentre(ctx.mode);
    const cv::Point2f step(
        Limit(c.x, d.x, 0.0f, static_cast<float>(ctx.imageSize.width - 1)),
        Limit(c.y, d.y, 0.0f, static_cast<float>(ctx.imageSize.height - 1)));
    if (step.x == 0.0f && step.y == 0.0f) {
        return out;
    }
    const ROISnapshot before = Snapshot(ctx.mode);
    // Every position the shape keeps moves, whichever of them the mode reads.
    m_roiRect.x += step.x;
    m_roiRect.y += step.y;
    m_leftMouseDownPoint += step;
    m_leftMouseUpPoint += step;
    for (cv::Point2f& p : m_roiPoints) {
        p += step;
    }
    (void)RecordStep(before, Snapshot(ctx.mode));
    out.repaint = true;
    out.cropEvents = FinalizeCount(ctx.mode);
    return out;
}

EditOutcome ROIEditor::DeleteShape(const EditContext& ctx) {
    EditOutcome out;
    if (!KeyMayEdit(ctx)) {
        return out;
    }
    const ROISnapshot before = Snapshot(ctx.mode);
    SetROIParamDefault();
    (void)RecordStep(before, Snapshot(ctx.mode));
    out.handled = true;
    out.repaint = true;
    out.cropEvents = FinalizeCount(ctx.mode);
    return out;
}
