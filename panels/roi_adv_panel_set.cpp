// The panel's set of named ROIs: selection hands a shape to the editor and back, each change
// is an undo step and a report, and the unselected ROIs are drawn beneath the editing one.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <string>
#include <utility>

#include "panels/roi_adv_panel.h"
#include "panels/roi_layers.h"

// Each operation builds its step from the set as it is (the selected entry synced first),
// notes its reports, records the step, and reports last: a callback sees the change whole and
// may call back in.

void MovraROIAdvPanel::SyncSelectedROI() {
    if (m_selectedROI >= 0) {
        (void)m_rois.SetShape(m_selectedROI, m_editor.Shape(RoiMode()));
    }
}

bool MovraROIAdvPanel::SelectROI(int id) {
    if (id >= 0 && m_rois.Find(id) == nullptr) {
        return false;
    }
    SelectQuietly(id);
    Refresh(false);
    FlushSetChanges();
    return true;
}

int MovraROIAdvPanel::AddROI(ROIShape shape, std::string name, const cv::Scalar& color) {
    const int id = m_rois.Add(std::move(shape), std::move(name), color);
    ROISetStep step;
    step.selectedBefore = step.selectedAfter = m_selectedROI;
    step.changes.push_back({m_rois.Size() - 1, std::nullopt, *m_rois.Find(id)});
    (void)m_setHistory.Record(std::move(step));
    NoteSetChange("added", id);
    Refresh(false);
    FlushSetChanges();
    return id;
}

bool MovraROIAdvPanel::UpdateROI(int id, ROIShape shape) {
    if (m_rois.Find(id) == nullptr) {
        return false;
    }
    if (id == m_selectedROI) {
        // The editing ROI's change, recorded with the editor's state on either side.
        const ROISnapshot before = m_editor.BeginEdit(RoiMode());
        m_roiMode = static_cast<int>(shape.mode);
        m_editor.SetROIParamDefault();
        m_editor.StoreShape(shape);
        (void)m_editor.EndEdit(before, RoiMode());
        CommitEdits();
    } else {
        ROIEntryChange change;
        change.index = static_cast<std::size_t>(m_rois.IndexOf(id));
        change.before = *m_rois.Find(id);
        (void)m_rois.SetShape(id, std::move(shape));
        change.after = *m_rois.Find(id);
        if (change.after->shape == change.before->shape) {
            return true;  // no step and no report for a shape given again
        }
        ROISetStep step;
        step.selectedBefore = step.selectedAfter = m_selectedROI;
        step.changes.push_back(std::move(change));
        if (m_setHistory.Record(std::move(step))) {
            NoteSetChange("changed", id);
        }
    }
    Refresh(false);
    FlushSetChanges();
    return true;
}

template <class Change>
bool MovraROIAdvPanel::ChangeEntry(int id, Change&& change) {
    SyncSelectedROI();
    ROIEntry* entry = m_rois.Find(id);
    if (entry == nullptr) {
        FlushSetChanges();
        return false;
    }
    ROIEntryChange c;
    c.index = static_cast<std::size_t>(m_rois.IndexOf(id));
    c.before = *entry;
    change(*entry);
    c.after = *entry;
    if (c.before->name != c.after->name || c.before->color != c.after->color) {
        ROISetStep step;
        step.selectedBefore = step.selectedAfter = m_selectedROI;
        step.changes.push_back(std::move(c));
        if (m_setHistory.Record(std::move(step))) {
            NoteSetChange("changed", id);
            Refresh(false);
        }
    }
    FlushSetChanges();
    return true;
}

bool MovraROIAdvPanel::RenameROI(int id, std::string name) {
    return ChangeEntry(id, [&name](ROIEntry& e) { e.name = std::move(name); });
}

bool MovraROIAdvPanel::SetROIColor(int id, const cv::Scalar& color) {
    return ChangeEntry(id, [&color](ROIEntry& e) { e.color = color; });
}

void MovraROIAdvPanel::RemoveInto(ROISetStep& step, int id) {
    if (id == m_selectedROI) {
        // A drag in progress ends with the ROI: its press state is what an undo puts back.
        step.editBefore = m_editor.BeginEdit(RoiMode());
        m_selectedROI = -1;
        m_editor.SetROIParamDefault();
        step.editAfter = m_editor.Snapshot(RoiMode());
    }
    step.changes.push_back(
        {static_cast<std::size_t>(m_rois.IndexOf(id)), *m_rois.Find(id), std::nullopt});
    (void)m_rois.Remove(id);
}

std::vector<int> MovraROIAdvPanel::RemoveAllInto(ROISetStep& step) {
    if (m_selectedROI >= 0) {
        step.editBefore = m_editor.BeginEdit(RoiMode());
        m_selectedROI = -1;
        m_editor.SetROIParamDefault();
        step.editAfter = m_editor.Snapshot(RoiMode());
    }
    std::vector<int> ids;
    ids.reserve(m_rois.Size());
    const std::vector<ROIEntry>& entries = m_rois.Entries();
    // The last first: an undo then appends them again in order.
    for (std::size_t i = entries.size(); i-- > 0;) {
        step.changes.push_back({i, entries[i], std::nullopt});
    }
    for (const ROIEntry& e : entries) ids.push_back(e.id);
    m_rois.Clear();
    return ids;
}

void MovraROIAdvPanel::RemoveAsStep(int id) {
    SyncSelectedROI();
    ROISetStep step;
    step.selectedBefore = m_selectedROI;
    RemoveInto(step, id);
    step.selectedAfter = m_selectedROI;
    const bool wasSelected = step.selectedBefore == id;
    (void)m_setHistory.Record(std::move(step));
    NoteSetChange("removed", id);
    if (wasSelected) {
        NoteSetChange("selected", -1);
    }
}

bool MovraROIAdvPanel::RemoveROI(int id) {
    if (m_rois.Find(id) == nullptr) {
        return false;
    }
    RemoveAsStep(id);
    Refresh(false);
    FlushSetChanges();
    return true;
}

void MovraROIAdvPanel::ClearROIs() {
    if (m_rois.Size() == 0) {
        return;
    }
    SyncSelectedROI();
    ROISetStep step;
    step.selectedBefore = m_selectedROI;
    const std::vector<int> ids = RemoveAllInto(step);
    step.selectedAfter = -1;
    const bool wasSelected = step.selectedBefore >= 0;
    (void)m_setHistory.Record(std::move(step));
    for (int id : ids) NoteSetChange("removed", id);
    if (wasSelected) {
        NoteSetChange("selected", -1);
    }
    Refresh(false);
    FlushSetChanges();
}

void MovraROIAdvPanel::ReplaceROIs(std::vector<ROIEntry> entries, int selected) {
    SyncSelectedROI();
    ROISetStep step;
    step.selectedBefore = m_selectedROI;
    const bool editing = m_selectedROI >= 0 || selected >= 0;
    if (editing) {
        step.editBefore = m_editor.BeginEdit(RoiMode());
    }
    const std::vector<int> removed = RemoveAllInto(step);
    std::vector<int> added;
    for (ROIEntry& e : entries) {
        const int id = e.id;
        if (m_rois.AddWithId(id, e.shape, std::move(e.name), e.color)) {
            added.push_back(id);
            step.changes.push_back({m_rois.Size() - 1, std::nullopt, *m_rois.Find(id)});
        }
    }
    m_selectedROI = m_rois.Find(selected) != nullptr ? selected : -1;
    LoadSelectedIntoEditor();
    step.selectedAfter = m_selectedROI;
    if (editing) {
        step.editAfter = m_editor.Snapshot(RoiMode());
    }
    const bool selectionChanged = step.selectedBefore != m_selectedROI;
    (void)m_setHistory.Record(std::move(step));
    for (int id : removed) NoteSetChange("removed", id);
    for (int id : added) NoteSetChange("added", id);
    // A selected ROI of the new set is a new one even under an old id.
    if (selectionChanged || m_selectedROI >= 0) {
        NoteSetChange("selected", m_selectedROI);
    }
    Refresh(false);
    FlushSetChanges();
}

namespace {

// Window pixels a pen of width 2 and its antialiasing reach beyond a shape's bounds.
constexpr double kPenReach = 3.0;

}  // namespace

void MovraROIAdvPanel::DrawROISet(cv::Mat& buffer) {
    if (m_rois.Size() == 0 || buffer.empty()) {
        return;
    }
    if (!m_labelsLoaded && m_rois.LongestName() > 0) {
        m_labels = roi_layers::Labels::Load(m_defaultFontPath);
        m_labelsLoaded = true;
    }
    const bool labels = m_labels.font && m_rois.LongestName() > 0;
    // Only the ROIs the index finds near the view are drawn. The search reaches beyond the view
    // by what a pen draws outside a shape's bounds, and by what a label can: a label starts at
    // its ROI's left edge and sits above its top, so it shows in the view for ROIs up to its
    // height below the view and its width to the left (and by its glyphs' overhangs the other
    // ways).
    const double zoom = m_viewport.scale;
    const auto reach = [zoom, labels](double labelPixels) {
        return static_cast<float>((std::max(labels ? labelPixels : 0.0, 0.0) + kPenReach) / zoom);
    };
    const cv::Rect2f view(m_viewport.GetVisibleROI());
    const float pen = reach(0.0);
    const float left = reach(m_labels.Width(m_rois.LongestName()));
    const float right = reach(m_labels.Before());
    const float above = reach(m_labels.Below());
    const float below = reach(m_labels.Above());
    const cv::Rect2f near(view.x - left, view.y - above, view.width + left + right,
                          view.height + above + below);
    const cv::Rect2f inked(view.x - pen, view.y - pen, view.width + 2 * pen,
                           view.height + 2 * pen);
    for (const int id : m_rois.Query(near)) {
        const ROIEntry& e = *std::as_const(m_rois).Find(id);
        const cv::Rect2f b = e.shape.Bounds();
        if (e.id == m_selectedROI || b.width <= 0) {
            continue;
        }
        if ((b & inked).area() > 0) {
            const cvROI roi = e.shape.ToRecord(e.color, 2);
            DrawROI(buffer, roi, m_viewport.OriginalToView(roi.points));
        }
        if (labels && !e.name.empty()) {
            const cv::Point2f at =
                m_viewport.OriginalToView(std::vector<cv::Point2f>{b.tl()})[0] -
                m_viewport.GetCenteringOffset();
            m_labels.Draw(buffer, e.name, at, e.color);
        }
    }
}
