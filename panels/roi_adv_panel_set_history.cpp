// MovraROIAdvPanel: the set's history and reports. Editor steps become set steps (a shape
// drawn with nothing selected becomes a new ROI); undo and redo carry set steps out; changes are
// reported once whole; and the multi-ROI rules of a press and of Delete.
#include <cmath>

#include "panels/roi_adv_panel.h"

void MovraROIAdvPanel::CommitEdits() {
    std::vector<std::pair<ROISnapshot, ROISnapshot>> pending;
    pending.swap(m_pendingEdits);
    for (auto& [before, after] : pending) {
        ROISetStep step;
        step.selectedBefore = m_selectedROI;
        if (m_selectedROI >= 0) {
            SyncSelectedROI();
            NoteSetChange("changed", m_selectedROI);
        } else if (!after.shape.IsEmpty()) {
            // A region made with nothing selected joins the set, selected, so that the set
            // holds every ROI the user can see and edit.
            const int id =
                m_rois.Add(after.shape, std::string(), ROISet::PaletteColor(m_rois.NextId()));
            step.changes.push_back({m_rois.Size() - 1, std::nullopt, *m_rois.Find(id)});
            m_selectedROI = id;
            NoteSetChange("added", id);
            NoteSetChange("selected", id);
        }
        step.selectedAfter = m_selectedROI;
        step.editBefore = std::move(before);
        step.editAfter = std::move(after);
        (void)m_setHistory.Record(std::move(step));
    }
}

void MovraROIAdvPanel::FlushSetChanges() {
    if (!m_onROISetChanged) {
        m_setChanges.clear();
        return;
    }
    const wxWeakRef<wxWindow> alive(this);
    // One at a time from the front: a callback that changes the set again notes more and
    // reports them itself (after the ones still queued), so the order holds and none is lost.
    while (!m_setChanges.empty()) {
        const auto [action, id] = m_setChanges.front();
        m_setChanges.pop_front();
        // Our own copy: the callback may replace or clear itself.
        const std::function<void(const char*, int)> callback = m_onROISetChanged;
        if (!callback) {
            m_setChanges.clear();
            return;
        }
        callback(action, id);
        if (!alive) {
            return;
        }
    }
}

void MovraROIAdvPanel::LoadSelectedIntoEditor() {
    m_editor.SetROIParamDefault();
    if (const ROIEntry* entry = m_selectedROI >= 0 ? m_rois.Find(m_selectedROI) : nullptr) {
        m_roiMode = static_cast<int>(entry->shape.mode);
        m_editor.StoreShape(entry->shape);
    }
}

void MovraROIAdvPanel::SelectQuietly(int id) {
    if (id == m_selectedROI) {
        return;
    }
    // A drag in progress ends as Esc ends it: a half-dragged shape that no step records must
    // not stay in the set.
    (void)m_editor.CancelDrag();
    SyncSelectedROI();
    m_selectedROI = id;
    LoadSelectedIntoEditor();
    NoteSetChange("selected", id);
}

bool MovraROIAdvPanel::Undo() { return ApplySetStep(m_setHistory.Undo(), true); }

bool MovraROIAdvPanel::Redo() { return ApplySetStep(m_setHistory.Redo(), false); }

bool MovraROIAdvPanel::CanUndo() const { return m_setHistory.CanUndo(); }

bool MovraROIAdvPanel::CanRedo() const { return m_setHistory.CanRedo(); }

bool MovraROIAdvPanel::ApplySetStep(std::optional<ROISetStep> step, bool undo) {
    if (!step) {
        return false;
    }
    // A drag in progress is dropped first, as Esc drops it.
    (void)m_editor.CancelDrag();
    SyncSelectedROI();
    const int oldMode = m_roiMode;
    const int oldSelected = m_selectedROI;
    const std::vector<int> ids = ROISetHistory::Apply(m_rois, *step, undo);
    const int selectedNow = undo ? step->selectedBefore : step->selectedAfter;
    bool selectedInIds = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const ROIEntryChange& c = step->changes[undo ? ids.size() - 1 - i : i];
        const bool had = undo ? c.after.has_value() : c.before.has_value();
        const bool has = undo ? c.before.has_value() : c.after.has_value();
        NoteSetChange(had && has ? "changed" : has ? "added" : "removed", ids[i]);
        selectedInIds = selectedInIds || ids[i] == selectedNow;
    }
    int selected = selectedNow;
    if (selected >= 0 && m_rois.Find(selected) == nullptr) {
        selected = -1;
    }
    m_selectedROI = selected;
    const std::optional<ROISnapshot>& edit = undo ? step->editBefore : step->editAfter;
    bool editingChanged = true;
    if (edit) {
        m_editor.Restore(*edit);
        m_roiMode = static_cast<int>(edit->Mode());
        if (selected >= 0 && !selectedInIds) {
            NoteSetChange("changed", selected);
        }
    } else if (selected != oldSelected ||
               (selected >= 0 &&
                m_rois.Find(selected)->shape != m_editor.Shape(RoiMode()))) {
        LoadSelectedIntoEditor();
    } else {
        editingChanged = false;  // a name or colour, or an unselected ROI
    }
    SyncSelectedROI();
    if (selected != oldSelected) {
        NoteSetChange("selected", selected);
    }
    Refresh();
    // The editing ROI is reported as the mouse reports its edits, so that a host that follows
    // the tool and the crop rectangle stays in step.
    const wxWeakRef<wxWindow> alive(this);
    if (editingChanged) {
        if (m_roiMode != oldMode) {
            SendToolChange();
            if (!alive) {
                return true;
            }
        }
        FinalizeCurrentROI();
        if (!alive) {
            return true;
        }
    }
    FlushSetChanges();
    return true;
}

bool MovraROIAdvPanel::PressSelectsROI(const cv::Point2f& p) {
    EditContext ctx = BaseEditContext();
    if (!m_multiROI || !m_editor.m_cropEnable || m_editor.m_lockROI || !std::isfinite(p.x) ||
        !std::isfinite(p.y) || p.x < 0.f || p.y < 0.f ||
        p.x >= static_cast<float>(ctx.imageSize.width) ||
        p.y >= static_cast<float>(ctx.imageSize.height)) {
        return false;
    }
    // A polygon being drawn takes every press until it closes.
    if (ctx.mode == CvROIMode::Polygon && m_editor.m_polygonDrawing &&
        !m_editor.m_roiPoints.empty()) {
        return false;
    }
    // The selected ROI's handles and body come before any other ROI.
    if (m_selectedROI >= 0 && m_editor.HitTestCurrentROI(ctx, p).IsHit()) {
        return false;
    }
    const int hit = m_rois.HitTop(p, ROIEditor::HitTolerance(ctx.scale), m_selectedROI);
    SelectQuietly(hit);  // -1: a press elsewhere lets the selected ROI go, and may draw anew
    if (hit < 0) {
        return false;
    }
    // On the ROI itself the press goes on and grabs it; near its outline but on no handle it
    // only selects, rather than starting a new shape in place of the one just selected.
    ctx = BaseEditContext();
    return !m_editor.HitTestCurrentROI(ctx, p).IsHit();
}

bool MovraROIAdvPanel::DeleteSelectedROI() {
    if (m_selectedROI < 0 || m_editor.m_leftDown) {
        return false;
    }
    const wxWeakRef<wxWindow> alive(this);
    RemoveAsStep(m_selectedROI);
    Refresh();
    // The editing ROI is now empty: reported as Delete reports it without a set.
    FinalizeCurrentROI();
    if (alive) {
        FlushSetChanges();
    }
    return true;
}
