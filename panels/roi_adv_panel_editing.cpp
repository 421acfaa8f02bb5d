// MovraROIAdvPanel: the programmatic side of the editing ROI (reading it back, setting and
// clearing it) and the crop event that reports it. The rules themselves are ROIEditor's.
#include <wx/time.h>

#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"

// Every programmatic change of the shape is an undo step like a mouse edit, so that the user
// can take back what the host did as well (a host that empties the ROI, a tool change).

void MovraROIAdvPanel::SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable) {
    // The editing ROI empties without crop editing; a selected ROI of the set keeps its shape
    // and is let go instead.
    if (!cropEnable) {
        SelectQuietly(-1);
    }
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    m_editor.StoreFuncEnable(menuEnable, cropEnable, moveEnable);
    (void)m_editor.EndEdit(before, RoiMode());
    CommitEdits();
    FlushSetChanges();
}

void MovraROIAdvPanel::GetRect(cv::Rect& rect) { rect = m_editor.CropRect(RoiMode()); }

void MovraROIAdvPanel::SetRect(const cv::Rect& rect) {
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    m_editor.StoreRect(RoiMode(), rect);
    (void)m_editor.EndEdit(before, RoiMode());
    CommitEdits();
    Refresh();
    FlushSetChanges();
}

cv::Point2f MovraROIAdvPanel::GetLeftMouseDownPoint() { return m_editor.m_leftMouseDownPoint; }

cv::Point2f MovraROIAdvPanel::GetLeftMouseUpPoint() { return m_editor.m_leftMouseUpPoint; }

double MovraROIAdvPanel::GetStartAngle() { return m_editor.m_startAngle; }

double MovraROIAdvPanel::GetEndAngle() { return m_editor.m_endAngle; }

double MovraROIAdvPanel::GetRotateAngle() { return m_editor.m_rotateAngle; }

double MovraROIAdvPanel::GetInnerRadius() const { return m_editor.InnerRadius(); }

double MovraROIAdvPanel::GetOuterRadius() const { return m_editor.OuterRadius(); }

void MovraROIAdvPanel::GetPolygonPoints(std::vector<cv::Point2f>& points) const {
    points = m_editor.m_roiPoints;
}

void MovraROIAdvPanel::GetRotatedRectEdges(cv::Point2f& e1, cv::Point2f& e2, cv::Point2f& e3,
                                           cv::Point2f& e4) {
    (void)m_editor.RotatedRectEdges(RoiMode(), e1, e2, e3, e4);
}

void MovraROIAdvPanel::SetStatusTextCtrl(wxTextCtrl* ctrl) { m_statusTextCtrl = ctrl; }

void MovraROIAdvPanel::HideROI() { ClearROIState(); }

void MovraROIAdvPanel::ClearROIState() {
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    m_editor.SetROIParamDefault();
    (void)m_editor.EndEdit(before, RoiMode());
    CommitEdits();
    Refresh();
    FlushSetChanges();
}

void MovraROIAdvPanel::SetLockROI(bool lock) { m_editor.m_lockROI = lock; }

void MovraROIAdvPanel::SetROI(const cvROI& roi, bool refresh) {
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    m_roiMode = static_cast<int>(roi.mode);
    m_editor.StoreROI(roi);
    (void)m_editor.EndEdit(before, roi.mode);
    CommitEdits();
    if (refresh) {
        Refresh();
    }
    FlushSetChanges();
}

void MovraROIAdvPanel::SetROIMode(CvROIMode mode) {
    if (static_cast<int>(mode) == m_roiMode) {
        return;
    }
    // With several ROIs the mode is the tool for the next one: the selected ROI is let go
    // rather than emptied.
    if (m_multiROI) {
        SelectQuietly(-1);
    }
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    m_editor.SetROIParamDefault();
    Refresh();
    m_roiMode = static_cast<int>(mode);
    // A shape that the new mode empties is a step; an empty ROI changing mode is none.
    (void)m_editor.EndEdit(before, mode);
    CommitEdits();
    FlushSetChanges();
}

HitResult MovraROIAdvPanel::HitTestCurrentROI(const cv::Point2f& p) const {
    return m_editor.HitTestCurrentROI(BaseEditContext(), p);
}

void MovraROIAdvPanel::UpdateROIFromDrag(const cv::Point2f& p) {
    EditContext ctx = BaseEditContext();
    ctx.shift = wxGetKeyState(WXK_SHIFT);
    m_editor.UpdateROIFromDrag(ctx, p);
}

HitResult MovraROIAdvPanel::HitTestStoredROIs(const cv::Point2f& /*p*/) const { return kNoHit; }

void MovraROIAdvPanel::FinalizeCurrentROI() {
    // An open polygon is not a region yet.
    if (RoiMode() == CvROIMode::Polygon && m_editor.m_polygonDrawing) {
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
    m_onROIChanging(m_editor.CropRect(RoiMode()));
}

std::int64_t MovraROIAdvPanel::NowMs() const { return wxGetLocalTimeMillis().GetValue(); }
