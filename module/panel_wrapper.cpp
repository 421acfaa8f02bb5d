#include "module/panel_wrapper.h"

#include <wx/frame.h>

#include <algorithm>
#include <stdexcept>

#include "engine/image_loader.h"
#include "panels/movra_panel.h"

MovraPanelWrapper::MovraPanelWrapper(std::uintptr_t parentHandle, int id, int x, int y, int width,
                                     int height, long style, const std::string& name) {
    CheckWxAppFirstUse();
    CheckParentHandle(parentHandle);
    const int windowId = TakeWindowId(id);
    const int w = width > 0 ? width : 400;
    const int h = height > 0 ? height : 300;
    CheckWxAppInstance();
    wxFrame* parent = GetHiddenFrame();
    // The caller's own position and size, -1 meaning wx's default; the embedding below applies
    // the module's defaults. Other negatives, which GTK refuses, count as -1.
    auto* panel = new MovraPanel(parent, windowId, wxPoint(std::max(x, -1), std::max(y, -1)),
                                 wxSize(std::max(width, -1), std::max(height, -1)), style,
                                 wxString::FromUTF8(name));
    if (!EmbedPanelInNativeParent(panel, parentHandle, std::max(x, 0), std::max(y, 0), w, h)) {
        DiscardUnembeddedPanel(panel);
        throw std::runtime_error("parent_handle does not belong to a wx window of this process");
    }
    panel->Show(true);
    m_panel = panel;
    m_embedded.Attach(panel, [this] { m_panel = nullptr; });
}

MovraPanelWrapper::~MovraPanelWrapper() { m_embedded.Release(); }

void MovraPanelWrapper::Repaint(bool now) {
    m_panel->Refresh(true);
    if (now) {
        m_panel->Update();
    }
}

void MovraPanelWrapper::SetMat(const cv::Mat& mat) {
    if (!m_panel) return;
    (void)m_panel->SetCVmat(mat, false, false);
    Repaint(true);
}

bool MovraPanelWrapper::LoadImage(const std::string& utf8Path, int flags) {
    if (!m_panel) return false;
    cv::Mat mat = LoadImageByExtension(utf8Path, flags);
    if (mat.empty()) {
        return false;
    }
    const bool shown = m_panel->AdoptCVmat(std::move(mat));
    Repaint(true);
    return shown;
}

const cv::Mat& MovraPanelWrapper::GetMat() const {
    static const cv::Mat kEmpty;
    return m_panel ? m_panel->m_matBitmap : kEmpty;
}

void MovraPanelWrapper::SetMode(int mode) {
    if (!m_panel) return;
    m_panel->m_displayMode = mode;
    m_panel->UpdateScale();
    // The shown bitmap follows the mode at once, not only at the next image.
    if (!m_panel->m_matBitmap.empty()) {
        (void)m_panel->SetCVmat(m_panel->m_matBitmap, true, true);
    }
    Repaint(false);
}

void MovraPanelWrapper::SetZoomToFit() {
    if (!m_panel) return;
    m_panel->SetZoomToFit();
    Repaint(false);
}

void MovraPanelWrapper::SetOriginal(bool showScrollbars) {
    if (!m_panel) return;
    m_panel->SetOriginal(showScrollbars);
    Repaint(false);
}

void MovraPanelWrapper::SetZoomIn() {
    if (!m_panel) return;
    m_panel->SetZoomIn();
    Repaint(false);
}

void MovraPanelWrapper::SetZoomOut() {
    if (!m_panel) return;
    m_panel->SetZoomOut();
    Repaint(false);
}

void MovraPanelWrapper::SetSize(int w, int h) {
    if (!m_panel) return;
    // Any negative extent keeps the current one, as -1 does; GTK refuses other negatives.
    m_panel->SetSize(-1, -1, std::max(w, -1), std::max(h, -1), wxSIZE_USE_EXISTING);
    Repaint(false);
}

void MovraPanelWrapper::SetCanvasBgColor(int r, int g, int b) {
    if (!m_panel) return;
    m_panel->SetCanvasBgColor(r, g, b);
}

void MovraPanelWrapper::SetCenterImageEnable(bool enable) {
    if (!m_panel) return;
    m_panel->SetCenterImageEnable(enable);
}

void MovraPanelWrapper::Refresh() {
    if (!m_panel) return;
    Repaint(false);
}

std::uintptr_t MovraPanelWrapper::GetHandle() const {
    return m_panel ? NativeHandleOf(m_panel) : 0;
}

void MovraPanelWrapper::SetGuideLineMode(GuideLineMode mode) {
    if (!m_panel) return;
    m_panel->SetGuideLineMode(mode);
}

GuideLineMode MovraPanelWrapper::GetGuideLineMode() const {
    return m_panel ? static_cast<GuideLineMode>(m_panel->m_guideLineMode) : GuideLineMode::Off;
}

void MovraPanelWrapper::SetGuideLineVisible(bool visible) {
    if (!m_panel) return;
    m_panel->SetGuideLineVisible(visible);
}

bool MovraPanelWrapper::GetGuideLineVisible() const {
    return m_panel ? m_panel->m_guideLineVisible : false;
}

void MovraPanelWrapper::SetGuideLineColor(int b, int g, int r, int a) {
    if (!m_panel) return;
    GuideLineStyle style;
    style.color = cv::Scalar(b, g, r, a);
    style.thickness = m_panel->m_guideLineStyle.thickness;
    m_panel->SetGuideLineStyle(style);
}

void MovraPanelWrapper::SetGuideLineThickness(int thickness) {
    if (!m_panel) return;
    GuideLineStyle style;
    style.color = m_panel->m_guideLineStyle.color;
    style.thickness = thickness;
    m_panel->SetGuideLineStyle(style);
}

void MovraPanelWrapper::SetAspectRatio(AspectRatio ratio) {
    if (!m_panel) return;
    m_panel->SetAspectRatio(ratio);
}

AspectRatio MovraPanelWrapper::GetAspectRatio() const {
    return m_panel ? static_cast<AspectRatio>(m_panel->m_aspectRatio) : AspectRatio::AR_16_9;
}
