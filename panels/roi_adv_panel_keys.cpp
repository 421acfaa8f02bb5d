// MovraROIAdvPanel: the keyboard. A click gives the panel the focus; then the arrow keys move
// the ROI, Delete empties it (the rules are ROIEditor's), and keys undo or redo its changes.
#include "panels/roi_adv_panel.h"

namespace {

// The step of an arrow key in image pixels; (0, 0) for any other key.
cv::Point2f ArrowStep(int code, float pixels) {
    switch (code) {
        case WXK_LEFT:
        case WXK_NUMPAD_LEFT:
            return {-pixels, 0.f};
        case WXK_RIGHT:
        case WXK_NUMPAD_RIGHT:
            return {pixels, 0.f};
        case WXK_UP:
        case WXK_NUMPAD_UP:
            return {0.f, -pixels};
        case WXK_DOWN:
        case WXK_NUMPAD_DOWN:
            return {0.f, pixels};
        default:
            return {0.f, 0.f};
    }
}

}  // namespace

void MovraROIAdvPanel::TakeFocusFromClick() {
    if (FindFocus() != this) {
        SetFocus();
    }
}

void MovraROIAdvPanel::OnFocusClick(wxMouseEvent& e) {
    TakeFocusFromClick();
    e.Skip();
}

void MovraROIAdvPanel::OnKeyDown(wxKeyEvent& e) {
    const wxWeakRef<wxWindow> alive(this);
    const bool used = HandleEditingKey(e);
    // A crop handler may have destroyed the panel: then wx must not look further.
    if (alive && !used) {
        e.Skip();
    }
}

bool MovraROIAdvPanel::HandleEditingKey(const wxKeyEvent& e) {
    // The keys change the ROI only where the mouse could.
    if (!m_editor.m_cropEnable || m_editor.m_lockROI || m_matBitmap.empty()) {
        return false;
    }
    const int code = e.GetKeyCode();
    const int modifiers = e.GetModifiers();
    if (code == WXK_ESCAPE && modifiers == wxMOD_NONE) {
        const EditOutcome outcome = m_editor.CancelDrag();
        // No crop event follows, but a host that followed the drag live must see the shape
        // go back.
        if (outcome.handled) {
            NoteROIChanging();
        }
        return ApplyOutcome(outcome);
    }
    // Letter keys arrive upper case in key-down events, with Shift or without.
    if (code == 'Z' && modifiers == wxMOD_CONTROL) {
        return Undo();
    }
    if ((code == 'Z' && modifiers == (wxMOD_CONTROL | wxMOD_SHIFT)) ||
        (code == 'Y' && modifiers == wxMOD_CONTROL)) {
        return Redo();
    }
    const EditContext ctx = BaseEditContext();
    if ((code == WXK_DELETE || code == WXK_NUMPAD_DELETE) && modifiers == wxMOD_NONE) {
        if (m_multiROI && DeleteSelectedROI()) {
            return true;
        }
        return ApplyOutcome(m_editor.DeleteShape(ctx));
    }
    // Each key event is a step of its own, auto-repeated ones too: a held arrow key moves the
    // shape on and reports every move, as a mouse drag would report each release.
    if (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT) {
        const cv::Point2f step = ArrowStep(code, modifiers == wxMOD_SHIFT ? 10.f : 1.f);
        if (step.x != 0.f || step.y != 0.f) {
            return ApplyOutcome(m_editor.MoveBy(ctx, step));
        }
    }
    return false;
}
