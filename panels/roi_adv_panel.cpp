// MovraROIAdvPanel: construction and the image it holds (loading, display-only paths, clearing).
#include "panels/roi_adv_panel.h"

#include <wx/dcclient.h>
#include <wx/log.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <exception>
#include <utility>

#include "imageio/cv_utils.h"
#include "imageio/exif_orientation.h"
#include "imageio/file_policy.h"
#include "imageio/image_dispatch.h"
#include "imageio/jpeg_damage.h"
#include "panels/display_scale.h"

namespace {

bool IsShowableChannelCount(int channels) {
    return channels == 1 || channels == 3 || channels == 4;
}

// A file as the panel keeps it: the decoded image at its own depth (16-bit and float samples
// kept, other depths stored as StoreSource does), with an OpenCV-decoded alpha channel dropped;
// HEIF and JPEG XL come in their own layout and stay as decoded. False when the file cannot be
// decoded. `mat` may hold the file already decoded with IMREAD_UNCHANGED; otherwise it is
// decoded here. `orientation` (EXIF 1-8) is applied to the decoded pixels.
bool DecodeForPanel(const std::string& utf8Path, cv::Mat& source, cv::Mat mat = cv::Mat(),
                    int orientation = 1) {
    if (mat.empty() &&
        (!DecodeImageFile(utf8Path, cv::IMREAD_UNCHANGED, mat, true) || mat.empty())) {
        return false;
    }
    ApplyExifOrientation(mat, orientation);
    if (!IsKeptDepth(mat.depth())) {
        cv::Mat stored;
        StoreSource(mat, stored);
        mat = stored;
    }
    if (DecoderForPath(utf8Path) == ImageDecoder::OpenCV && mat.channels() == 4) {
        cv::cvtColor(mat, mat, cv::COLOR_BGRA2BGR);
    }
    if (!IsShowableChannelCount(mat.channels())) {
        return false;
    }
    source = mat;
    return true;
}

}  // namespace

MovraROIAdvPanel::MovraROIAdvPanel(wxWindow* parent, const wxSize& size)
    : MovraPanel(parent, size) {
    Init();
}

MovraROIAdvPanel::MovraROIAdvPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size, long style, const wxString& name)
    : MovraPanel(parent, id, pos, size, style, name) {
    Init();
}

void MovraROIAdvPanel::Init() {
    // The set keeps the history: the editor's steps come to it (see CommitEdits).
    m_editor.m_onStep = [this](const ROISnapshot& before, const ROISnapshot& after) {
        m_pendingEdits.emplace_back(before, after);
    };
    m_highlightColor = cv::Scalar(0, 255, 255, 0);
    SetScrollRate(8, 8);
    // Scrolling must not move the window's pixels: every paint cuts the visible part itself.
    EnableScrolling(false, false);
    // The base handler blits a whole-image bitmap that this panel never builds.
    Unbind(wxEVT_PAINT, &MovraPanel::OnPaint, static_cast<MovraPanel*>(this));
    Bind(wxEVT_PAINT, &MovraROIAdvPanel::OnPaint, this);
    Bind(wxEVT_CONTEXT_MENU, &MovraROIAdvPanel::OnContextMenu, this);
    BindMenuCommands(true);
    // The wheel works from the start; the other mouse handlers wait for the first image.
    Bind(wxEVT_MOUSEWHEEL, &MovraROIAdvPanel::OnMouseWheel, this);
    // The editing keys need the keyboard focus, which a click gives.
    SetCanFocus(true);
    Bind(wxEVT_LEFT_DOWN, &MovraROIAdvPanel::OnFocusClick, this);
    Bind(wxEVT_KEY_DOWN, &MovraROIAdvPanel::OnKeyDown, this);
}

MovraROIAdvPanel::~MovraROIAdvPanel() {
    SetMouseEventConnect(false);
    Unbind(wxEVT_PAINT, &MovraROIAdvPanel::OnPaint, this);
    Unbind(wxEVT_CONTEXT_MENU, &MovraROIAdvPanel::OnContextMenu, this);
    BindMenuCommands(false);
    Unbind(wxEVT_MOUSEWHEEL, &MovraROIAdvPanel::OnMouseWheel, this);
    Unbind(wxEVT_LEFT_DOWN, &MovraROIAdvPanel::OnFocusClick, this);
    Unbind(wxEVT_KEY_DOWN, &MovraROIAdvPanel::OnKeyDown, this);
}

void MovraROIAdvPanel::ClearImg() {
    m_matBitmap.release();
    m_rawMat.release();
    m_blitter.Release();
    m_viewport.SetOriginalSize(cv::Size(0, 0));
    SetVirtualSize(1, 1);
    Refresh(true);
}

cv::Mat MovraROIAdvPanel::GetWorkingMat() const {
    return m_greyShownAsBGR ? WorkingBGR(m_matBitmap) : SaturateTo8Bit(m_matBitmap);
}

bool MovraROIAdvPanel::ShowImage(bool fitZoom) {
    if (m_matBitmap.rows == 0 || m_matBitmap.cols == 0) {
        ClearImg();
        return false;
    }
    m_viewport.SetOriginalSize(m_matBitmap.size());
    m_viewport.SetScale(m_scale);
    m_scale = m_viewport.scale;
    if (fitZoom) {
        UpdateScale();
    }
    const cv::Size virtualSize = m_viewport.GetVirtualSize();
    SetVirtualSize(virtualSize.width, virtualSize.height);
    SetScrollRate(20, 20);
    SetMouseEventConnect(true);
    Refresh(true);
    return true;
}

bool MovraROIAdvPanel::SetCVmat(const cv::Mat& mat, bool internal, bool keepScale) {
    if (!internal) {
        if (!mat.empty() && !IsShowableChannelCount(mat.channels())) {
            return false;
        }
        // A header of its own: `mat` may be m_rawMat or m_matBitmap themselves.
        const cv::Mat source = mat;
        // The raw and working images share one buffer; dropping the raw header first lets the
        // copy reuse that buffer when the size stays and nobody else holds it.
        m_rawMat.release();
        StoreSource(source, m_matBitmap);
        m_rawMat = m_matBitmap;
        m_greyShownAsBGR = false;
        m_imageDamaged = false;
        ImageFileInfo info;
        info.width = m_matBitmap.cols;
        info.height = m_matBitmap.rows;
        info.channels = m_matBitmap.channels();
        m_imageInfo = info;
    }
    return ShowImage(!internal && !keepScale);
}

bool MovraROIAdvPanel::SetCVmat(const wxString& path, bool internal, bool keepScale) {
    if (NamesNoFile(path.utf8_string())) {
        return false;
    }
    m_displayOverlay = false;
    DecodedFile file = DecodeFile(path.utf8_string(), m_autoOrient);
    // Here the information is the file's even when it cannot be shown; callers rely on that.
    m_imageInfo = file.info;
    return AdoptDecodedFile(std::move(file), internal, keepScale);
}

MovraROIAdvPanel::DecodedFile MovraROIAdvPanel::DecodeFile(const std::string& utf8Path,
                                                          bool upright) {
    DecodedFile file;
    if (NamesNoFile(utf8Path)) {
        return file;
    }
    try {
        // Where the information needs a full decode (PNG, TIFF, ...), that decode is the image
        // too.
        cv::Mat decoded;
        file.info = GetImageFileInfo(utf8Path, &decoded);
        const int orientation = upright ? FileOrientation(utf8Path) : 1;
        file.ok = DecodeForPanel(utf8Path, file.source, std::move(decoded), orientation);
        // The information gives the size shown.
        if (OrientationSwapsSides(orientation)) {
            std::swap(file.info.width, file.info.height);
        }
        file.damaged = file.ok && JpegReportsDamage(utf8Path);
    } catch (const std::exception&) {
        file.ok = false;  // a decoder that throws (or runs out of memory): cannot be shown
    }
    return file;
}

bool MovraROIAdvPanel::AdoptDecodedFile(DecodedFile&& file, bool internal, bool keepScale) {
    if (!file.ok) {
        return false;
    }
    m_displayOverlay = false;
    bool shown = false;
    // The matrix form would reset the information to the matrix's size and copy the pixels
    // that are already the panel's own.
    if (internal) {
        shown = SetCVmat(file.source, true, keepScale);
    } else {
        m_matBitmap = file.source;
        shown = ShowImage(!keepScale);
    }
    if (shown) {
        m_imageInfo = std::move(file.info);
        m_rawMat = std::move(file.source);
        m_greyShownAsBGR = true;
        m_imageDamaged = file.damaged;
    }
    return shown;
}

bool MovraROIAdvPanel::SetCVmatDisplay(cv::Mat& mat) {
    if (mat.empty()) {
        ClearImg();
        return false;
    }
    if (!IsShowableChannelCount(mat.channels())) {
        return false;
    }
    const wxSize client = GetClientSize();
    double scale = 1.0;
    if (m_displayMode == static_cast<int>(CvDisplayMode::ZoomToFit)) {
        if (client.x < 1 || client.y < 1) {
            return false;
        }
        scale = display_scale::FitScale(mat.size(), cv::Size(client.x, client.y));
    }
    m_viewport.SetOriginalSize(mat.size());
    m_viewport.SetScale(scale);
    m_scale = m_viewport.scale;
    m_viewport.SetWindowSize(cv::Size(client.x, client.y));
    const cv::Size virtualSize = m_viewport.GetVirtualSize();
    SetVirtualSize(virtualSize.width, virtualSize.height);
    SetScrollRate(20, 20);
    wxClientDC dc(this);
    RenderFrameFast(dc, mat);
    return true;
}

bool MovraROIAdvPanel::SetCVmatDisplay(const wxString& path) {
    if (NamesNoFile(path.utf8_string())) {
        return false;
    }
    try {
        cv::Mat shown;
        if (!DecodeForPanel(path.utf8_string(), shown)) {
            return false;
        }
        return SetCVmatDisplay(shown);
    } catch (const cv::Exception& e) {
        wxLogError("OpenCV error: %s", e.what());
        return false;
    }
}
