// The ROI editor's history: snapshots of the shape, the steps that edits record, undo, redo and
// the cancelled drag.
#include "roi/roi_editor.h"

#include <utility>

ROISnapshot ROIEditor::Snapshot(CvROIMode mode) const {
    ROISnapshot s;
    s.shape = Shape(mode);
    s.innerRadius = m_innerRadius;
    s.startAngle = m_startAngle;
    s.endAngle = m_endAngle;
    s.rotateAccum = m_rotateAccum;
    s.polygonDrawing = m_polygonDrawing;
    if (mode == CvROIMode::Polygon && m_polygonDrawing) {
        s.openPolygon = m_roiPoints;
    }
    return s;
}

void ROIEditor::Restore(const ROISnapshot& s) {
    SetROIParamDefault();
    StoreShape(s.shape);
    m_innerRadius = s.innerRadius;
    m_startAngle = s.startAngle;
    m_endAngle = s.endAngle;
    m_rotateAccum = s.rotateAccum;
    if (!s.openPolygon.empty()) {
        m_roiPoints = s.openPolygon;
    }
    m_polygonDrawing = s.polygonDrawing;
    m_polygonHoverPoint = {-1.f, -1.f};
    m_activeVertex = -1;
    m_edgeDragStarted = false;
    m_currentHit = kNoHit;
    m_leftDown = false;
    m_dragStartPoints.clear();
    // The vertex press that the last click made may be gone: the next press must not count as
    // its quick second press.
    m_lastClickTime = 0;
    m_lastClickPoint = {-1.f, -1.f};
}

ROISnapshot ROIEditor::BeginEdit(CvROIMode mode) const {
    return m_leftDown ? m_pressSnapshot : Snapshot(mode);
}

bool ROIEditor::EndEdit(const ROISnapshot& before, CvROIMode mode) {
    ROISnapshot after = Snapshot(mode);
    const bool step = RecordStep(before, after);
    if (m_leftDown) {
        // The drag goes on from the changed shape, and its release records only what it adds.
        m_pressSnapshot = std::move(after);
    }
    return step;
}

bool ROIEditor::RecordStep(const ROISnapshot& before, const ROISnapshot& after) {
    if (!m_onStep) {
        return m_history.Record(before, after);
    }
    if (before.SameShape(after)) {
        return false;
    }
    m_onStep(before, after);
    return true;
}

void ROIEditor::CommitReportedPress(CvROIMode mode) { (void)EndEdit(m_pressSnapshot, mode); }

EditOutcome ROIEditor::CancelDrag() {
    EditOutcome out;
    if (!m_leftDown) {
        return out;
    }
    Restore(m_pressSnapshot);
    out.handled = true;
    out.repaint = true;
    return out;
}

std::optional<CvROIMode> ROIEditor::UndoEdit(CvROIMode mode) {
    if (!m_history.CanUndo()) {
        return std::nullopt;
    }
    if (m_leftDown) {
        Restore(m_pressSnapshot);
    }
    const std::optional<ROISnapshot> previous = m_history.Undo(Snapshot(mode));
    Restore(*previous);
    return previous->Mode();
}

std::optional<CvROIMode> ROIEditor::RedoEdit(CvROIMode mode) {
    if (!m_history.CanRedo()) {
        return std::nullopt;
    }
    if (m_leftDown) {
        Restore(m_pressSnapshot);
    }
    const std::optional<ROISnapshot> next = m_history.Redo(Snapshot(mode));
    Restore(*next);
    return next->Mode();
}
