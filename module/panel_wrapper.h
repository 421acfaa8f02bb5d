// MovraPanelWrapper: the native object behind Python's MovraPanel. Creates one display panel
// under a host wx window found from its X11 handle and forwards calls to it (the calls both
// panel classes share are PanelWrapperBase's); every method returns its neutral default once
// the panel is gone (destroyed with its host window).
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>

#include "module/async_load.h"
#include "module/host_embedding.h"
#include "module/panel_wrapper_base.h"

class MovraPanelWrapper : public PanelWrapperBase<MovraPanel> {
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
    void SetMode(int mode);
    void SetAutoOrient(bool enable);
    void SetOriginal(bool showScrollbars);

  private:
    AsyncLoadReport m_async;
};
