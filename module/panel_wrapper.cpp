#include "module/panel_wrapper.h"

#include <algorithm>

#include "engine/image_loader.h"
#include "module/panel_ops.h"
#include "panels/movra_panel.h"

MovraPanelWrapper::MovraPanelWrapper(const PanelPlacement& placement) {
    m_panel.Create(placement);
}

MovraPanelWrapper::~MovraPanelWrapper() = default;

void MovraPanelWrapper::SetMat(const cv::Mat& mat) {
    m_panel.Call([&](MovraPanel& p) {
        (void)p.SetCVmat(mat, false, false);
        Repaint(p, true);
    });
}

bool MovraPanelWrapper::LoadImage(const std::string& utf8Path, int flags) {
    return m_panel.CallOr(false, [&](MovraPanel& p) {
        cv::Mat mat = LoadImageByExtension(utf8Path, flags);
        if (mat.empty()) {
            return false;
        }
        // The result says whether the file's image is now the panel's (what GetMat returns),
        // not whether its display bitmap could be built at the current scale.
        const bool stored = p.AdoptCVmat(std::move(mat));
        Repaint(p, true);
        return stored;
    });
}

const cv::Mat& MovraPanelWrapper::GetMat() const {
    static const cv::Mat kEmpty;
    const MovraPanel* p = m_panel.Get();
    return p != nullptr ? p->m_matBitmap : kEmpty;
}

void MovraPanelWrapper::SetMode(int mode) {
    m_panel.Call([&](MovraPanel& p) {
        p.m_displayMode = mode;
        p.UpdateScale();
        // The shown bitmap follows the mode at once, not only at the next image.
        if (!p.m_matBitmap.empty()) {
            (void)p.SetCVmat(p.m_matBitmap, true, true);
        }
        Repaint(p, false);
    });
}

void MovraPanelWrapper::SetOriginal(bool showScrollbars) {
    m_panel.Call([&](MovraPanel& p) {
        p.SetOriginal(showScrollbars);
        Repaint(p, false);
    });
}
