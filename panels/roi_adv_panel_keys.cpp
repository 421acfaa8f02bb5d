// MovraROIAdvPanel: the keyboard. A click gives the panel the focus; then keys edit the ROI as
// the mouse does (the rules are ROIEditor's) and undo or redo its changes.
#include "panels/roi_adv_panel.h"

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
    if (!m_cropEnable || m_lockROI || m_matBitmap.empty()) {
        return false;
    }
    const int code = e.GetKeyCode();
    const int modifiers = e.GetModifiers();
    if (code == WXK_ESCAPE && modifiers == wxMOD_NONE) {
        return ApplyOutcome(CancelDrag());
    }
    // Letter keys arrive upper case in key-down events, with Shift or without.
    if (code == 'Z' && modifiers == wxMOD_CONTROL) {
        return Undo();
    }
    if ((code == 'Z' && modifiers == (wxMOD_CONTROL | wxMOD_SHIFT)) ||
        (code == 'Y' && modifiers == wxMOD_CONTROL)) {
        return Redo();
    }
    return false;
}
