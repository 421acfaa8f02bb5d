#include "module/panel_wrapper.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <opencv2/imgcodecs.hpp>

#include "engine/image_loader.h"
#include "imageio/exif_orientation.h"
#include "module/panel_ops.h"
#include "panels/movra_panel.h"

namespace {

BackgroundLoad* LoadOf(MovraPanel* panel) {
    return panel != nullptr ? &panel->m_backgroundLoad : nullptr;
}

// The file's image, empty when it cannot be read; for any thread. `upright` turns a JPEG by its
// EXIF orientation (OpenCV is asked not to, so the tag is never applied twice).
cv::Mat Decode(const std::string& utf8Path, int flags, bool upright) {
    try {
        const bool own = upright && flags >= 0;
        cv::Mat mat = LoadImageByExtension(
            utf8Path, own ? (flags | cv::IMREAD_IGNORE_ORIENTATION) : flags, true);
        if (upright) {
            ApplyExifOrientation(mat, FileOrientation(utf8Path));
        }
        return mat;
    } catch (const std::exception&) {
        return {};
    }
}

// The result says whether the file's image is now the panel's (what GetMat returns), not
// whether its display bitmap could be built at the current scale.
bool Adopt(MovraPanel& p, cv::Mat&& mat) {
    if (mat.empty()) {
        return false;
    }
    const bool stored = p.AdoptCVmat(std::move(mat));
    Repaint(p, true);
    return stored;
}

}  // namespace

MovraPanelWrapper::MovraPanelWrapper(const PanelPlacement& placement) {
    m_panel.Create(placement);
    m_panel.Embedding().SetGoneHook([this] { m_async.Forget(nullptr); });
}

MovraPanelWrapper::~MovraPanelWrapper() {
    m_async.Forget(LoadOf(m_panel.Get()));
    // A load callback may drop the last reference to its own panel: the handler that called it
    // is still running, so the window must outlive it.
    m_panel.Embedding().Release(m_async.InCallback());
}

void MovraPanelWrapper::SetMat(const cv::Mat& mat) {
    m_async.Supersede(LoadOf(m_panel.Get()));
    m_panel.Call([&](MovraPanel& p) {
        // `mat` may view the caller's array, which the call keeps referenced.
        const py::gil_scoped_release unlocked;
        (void)p.SetCVmat(mat, false, false);
        Repaint(p, true);
    });
}

bool MovraPanelWrapper::LoadImage(const std::string& utf8Path, int flags) {
    m_async.Supersede(LoadOf(m_panel.Get()));
    return m_panel.CallOr(false, [&](MovraPanel& p) {
        // The decode touches no Python object; the panel's own steps need no lock either.
        const py::gil_scoped_release unlocked;
        return Adopt(p, Decode(utf8Path, flags, p.m_autoOrient));
    });
}

void MovraPanelWrapper::LoadImageAsync(const std::string& utf8Path, const py::object& callback,
                                       int flags) {
    const MovraPanel* panel = m_panel.Get();
    const bool upright = panel != nullptr && panel->m_autoOrient;
    m_async.Start(LoadOf(m_panel.Get()), utf8Path, callback, [this, utf8Path, flags, upright] {
        cv::Mat mat = Decode(utf8Path, flags, upright);
        // Runs only while this load is the panel's pending one, so the wrapper and panel live.
        return BackgroundLoad::Adopt([this, mat]() mutable {
            const bool ok = m_panel.CallOr(false, [&](MovraPanel& p) {
                return Adopt(p, std::move(mat));
            });
            m_async.Finish(ok);
        });
    });
}

bool MovraPanelWrapper::IsLoading() const { return m_async.IsLoading(LoadOf(m_panel.Get())); }

cv::Mat MovraPanelWrapper::GetMat() const {
    const MovraPanel* p = m_panel.Get();
    return p != nullptr ? p->GetWorkingMat() : cv::Mat();
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

void MovraPanelWrapper::SetAutoOrient(bool enable) {
    m_panel.Call([&](MovraPanel& p) { p.m_autoOrient = enable; });
}

void MovraPanelWrapper::SetOriginal(bool showScrollbars) {
    m_panel.Call([&](MovraPanel& p) {
        p.SetOriginal(showScrollbars);
        Repaint(p, false);
    });
}
