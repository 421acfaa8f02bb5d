// MovraROIAdvPanel: the right-click menu. The host sees the click first; then, if it left the
// click alone and the menu is enabled, a menu of zoom commands, the enabled ROI tools and
// optionally the SIMD choices pops up.
#include <wx/utils.h>

#include <algorithm>
#include <memory>

#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"

namespace {

constexpr int kScaleUp = 400;
constexpr int kScaleDown = 401;
constexpr int kZoomToFit = 402;
constexpr int kOriginalSize = 403;
constexpr int kFirstTool = 404;
constexpr int kLastTool = 410;
constexpr int kAvx512 = 411;
constexpr int kCpu = 414;
constexpr int kDefaultSimd = 415;

// The tool entries in menu order, with the flag of m_menuROIEnable that shows each. The ids
// are not in mode order: 406 is the rotated rectangle and 407 the plain one.
struct ToolEntry {
    int id;
    const char* label;
    int flag;
};
constexpr ToolEntry kTools[] = {
    {404, "Point", 0},  {405, "Line", 1},    {407, "Rectangle", 2}, {406, "Rotated Rectangle", 3},
    {408, "Circle", 4}, {409, "Annulus", 5}, {410, "Polygon", 6},
};

// The mode each tool id selects, indexed by id - 404.
constexpr CvROIMode kToolModes[] = {
    CvROIMode::Point,  CvROIMode::Line,    CvROIMode::RotatedRectangle, CvROIMode::Rectangle,
    CvROIMode::Circle, CvROIMode::Annulus, CvROIMode::Polygon,
};

struct SimdEntry {
    int id;
    const char* label;
    int value;     // m_simdMode when chosen
    int minLevel;  // lowest CPU level (GetSSE) that offers it
};
constexpr SimdEntry kSimd[] = {
    {411, "AVX512", 3, 3}, {412, "AVX2", 2, 2}, {413, "SSE4", 1, 1},
    {414, "CPU", 0, 0},    {415, "Default", -1, 0},
};

}  // namespace

void MovraROIAdvPanel::SetMenuROIEnable(bool point, bool line, bool rect, bool rotatedRect,
                                        bool circle, bool annulus, bool polygon) {
    const bool flags[7] = {point, line, rect, rotatedRect, circle, annulus, polygon};
    std::copy(flags, flags + 7, m_menuROIEnable);
}

void MovraROIAdvPanel::SetSIMDMenuEnable(bool enable) { m_simdMenuEnable = enable; }

void MovraROIAdvPanel::OnContextMenu(wxContextMenuEvent& e) {
    // Never skipped: there is no default menu to fall back to.
    wxPoint pos = e.GetPosition();
    if (pos == wxDefaultPosition) {
        pos = wxGetMousePosition();  // from the keyboard: where the pointer is
    }
    pos = ScreenToClient(pos);
    if (m_onRightClick) {
        SyncViewportToWindow();
        const cv::Point2f p = m_viewport.ViewToOriginal(
            cv::Point2f(static_cast<float>(pos.x), static_cast<float>(pos.y)));
        const wxWeakRef<wxWindow> alive(this);
        // The host took the click, or destroyed the panel while it had it.
        if (m_onRightClick(p, -1) || !alive) {
            return;
        }
    }
    if (m_editor.m_menuEnable) {
        ShowContextMenu(pos);
    }
}

wxMenu* MovraROIAdvPanel::BuildContextMenu() const {
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kScaleUp, "Scale Up");
    menu->Append(kScaleDown, "Scale Down");
    menu->Append(kZoomToFit, "Zoom to Fit");
    menu->Append(kOriginalSize, "Original Size");
    menu->AppendSeparator();
    for (const ToolEntry& tool : kTools) {
        if (m_menuROIEnable[tool.flag]) {
            menu->Append(tool.id, tool.label);
        }
    }
    if (m_simdMenuEnable) {
        menu->AppendSeparator();
        const int level = GetSSE();
        for (const SimdEntry& simd : kSimd) {
            if (level < simd.minLevel) {
                continue;
            }
            // Any negative choice reads as "Default".
            const bool current =
                simd.value < 0 ? m_simdMode < 0 : m_simdMode == simd.value;
            if (current) {
                menu->AppendCheckItem(simd.id, simd.label)->Check(true);
            } else {
                menu->Append(simd.id, simd.label);
            }
        }
    }
    return menu.release();
}

void MovraROIAdvPanel::ShowContextMenu(const wxPoint& pos) {
    const std::unique_ptr<wxMenu> menu(BuildContextMenu());
    m_menuAnchor = pos;
    PopupMenu(menu.get(), pos.x, pos.y);
}

void MovraROIAdvPanel::OnMenu_ScaleUp(wxCommandEvent& /*e*/) { SetZoomIn(); }

void MovraROIAdvPanel::OnMenu_ScaleDown(wxCommandEvent& /*e*/) { SetZoomOut(); }

void MovraROIAdvPanel::OnMenu_ZoomtoFit(wxCommandEvent& /*e*/) { SetZoomToFit(); }

void MovraROIAdvPanel::OnMenu_Origianl(wxCommandEvent& /*e*/) {
    // About the point that was right-clicked: that is what the user wanted to see closer. A
    // command sent without the menu zooms about the view's centre, as SetOriginal does.
    if (m_menuAnchor == wxDefaultPosition) {
        SetOriginal(true);
    } else {
        ZoomAbout(1.0, m_menuAnchor);
    }
    m_menuAnchor = wxDefaultPosition;
}

void MovraROIAdvPanel::OnMenu_ROIChange(wxCommandEvent& e) {
    if (m_multiROI) {
        SelectQuietly(-1);  // the tool is for a new ROI: the selected one keeps its shape
    }
    const ROISnapshot before = m_editor.BeginEdit(RoiMode());
    const int k = e.GetId() - kFirstTool;
    if (k >= 0 && k <= kLastTool - kFirstTool) {
        m_roiMode = static_cast<int>(kToolModes[k]);
    }
    // Also when the tool is the current one: choosing it again starts afresh.
    m_editor.SetROIParamDefault();
    (void)m_editor.EndEdit(before, RoiMode());
    CommitEdits();
    Refresh();
    const wxWeakRef<wxWindow> alive(this);
    SendToolChange();
    if (alive) {
        FlushSetChanges();
    }
}

void MovraROIAdvPanel::SendToolChange() {
    wxCommandEvent changed(MOVRAPanel_EVT_TOOL_CHANGE, GetId());
    changed.SetInt(m_roiMode);
    GetEventHandler()->ProcessEvent(changed);
}

void MovraROIAdvPanel::OnMenu_SIMDChange(wxCommandEvent& e) {
    const int id = e.GetId();
    m_simdMode = id >= kAvx512 && id <= kCpu ? kCpu - id : -1;
    UpdateDrawImage(true);
}

// The command ids, in the order the handlers are bound.
void MovraROIAdvPanel::BindMenuCommands(bool bind) {
    const auto each = [&](int id, void (MovraROIAdvPanel::*handler)(wxCommandEvent&)) {
        if (bind) {
            Bind(wxEVT_MENU, handler, this, id);
        } else {
            Unbind(wxEVT_MENU, handler, this, id);
        }
    };
    each(kScaleUp, &MovraROIAdvPanel::OnMenu_ScaleUp);
    each(kScaleDown, &MovraROIAdvPanel::OnMenu_ScaleDown);
    each(kZoomToFit, &MovraROIAdvPanel::OnMenu_ZoomtoFit);
    each(kOriginalSize, &MovraROIAdvPanel::OnMenu_Origianl);
    for (const int id : {404, 405, 407, 406, 408, 409, 410}) {
        each(id, &MovraROIAdvPanel::OnMenu_ROIChange);
    }
    for (int id = kAvx512; id <= kDefaultSimd; ++id) {
        each(id, &MovraROIAdvPanel::OnMenu_SIMDChange);
    }
}
