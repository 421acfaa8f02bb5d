// MovraROIAdvPanel: the programmatic side of the editing ROI (reading it back, setting and
// clearing it) and the crop event that reports it. The rules themselves are ROIEditor's.
#include <wx/time.h>

#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"

namespace {

CvROIMode ModeOf(int roiMode) { return static_cast<CvROIMode>(roiMode); }

}  // namespace

void MovraROIAdvPanel::SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable) {
    StoreFuncEnable(menuEnable, cropEnable, moveEnable);
}

void MovraROIAdvPanel::GetRect(cv::Rect& rect) { rect = CropRect(ModeOf(m_roiMode)); }

void MovraROIAdvPanel::SetRect(const cv::Rect& rect) {
    StoreRect(rect);
    Refresh();
}

cv::Point2f MovraROIAdvPanel::GetLeftMouseDownPoint() { return m_leftMouseDownPoint; }

cv::Point2f MovraROIAdvPanel::GetLeftMouseUpPoint() { return m_leftMouseUpPoint; }

double MovraROIAdvPanel::GetStartAngle() { return m_startAngle; }

double MovraROIAdvPanel::GetEndAngle() { return m_endAngle; }

double MovraROIAdvPanel::GetRotateAngle() { return m_rotateAngle; }

double MovraROIAdvPanel::GetInnerRadius() const { return InnerRadius(); }

double MovraROIAdvPanel::GetOuterRadius() const { return OuterRadius(); }

void MovraROIAdvPanel::GetPolygonPoints(std::vector<cv::Point2f>& points) const {
    points = m_roiPoints;
}

void MovraROIAdvPanel::GetRotatedRectEdges(cv::Point2f& e1, cv::Point2f& e2, cv::Point2f& e3,
                                           cv::Point2f& e4) {
    (void)RotatedRectEdges(ModeOf(m_roiMode), e1, e2, e3, e4);
}

void MovraROIAdvPanel::SetStatusTextCtrl(wxTextCtrl* ctrl) { m_statusTextCtrl = ctrl; }

void MovraROIAdvPanel::HideROI() { ClearROIState(); }

void MovraROIAdvPanel::ClearROIState() {
    SetROIParamDefault();
    Refresh();
}

void MovraROIAdvPanel::SetLockROI(bool lock) { m_lockROI = lock; }

void MovraROIAdvPanel::SetROI(const cvROI& roi, bool refresh) {
    m_roiMode = static_cast<int>(roi.mode);
    StoreROI(roi);
    if (refresh) {
        Refresh();
    }
}

void MovraROIAdvPanel::SetROIMode(CvROIMode mode) {
    if (static_cast<int>(mode) == m_roiMode) {
        return;
    }
    SetROIParamDefault();
    Refresh();
    m_roiMode = static_cast<int>(mode);
}

HitResult MovraROIAdvPanel::HitTestCurrentROI(const cv::Point2f& p) const {
    EditContext ctx;
    ctx.mode = ModeOf(m_roiMode);
    ctx.scale = m_scale;
    ctx.imageSize = m_matBitmap.size();
    return HitTestCurrentROI(ctx, p);
}

void MovraROIAdvPanel::UpdateROIFromDrag(const cv::Point2f& p) {
    EditContext ctx;
    ctx.mode = ModeOf(m_roiMode);
    ctx.scale = m_scale;
    ctx.imageSize = m_matBitmap.size();
    ctx.shift = wxGetKeyState(WXK_SHIFT);
    UpdateROIFromDrag(ctx, p);
}

HitResult MovraROIAdvPanel::HitTestStoredROIs(const cv::Point2f& /*p*/) const { return kNoHit; }

void MovraROIAdvPanel::FinalizeCurrentROI() {
    // An open polygon is not a region yet.
    if (ModeOf(m_roiMode) == CvROIMode::Polygon && m_polygonDrawing) {
        return;
    }
    CropEvent event(MOVRAPanel_EVT_CROP_CHANGE, GetId());
    event.m_cropRect = cv::Rect(0, 0, 0, 0);
    GetRect(event.m_cropRect);
    GetEventHandler()->ProcessEvent(event);
}

void MovraROIAdvPanel::NoteROIChanging() {
    if (m_onROIChanging) {
        m_roiChangePending = true;
    }
}

void MovraROIAdvPanel::ScheduleROIChanging() {
    // Not from inside the paint: the host's code may repaint, resize or destroy the panel.
    // One queued call serves every change painted before it runs, so a slow host gets fewer
    // calls, never a backlog.
    if (m_roiChangePending && !m_roiChangeQueued) {
        m_roiChangeQueued = true;
        CallAfter(&MovraROIAdvPanel::DeliverROIChanging);
    }
}

void MovraROIAdvPanel::DeliverROIChanging() {
    m_roiChangeQueued = false;
    if (!m_roiChangePending || !m_onROIChanging) {
        return;
    }
    m_roiChangePending = false;
    // The callback may destroy the panel: nothing of it is touched afterwards.
    m_onROIChanging(CropRect(ModeOf(m_roiMode)));
}

std::int64_t MovraROIAdvPanel::NowMs() const { return wxGetLocalTimeMillis().GetValue(); }
