// MovraPanelWrapper: the native object behind Python's MovraPanel. Creates one display panel
// under a host wx window found from its X11 handle and forwards calls to it; every method
// returns its neutral default once the panel is gone (destroyed with its host window).
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>

#include "module/async_load.h"
#include "module/host_embedding.h"
#include "panels/display_modes.h"

class MovraPanel;

class MovraPanelWrapper {
  public:
    // Throws std::runtime_error (no window created) without a wx application or for handle 0,
    // and, after destroying the new panel, when no wx window of this process owns the handle.
    explicit MovraPanelWrapper(const PanelPlacement& placement);
    ~MovraPanelWrapper();
    MovraPanelWrapper(const MovraPanelWrapper&) = delete;
    MovraPanelWrapper& operator=(const MovraPanelWrapper&) = delete;

    // Copies the pixels of `mat` (which may be a view of caller memory) into the panel.
    void SetMat(const cv::Mat& mat);
    [[nodiscard]] bool LoadImage(const std::string& utf8Path, int flags);
    // Returns at once; the file is decoded on a worker thread and taken on the GUI thread as
    // LoadImage takes it, then callback(path, ok) is called. Superseded by the next load or
    // SetMat (callback(path, False)); dropped without a call when the panel goes.
    void LoadImageAsync(const std::string& utf8Path, const py::object& callback, int flags);
    [[nodiscard]] bool IsLoading() const;
    // The three-channel 8-bit working picture of the source, made on request.
    [[nodiscard]] cv::Mat GetMat() const;
    // The panel, null once it is gone.
    [[nodiscard]] MovraPanel* BasePanel() const;
    void SetMode(int mode);
    void SetAutoOrient(bool enable);
    void SetZoomToFit();
    void SetOriginal(bool showScrollbars);
    void SetZoomIn();
    void SetZoomOut();
    void SetSize(int w, int h);
    void SetCanvasBgColor(int r, int g, int b);
    void SetCenterImageEnable(bool enable);
    void Refresh();
    [[nodiscard]] std::uintptr_t GetHandle() const;
    [[nodiscard]] bool IsOk() const;
    void SetGuideLineMode(GuideLineMode mode);
    [[nodiscard]] GuideLineMode GetGuideLineMode() const;
    void SetGuideLineVisible(bool visible);
    [[nodiscard]] bool GetGuideLineVisible() const;
    void SetGuideLineColor(int b, int g, int r, int a);
    void SetGuideLineThickness(int thickness);
    void SetAspectRatio(AspectRatio ratio);
    [[nodiscard]] AspectRatio GetAspectRatio() const;

  private:
    HostedPanel<MovraPanel> m_panel;
    AsyncLoadReport m_async;
};
