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
    m_embedded.Attach(panel);
}

MovraPanelWrapper::~MovraPanelWrapper() { m_embedded.Release(); }

MovraPanel* MovraPanelWrapper::Panel() const { return static_cast<MovraPanel*>(m_embedded.Get()); }

void MovraPanelWrapper::Repaint(bool now) {
    Panel()->Refresh(true);
    if (now) {
        Panel()->Update();
    }
}

void MovraPanelWrapper::SetMat(const cv::Mat& mat) {
    if (!Panel()) return;
    (void)Panel()->SetCVmat(mat, false, false);
    Repaint(true);
}

bool MovraPanelWrapper::LoadImage(const std::string& utf8Path, int flags) {
    if (!Panel()) return false;
    cv::Mat mat = LoadImageByExtension(utf8Path, flags);
    if (mat.empty()) {
        return false;
    }
    // The result says whether the file's image is now the panel's (what GetMat returns), not
    // whether its display bitmap could be built at the current scale.
    const bool stored = Panel()->AdoptCVmat(std::move(mat));
    Repaint(true);
    return stored;
}

const cv::Mat& MovraPanelWrapper::GetMat() const {
    static const cv::Mat kEmpty;
    return Panel() ? Panel()->m_matBitmap : kEmpty;
}

void MovraPanelWrapper::SetMode(int mode) {
    if (!Panel()) return;
    Panel()->m_displayMode = mode;
    Panel()->UpdateScale();
    // The shown bitmap follows the mode at once, not only at the next image.
    if (!Panel()->m_matBitmap.empty()) {
        (void)Panel()->SetCVmat(Panel()->m_matBitmap, true, true);
    }
    Repaint(false);
}

void MovraPanelWrapper::SetZoomToFit() {
    if (!Panel()) return;
    Panel()->SetZoomToFit();
    Repaint(false);
}

void MovraPanelWrapper::SetOriginal(bool showScrollbars) {
    if (!Panel()) return;
    Panel()->SetOriginal(showScrollbars);
    Repaint(false);
}

void MovraPanelWrapper::SetZoomIn() {
    if (!Panel()) return;
    Panel()->SetZoomIn();
    Repaint(false);
}

void MovraPanelWrapper::SetZoomOut() {
    if (!Panel()) return;
    Panel()->SetZoomOut();
    Repaint(false);
}

void MovraPanelWrapper::SetSize(int w, int h) {
    if (!Panel()) return;
    // Any negative extent keeps the current one, as -1 does; GTK refuses other negatives.
    Panel()->SetSize(-1, -1, std::max(w, -1), std::max(h, -1), wxSIZE_USE_EXISTING);
    Repaint(false);
}

void MovraPanelWrapper::SetCanvasBgColor(int r, int g, int b) {
    if (!Panel()) return;
    Panel()->SetCanvasBgColor(r, g, b);
}

void MovraPanelWrapper::SetCenterImageEnable(bool enable) {
    if (!Panel()) return;
    Panel()->SetCenterImageEnable(enable);
}

void MovraPanelWrapper::Refresh() {
    if (!Panel()) return;
    Repaint(false);
}

std::uintptr_t MovraPanelWrapper::GetHandle() const {
    return Panel() ? NativeHandleOf(Panel()) : 0;
}

void MovraPanelWrapper::SetGuideLineMode(GuideLineMode mode) {
    if (!Panel()) return;
    Panel()->SetGuideLineMode(mode);
}

GuideLineMode MovraPanelWrapper::GetGuideLineMode() const {
    return Panel() ? static_cast<GuideLineMode>(Panel()->m_guideLineMode) : GuideLineMode::Off;
}

void MovraPanelWrapper::SetGuideLineVisible(bool visible) {
    if (!Panel()) return;
    Panel()->SetGuideLineVisible(visible);
}

bool MovraPanelWrapper::GetGuideLineVisible() const {
    return Panel() ? Panel()->m_guideLineVisible : false;
}

void MovraPanelWrapper::SetGuideLineColor(int b, int g, int r, int a) {
    if (!Panel()) return;
    GuideLineStyle style;
    style.color = cv::Scalar(b, g, r, a);
    style.thickness = Panel()->m_guideLineStyle.thickness;
    Panel()->SetGuideLineStyle(style);
}

void MovraPanelWrapper::SetGuideLineThickness(int thickness) {
    if (!Panel()) return;
    GuideLineStyle style;
    style.color = Panel()->m_guideLineStyle.color;
    style.thickness = thickness;
    Panel()->SetGuideLineStyle(style);
}

void MovraPanelWrapper::SetAspectRatio(AspectRatio ratio) {
    if (!Panel()) return;
    Panel()->SetAspectRatio(ratio);
}

AspectRatio MovraPanelWrapper::GetAspectRatio() const {
    return Panel() ? static_cast<AspectRatio>(Panel()->m_aspectRatio) : AspectRatio::AR_16_9;
}
