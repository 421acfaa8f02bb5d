// MovraROIAdvPanel: the mouse. Presses, drags, releases and double clicks become ROIEditor
// steps in image pixels; the middle button pans, the wheel scrolls or (with Ctrl) zooms about
// the pointer; every motion reports the pointer to the host and the status line.
#include <wx/utils.h>
#include <wx/wupdlock.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "panels/roi_adv_panel.h"
#include "roi/display_map.h"
#include "roi/trunc_int.h"

namespace {

// The source values at `at`, colour in R, G, B(, A) order; a grey file's image as the three
// equal channels of its working picture.
wxString PixelText(const cv::Mat& image, const cv::Point& at, bool greyAsBGR) {
    const std::optional<std::vector<double>> v = SourcePixel(image, at.x, at.y);
    if (!v) {
        return wxString();
    }
    std::vector<double> values = *v;
    if (greyAsBGR && values.size() == 1) {
        values.assign(3, values[0]);
    }
    if (values.size() >= 3) {
        std::swap(values[0], values[2]);  // BGR(A) -> RGB(A)
    }
    if (values.size() == 4) {
        std::rotate(values.begin(), values.begin() + 3, values.end());  // ARGB as before
    }
    const bool integer = image.depth() != CV_32F && image.depth() != CV_64F;
    wxString text;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += ",";
        text += integer ? wxString::Format("%d", static_cast<int>(values[i]))
                        : wxString::Format("%g", values[i]);
    }
    return values.size() == 1 ? text : "(" + text + ")";
}

}  // namespace

void MovraROIAdvPanel::SetMouseEventConnect(bool connect) {
    if (connect == m_mouseEventsBound) {
        return;
    }
    if (connect) {
        Bind(wxEVT_LEFT_DOWN, &MovraROIAdvPanel::OnImgeLeftMouseDown, this);
        Bind(wxEVT_LEFT_UP, &MovraROIAdvPanel::OnImgeLeftMouseUp, this);
        Bind(wxEVT_LEFT_DCLICK, &MovraROIAdvPanel::OnImgeLeftDClick, this);
        Bind(wxEVT_RIGHT_DCLICK, &MovraROIAdvPanel::OnImgeRightDClick, this);
        Bind(wxEVT_MIDDLE_DOWN, &MovraROIAdvPanel::OnMiddleMouseDown, this);
        Bind(wxEVT_MIDDLE_UP, &MovraROIAdvPanel::OnMiddleMouseUp, this);
        Bind(wxEVT_MOTION, &MovraROIAdvPanel::OnImgeMouseMove, this);
    } else {
        Unbind(wxEVT_LEFT_DOWN, &MovraROIAdvPanel::OnImgeLeftMouseDown, this);
        Unbind(wxEVT_LEFT_UP, &MovraROIAdvPanel::OnImgeLeftMouseUp, this);
        Unbind(wxEVT_LEFT_DCLICK, &MovraROIAdvPanel::OnImgeLeftDClick, this);
        Unbind(wxEVT_RIGHT_DCLICK, &MovraROIAdvPanel::OnImgeRightDClick, this);
        Unbind(wxEVT_MIDDLE_DOWN, &MovraROIAdvPanel::OnMiddleMouseDown, this);
        Unbind(wxEVT_MIDDLE_UP, &MovraROIAdvPanel::OnMiddleMouseUp, this);
        Unbind(wxEVT_MOTION, &MovraROIAdvPanel::OnImgeMouseMove, this);
    }
    m_mouseEventsBound = connect;
}

void MovraROIAdvPanel::SyncViewportToWindow() {
    const wxSize client = GetClientSize();
    m_viewport.SetWindowSize(cv::Size(client.x, client.y));
    int unitX = 0;
    int unitY = 0;
    GetScrollPixelsPerUnit(&unitX, &unitY);
    const wxPoint start = GetViewStart();
    m_viewport.SetScrollPosition(cv::Point(start.x * unitX, start.y * unitY));
}

cv::Point2f MovraROIAdvPanel::ImagePoint(const wxPoint& pos) const {
    const cv::Point_<float> offset = m_viewport.GetCenteringOffset();
    const double scale = m_viewport.scale;
    // The scrolled window position in whole pixels first, then the margin in float, then the
    // zoom in double; in 64 bits so that no position wraps.
    const auto map = [&](std::int64_t scroll, int at, float margin) {
        const float canvas = static_cast<float>(scroll + at) - margin;
        return static_cast<float>(canvas / scale);
    };
    return {map(m_viewport.scrollPosition.x, pos.x, offset.x),
            map(m_viewport.scrollPosition.y, pos.y, offset.y)};
}

EditContext MovraROIAdvPanel::BaseEditContext() const {
    EditContext ctx;
    ctx.mode = RoiMode();
    ctx.scale = m_scale;
    ctx.imageSize = m_matBitmap.size();
    return ctx;
}

EditContext MovraROIAdvPanel::MakeEditContext(const wxMouseEvent& e) const {
    EditContext ctx = BaseEditContext();
    ctx.nowMs = NowMs();
    // The event's own modifier state first: it is the state when the pointer moved. Asking the
    // keyboard costs X server round trips, and Shift matters only while the button is held.
    ctx.shift = e.ShiftDown() || (m_editor.m_leftDown && wxGetKeyState(WXK_SHIFT));
    return ctx;
}

bool MovraROIAdvPanel::ApplyOutcome(const EditOutcome& outcome) {
    // The set takes the editor's steps before anyone hears of the change.
    CommitEdits();
    const wxWeakRef<wxWindow> alive(this);
    for (int i = 0; i < outcome.cropEvents; ++i) {
        FinalizeCurrentROI();
        if (!alive) {
            return true;  // a crop handler destroyed the panel (with its host window)
        }
    }
    if (outcome.repaint) {
        Refresh();
    }
    if (outcome.cursor == EditCursor::Hand) {
        SetStockCursor(wxCURSOR_HAND);
    } else if (outcome.cursor == EditCursor::Cross) {
        SetStockCursor(wxCURSOR_CROSS);
    }
    FlushSetChanges();  // last: a report may destroy the panel
    return outcome.handled;
}

void MovraROIAdvPanel::SetStockCursor(wxStockCursor id) {
    // A hover sets the cursor at every motion; making a new one each time is wasted work. The
    // host may have set a cursor of its own since.
    if (id == m_stockCursor && GetCursor().IsSameAs(m_editCursor)) {
        return;
    }
    m_stockCursor = id;
    m_editCursor = wxCursor(id);
    SetCursor(m_editCursor);
}

// A crop event's handler or a host callback may destroy the panel together with its host
// window. From then on a handler touches nothing of the panel, and it does not skip the event
// either: wx would go on searching the event tables of the destroyed window.

void MovraROIAdvPanel::OnImgeLeftMouseDown(wxMouseEvent& e) {
    // This handler, bound later, runs before OnFocusClick and may not let it run.
    TakeFocusFromClick();
    SyncViewportToWindow();
    const cv::Point2f p = ImagePoint(e.GetPosition());
    const wxWeakRef<wxWindow> alive(this);
    if (PressSelectsROI(p)) {
        Refresh();
        FlushSetChanges();
        return;  // the press selected an ROI and nothing more
    }
    const bool handled = ApplyOutcome(m_editor.Press(MakeEditContext(e), p));
    if (alive && !handled) {
        e.Skip();
    }
}

void MovraROIAdvPanel::OnImgeLeftMouseUp(wxMouseEvent& e) {
    // The crop event reports the final shape; a live update still waiting would come after it.
    // A release after Esc ends no drag and reports nothing: the report of the shape put back
    // stays due.
    if (m_editor.m_leftDown) {
        m_roiChangePending = false;
    }
    const wxWeakRef<wxWindow> alive(this);
    const bool handled = ApplyOutcome(m_editor.Release(MakeEditContext(e)));
    if (alive && !handled) {
        e.Skip();
    }
}

void MovraROIAdvPanel::OnImgeMouseMove(wxMouseEvent& e) {
    SyncViewportToWindow();
    const cv::Point2f p = ImagePoint(e.GetPosition());
    m_mouseImagePos = cv::Point(roi_num::TruncToInt(p.x), roi_num::TruncToInt(p.y));
    const wxWeakRef<wxWindow> alive(this);
    if (m_onMouseMove) {
        m_onMouseMove(p);
        if (!alive) {
            return;
        }
    }
    ShowStatusLine();
    if (m_middleDown) {
        PanTo(e.GetPosition());
        Refresh();
        return;
    }
    const EditOutcome outcome = m_editor.Motion(MakeEditContext(e), p);
    if (outcome.shapeChanged) {
        NoteROIChanging();
    }
    (void)ApplyOutcome(outcome);
    // Motion is everybody's business: the host's own handlers see it too.
    if (alive) {
        e.Skip();
    }
}

void MovraROIAdvPanel::OnImgeLeftDClick(wxMouseEvent& e) {
    SyncViewportToWindow();
    const cv::Point2f p = ImagePoint(e.GetPosition());
    const wxWeakRef<wxWindow> alive(this);
    (void)ApplyOutcome(m_editor.DoubleClick(MakeEditContext(e), p));
    if (!alive) {
        return;
    }
    if (m_onLeftDClick) {
        m_onLeftDClick(p);
        if (!alive) {
            return;
        }
    }
    e.Skip();
}

void MovraROIAdvPanel::OnImgeRightDClick(wxMouseEvent& e) {
    SyncViewportToWindow();
    const cv::Point2f p = ImagePoint(e.GetPosition());
    if (m_onRightDClick) {
        const wxWeakRef<wxWindow> alive(this);
        m_onRightDClick(p);
        if (!alive) {
            return;
        }
    }
    e.Skip();
}

void MovraROIAdvPanel::ShowStatusLine() {
    wxTextCtrl* ctrl = m_statusTextCtrl.get();
    const cv::Point& at = m_mouseImagePos;
    if (ctrl == nullptr || at.x < 0 || at.y < 0 || at.x >= m_matBitmap.cols ||
        at.y >= m_matBitmap.rows) {
        return;
    }
    const bool expanded = m_greyShownAsBGR && m_matBitmap.channels() == 1;
    const int bits = static_cast<int>(m_matBitmap.elemSize()) * 8 * (expanded ? 3 : 1);
    // ChangeValue: the text is the panel's report, not the user's typing, so no text event.
    ctrl->ChangeValue(wxString::Format("%dx%d %.2fX %d-bit image value %s (%d,%d)",
                                       m_matBitmap.cols, m_matBitmap.rows, m_scale, bits,
                                       PixelText(m_matBitmap, at, m_greyShownAsBGR), at.x, at.y));
}

// --- Panning.

void MovraROIAdvPanel::OnMiddleMouseDown(wxMouseEvent& e) {
    if (GetScrollRange(wxHORIZONTAL) <= 1 && GetScrollRange(wxVERTICAL) < 2) {
        return;  // nothing to scroll
    }
    m_middleDown = true;
    m_panStartMouse = e.GetPosition();
    m_panStartScroll[0] = GetScrollPos(wxHORIZONTAL);
    m_panStartScroll[1] = GetScrollPos(wxVERTICAL);
    SetStockCursor(wxCURSOR_SIZING);
}

void MovraROIAdvPanel::OnMiddleMouseUp(wxMouseEvent& /*e*/) {
    if (!m_middleDown) {
        return;
    }
    m_middleDown = false;
    SetStockCursor(wxCURSOR_ARROW);
}

void MovraROIAdvPanel::PanTo(const wxPoint& pos) {
    int unitX = 0;
    int unitY = 0;
    GetScrollPixelsPerUnit(&unitX, &unitY);
    if (unitX < 1 || unitY < 1) {
        return;
    }
    // The image follows the pointer: dragging right shows more of the left. In 64 bits, then
    // clamped, so that no far-off pointer wraps the target.
    const auto target = [](int startUnits, int from, int to, int unit) {
        const std::int64_t units = startUnits - (static_cast<std::int64_t>(to) - from) / unit;
        return static_cast<int>(std::clamp<std::int64_t>(units, 0, INT_MAX));
    };
    Scroll(target(m_panStartScroll[0], m_panStartMouse.x, pos.x, unitX),
           target(m_panStartScroll[1], m_panStartMouse.y, pos.y, unitY));
}

// --- Wheel.

void MovraROIAdvPanel::OnMouseWheel(wxMouseEvent& e) {
    // Never skipped: GTK's own wheel scrolling would move the view a second time.
    if (m_matBitmap.empty()) {
        return;
    }
    if (e.ControlDown()) {
        WheelZoom(e.GetWheelRotation());
    } else {
        WheelScroll(e);
    }
}

void MovraROIAdvPanel::WheelZoom(int rotation) {
    if (rotation == 0) {
        return;
    }
    // Frozen only for a real change: on GTK a thaw repaints even when nothing changed.
    const bool changed = rotation > 0 ? CalcZoomIn() : CalcZoomOut();
    if (!changed) {
        return;
    }
    // One visible change: the new zoom and the new scroll position together.
    wxWindowUpdateLocker freeze(this);
    m_viewport.SetScale(m_scale);
    m_scale = m_viewport.scale;
    const cv::Size virtualSize = m_viewport.GetVirtualSize();
    SetVirtualSize(virtualSize.width, virtualSize.height);
    const int rangeH = GetScrollRange(wxHORIZONTAL);
    const int rangeV = GetScrollRange(wxVERTICAL);
    if (rangeH > 1 || rangeV >= 2) {
        // The image point under the pointer comes to the middle of the view.
        const float fx = static_cast<float>(m_mouseImagePos.x) / m_matBitmap.cols;
        const float fy = static_cast<float>(m_mouseImagePos.y) / m_matBitmap.rows;
        const auto units = [](float f, int range, int thumb) {
            return roi_num::TruncToInt(f * static_cast<float>(range) -
                                       static_cast<float>(thumb) / 2);
        };
        // Not below 0: -1 would leave that axis where it was.
        Scroll(std::max(0, units(fx, rangeH, GetScrollThumb(wxHORIZONTAL))),
               std::max(0, units(fy, rangeV, GetScrollThumb(wxVERTICAL))));
    }
    Refresh();
}

void MovraROIAdvPanel::WheelScroll(const wxMouseEvent& e) {
    const int perAction = e.GetLinesPerAction() < 1 ? 3 : e.GetLinesPerAction();
    const int delta = e.GetWheelDelta() < 1 ? 120 : e.GetWheelDelta();
    const std::int64_t lines = static_cast<std::int64_t>(perAction) * e.GetWheelRotation() / delta;
    // Not below 0: -1 would leave the axis where it was.
    const auto target = [](int pos, std::int64_t by) {
        return static_cast<int>(std::clamp<std::int64_t>(pos + by, 0, INT_MAX));
    };
    int unitX = 0;
    int unitY = 0;
    GetScrollPixelsPerUnit(&unitX, &unitY);
    if (e.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        if (unitX < 1) {
            return;
        }
        Scroll(target(GetScrollPos(wxHORIZONTAL), lines), -1);
    } else {
        if (unitY < 1) {
            return;
        }
        // A positive rotation (away from the user) scrolls up.
        Scroll(-1, target(GetScrollPos(wxVERTICAL), -lines));
    }
    Refresh();
}
