// PanelWrapperBase: what both Python panel classes do alike (zoom steps, size, background,
// centring, repaint, handle, guide lines and aspect ratio), for a wrapper that holds its panel
// in `m_panel`. Every method returns its neutral default once the panel is gone.
#pragma once

#include <wx/window.h>

#include <algorithm>
#include <cstdint>

#include "module/host_embedding.h"
#include "module/panel_ops.h"
#include "panels/display_modes.h"
#include "panels/movra_panel.h"

template <class PanelT>
class PanelWrapperBase {
  public:
    void SetZoomToFit() {
        m_panel.Call([](PanelT& p) {
            p.SetZoomToFit();
            Repaint(p, false);
        });
    }
    void SetZoomIn() {
        m_panel.Call([](PanelT& p) {
            p.SetZoomIn();
            Repaint(p, false);
        });
    }
    void SetZoomOut() {
        m_panel.Call([](PanelT& p) {
            p.SetZoomOut();
            Repaint(p, false);
        });
    }
    void SetSize(int w, int h) {
        m_panel.Call([&](PanelT& p) {
            // Any negative extent keeps the current one, as -1 does; GTK refuses other negatives.
            p.SetSize(-1, -1, std::max(w, -1), std::max(h, -1), wxSIZE_USE_EXISTING);
            Repaint(p, false);
        });
    }
    void SetCanvasBgColor(int r, int g, int b) {
        m_panel.Call([&](PanelT& p) { p.SetCanvasBgColor(r, g, b); });
    }
    void SetCenterImageEnable(bool enable) {
        m_panel.Call([&](PanelT& p) { p.SetCenterImageEnable(enable); });
    }
    void Refresh() {
        m_panel.Call([](PanelT& p) { Repaint(p, false); });
    }
    [[nodiscard]] std::uintptr_t GetHandle() const { return NativeHandleOf(m_panel.Get()); }
    [[nodiscard]] bool IsOk() const { return m_panel.Get() != nullptr; }
    // The panel as the display panel it also is, null once it is gone.
    [[nodiscard]] MovraPanel* BasePanel() const { return m_panel.Get(); }

    void SetGuideLineMode(GuideLineMode mode) {
        m_panel.Call([&](PanelT& p) { p.SetGuideLineMode(mode); });
    }
    [[nodiscard]] GuideLineMode GetGuideLineMode() const {
        return m_panel.CallOr(GuideLineMode::Off, [](PanelT& p) {
            return static_cast<GuideLineMode>(p.m_guideLineMode);
        });
    }
    void SetGuideLineVisible(bool visible) {
        m_panel.Call([&](PanelT& p) { p.SetGuideLineVisible(visible); });
    }
    [[nodiscard]] bool GetGuideLineVisible() const {
        return m_panel.CallOr(false, [](PanelT& p) { return p.m_guideLineVisible; });
    }
    void SetGuideLineColor(int b, int g, int r, int a) {
        m_panel.Call([&](PanelT& p) { SetGuideLineColorOf(p, b, g, r, a); });
    }
    void SetGuideLineThickness(int thickness) {
        m_panel.Call([&](PanelT& p) { SetGuideLineThicknessOf(p, thickness); });
    }
    void SetAspectRatio(AspectRatio ratio) {
        m_panel.Call([&](PanelT& p) { p.SetAspectRatio(ratio); });
    }
    [[nodiscard]] AspectRatio GetAspectRatio() const {
        return m_panel.CallOr(AspectRatio::AR_16_9, [](PanelT& p) {
            return static_cast<AspectRatio>(p.m_aspectRatio);
        });
    }

  protected:
    PanelWrapperBase() = default;
    ~PanelWrapperBase() = default;

    HostedPanel<PanelT> m_panel;
};
