#include "panels/movra_panel.h"

#include <wx/dcbuffer.h>
#include <wx/log.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <exception>

#include "imageio/cpu_features.h"
#include "imageio/cv_utils.h"
#include "imageio/file_policy.h"
#include "imageio/image_dispatch.h"
#include "panels/display_scale.h"
#include "roi/nearest_resize.h"

namespace {

// Narrow path for OpenCV's own writer, in the C library's multibyte encoding.
std::string NarrowPath(const wxString& path) {
    const wxCharBuffer buf = path.mb_str(wxConvLibc);
    return buf.data() ? std::string(buf.data()) : std::string();
}

// OpenCV formats are taken only by the usual three- and four-letter extensions of the file name
// (png, jpg, tif, jpeg, tiff, webp, ...); HEIF and JPEG XL by their own.
bool PanelReadsExtension(const std::string& utf8Path) {
    if (DecoderForPath(utf8Path) != ImageDecoder::OpenCV) {
        return true;
    }
    const std::string ext = LowerExtension(utf8Path);
    return (ext.size() == 3 || ext.size() == 4) && ext.find('/') == std::string::npos;
}

}  // namespace

MovraPanel::MovraPanel(wxWindow* parent, const wxSize& size)
    : MovraPanel(parent, wxID_ANY, wxDefaultPosition, size, 0, wxPanelNameStr) {}

MovraPanel::MovraPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                       long style, const wxString& name)
    : wxScrolled<wxWindow>(parent, id, pos, size,
                           style | wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE, name),
      m_sseLevel(GetSSESupport()) {
    Init();
}

void MovraPanel::Init() {
    SetWindowStyleFlag(GetWindowStyleFlag() | wxCLIP_CHILDREN);
    SetBackgroundColour(*wxBLACK);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    // Without a scroll rate wxScrolled never scrolls, and images larger than the window could
    // not be reached.
    SetScrollRate(20, 20);
    Bind(wxEVT_PAINT, &MovraPanel::OnPaint, this);
    Bind(wxEVT_SIZE, &MovraPanel::OnSize, this);
}

void MovraPanel::OnSize(wxSizeEvent& event) {
    event.Skip();
    // Refitting may show or hide scrollbars, which sends another size event.
    if (!m_fitted || m_refitting || m_matBitmap.empty() || IsBeingDeleted()) {
        return;
    }
    m_refitting = true;
    SetZoomToFit();
    m_refitting = false;
}

MovraPanel::~MovraPanel() {
    Unbind(wxEVT_PAINT, &MovraPanel::OnPaint, this);
    Unbind(wxEVT_SIZE, &MovraPanel::OnSize, this);
    m_matBitmap.release();
    m_drawmatBitmap.release();
    m_bitmap = wxBitmap();
}

int MovraPanel::GetSSESupport() {
    static const int level = isAVX512Supported() ? 3
                             : isAVX2Supported() ? 2
                             : isSSE4Supported() ? 1
                                                 : 0;
    return level;
}

bool MovraPanel::SetBitmap(const wxBitmap& bmp) {
    m_bitmap = bmp;
    m_showsBitmap = m_bitmap.IsOk();
    if (m_bitmap.IsOk()) {
        if (m_bitmap.GetSize() != GetVirtualSize()) {
            SetVirtualSize(m_bitmap.GetSize());
        }
    } else {
        SetVirtualSize(1, 1);
    }
    Refresh(true);
    Update();
    return true;
}

void MovraPanel::ClearImg() {
    m_matBitmap.release();
    m_drawmatBitmap.release();
    m_showsBitmap = false;
    m_blitter.Release();
    m_bitmap = wxBitmap();
    SetVirtualSize(1, 1);
    Refresh(true);
    Update();
}

bool MovraPanel::RebuildDisplay(const char* badScaleMessage) {
    if (!(m_scale > 0)) {
        wxLogError("%s", badScaleMessage);
        return false;
    }
    // A scale kept from an earlier image (display modes other than the two known ones keep it)
    // could otherwise ask for a picture of many gigabytes.
    m_scale = display_scale::CapEnlargement(m_matBitmap.size(), m_scale);
    m_showsBitmap = false;
    // No scaled copy of the image: each paint cuts and scales only what the window shows.
    m_bitmap = wxBitmap();
    const cv::Size shown = DisplayedSize();
    if (wxSize(shown.width, shown.height) != GetVirtualSize()) {
        SetVirtualSize(shown.width, shown.height);
    }
    Refresh(true);
    Update();
    return true;
}

cv::Size MovraPanel::DisplayedSize() const {
    if (m_matBitmap.empty() || m_showsBitmap) {
        return m_bitmap.IsOk() ? cv::Size(m_bitmap.GetWidth(), m_bitmap.GetHeight())
                               : cv::Size(0, 0);
    }
    // The sizes cv::resize derives from a scale, a side of 0 made 1 (as ResizeByScale does).
    const int width = cv::saturate_cast<int>(m_matBitmap.cols * m_scale);
    const int height = cv::saturate_cast<int>(m_matBitmap.rows * m_scale);
    return {std::max(width, 1), std::max(height, 1)};
}

void MovraPanel::StoreWorkingImage(const cv::Mat& mat, bool adopt) {
    if (adopt && IsKeptDepth(mat.depth())) {
        m_matBitmap = mat;
        return;
    }
    try {
        StoreSource(mat, m_matBitmap);
    } catch (...) {
        // Written in place, the buffer may now be reallocated or half written: no source
        // image is better than one that is neither the old nor the new.
        m_matBitmap.release();
        throw;
    }
}

cv::Mat MovraPanel::GetWorkingMat() const { return WorkingBGR(m_matBitmap); }

bool MovraPanel::SetDisplayLevels(const std::optional<DisplayLevels>& levels) {
    if (!m_displayMap.SetLevels(levels)) {
        return false;
    }
    Refresh(false);
    return true;
}

void MovraPanel::SetColormap(int colormap) {
    m_displayMap.SetColormap(colormap);
    Refresh(false);
}

bool MovraPanel::ShowWorkingImage(bool updateScale) {
    if (m_matBitmap.empty()) {
        ClearImg();
        return false;
    }
    if (updateScale) {
        UpdateScale();
    }
    return RebuildDisplay("MovraPanel: Invalid m_scale <= 0");
}

bool MovraPanel::SetCVmat(const cv::Mat& mat, bool internal, bool keepScale) {
    try {
        if (!internal) {
            StoreWorkingImage(mat, false);
        }
        return ShowWorkingImage(!internal && !keepScale);
    } catch (const cv::Exception& e) {
        wxLogError("MovraPanel::SetCVmat OpenCV error: %s", e.what());
        return false;
    }
}

bool MovraPanel::AdoptCVmat(cv::Mat&& mat) {
    bool stored = false;
    try {
        cv::Mat taken = std::move(mat);
        StoreWorkingImage(taken, true);
        stored = !m_matBitmap.empty();
        (void)ShowWorkingImage(true);
    } catch (const cv::Exception& e) {
        wxLogError("MovraPanel::SetCVmat OpenCV error: %s", e.what());
    }
    return stored;
}

bool MovraPanel::SetCVmat(const wxString& path, bool internal, bool keepScale) {
    try {
        const std::string utf8 = path.utf8_string();
        if (NamesNoFile(utf8)) {
            ClearImg();
            return false;
        }
        if (!PanelReadsExtension(utf8)) {
            return false;
        }
        cv::Mat mat;
        if (!DecodeImageFile(utf8, cv::IMREAD_UNCHANGED, mat, true)) {
            return false;
        }
        if (internal) {
            return SetCVmat(mat, internal, keepScale);
        }
        // The decoded image becomes the source without a second copy.
        StoreWorkingImage(mat, true);
        return ShowWorkingImage(!keepScale);
    } catch (const cv::Exception& e) {
        wxLogError("MovraPanel::SetCVmat(const wxString& imagePath) get cv error %s", e.what());
        return false;
    }
}

bool MovraPanel::SetCVmatDisplay(cv::Mat& mat) {
    try {
        if (mat.empty()) {
            ClearImg();
            return false;
        }
        double scale = 1.0;
        if (m_displayMode == static_cast<int>(CvDisplayMode::ZoomToFit)) {
            const wxSize client = GetClientSize();
            if (client.x < 1 || client.y < 1) {
                return false;
            }
            scale = display_scale::FitScale(mat.size(), {client.x, client.y});
        }
        m_scale = scale;
        cv::Mat shown = mat;
        if (std::abs(scale - 1.0) >= 1e-6) {
            ResizeByScale(mat, shown, scale, cv::INTER_LINEAR);
        }
        wxBitmap bitmap = ConvertMatToBitmap(shown, m_simdMode);
        if (!bitmap.IsOk()) {
            return false;
        }
        m_bitmap = bitmap;
        m_showsBitmap = true;
        if (m_bitmap.GetSize() != GetVirtualSize()) {
            SetVirtualSize(m_bitmap.GetSize());
        }
        Refresh(false);
        Update();
        return true;
    } catch (const cv::Exception& e) {
        wxLogError("OpenCV Error: %s", e.what());
        return false;
    }
}

bool MovraPanel::SetCVmatDisplay(const wxString& path) {
    const std::string utf8 = path.utf8_string();
    if (NamesNoFile(utf8)) {
        ClearImg();
        return false;
    }
    try {
        cv::Mat mat;
        (void)DecodeImageFile(utf8, cv::IMREAD_COLOR, mat);
        // An undecodable file is a failure, not a shown image.
        if (!SetCVmatDisplay(mat)) {
            return false;
        }
    } catch (const cv::Exception& e) {
        wxLogError("wxBitmapFromOpenCVPanel::SetCVmat(const wxString& imagePath) get cv error %s",
                   e.what());
    }
    return SetBitmap(m_bitmap);
}

void MovraPanel::UpdateScale() {
    if (m_matBitmap.empty() || m_matBitmap.rows == 0 || m_matBitmap.cols == 0) {
        return;
    }
    m_fitted = false;
    if (m_displayMode == static_cast<int>(CvDisplayMode::Original)) {
        m_scale = 1.0;
    } else if (m_displayMode == static_cast<int>(CvDisplayMode::ZoomToFit)) {
        ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_NEVER);
        const wxSize client = GetClientSize();
        m_scale = display_scale::FitScale(m_matBitmap.size(), {client.x, client.y});
        m_fitted = true;
    }
}

bool MovraPanel::UpdateCVmat() {
    try {
        UpdateScale();
        if (m_matBitmap.empty()) {
            return false;
        }
        return RebuildDisplay("MovraPanel m_scale<=0 ");
    } catch (const cv::Exception& e) {
        wxLogError("MovraPanel::SetCVmat(const cv::Mat& bitmap,bool internal) get cv error %s",
                   e.what());
    }
    return SetBitmap(m_bitmap);
}

void MovraPanel::SetZoomToFit() {
    m_displayMode = static_cast<int>(CvDisplayMode::ZoomToFit);
    UpdateScale();
    if (!m_matBitmap.empty()) {
        (void)RebuildDisplay("MovraPanel: Invalid m_scale <= 0");
    }
}

void MovraPanel::SetOriginal(bool showScrollbars) {
    m_displayMode = static_cast<int>(CvDisplayMode::Original);
    m_fitted = false;
    // Fit mode hid the scrollbars; an unscaled image usually needs them back.
    if (showScrollbars) {
        ShowScrollbars(wxSHOW_SB_DEFAULT, wxSHOW_SB_DEFAULT);
    } else {
        ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_NEVER);
    }
    m_scale = 1.0;
    if (!m_matBitmap.empty()) {
        (void)RebuildDisplay("MovraPanel: Invalid m_scale <= 0");
    }
}

void MovraPanel::SetZoomIn() {
    if (m_matBitmap.empty()) return;
    ApplyZoomStep(display_scale::ZoomIn(m_matBitmap.size(), m_scale));
}

void MovraPanel::SetZoomOut() {
    if (m_matBitmap.empty()) return;
    const wxSize client = GetClientSize();
    const double floor = display_scale::ZoomOutFloor(m_matBitmap.size(), {client.x, client.y});
    ApplyZoomStep(display_scale::ZoomOut(m_matBitmap.size(), m_scale, floor));
}

void MovraPanel::ApplyZoomStep(double zoom) {
    if (zoom == m_scale) return;
    m_fitted = false;
    m_scale = zoom;
    ShowScrollbars(wxSHOW_SB_DEFAULT, wxSHOW_SB_DEFAULT);
    (void)RebuildDisplay("MovraPanel: Invalid m_scale <= 0");
}

void MovraPanel::SetCanvasBgColor(int r, int g, int b) {
    SetBackgroundColour(wxColour(static_cast<unsigned char>(r & 255),
                                 static_cast<unsigned char>(g & 255),
                                 static_cast<unsigned char>(b & 255), 255));
    Refresh(true);
}

wxSize MovraPanel::DoGetBestClientSize() const {
    const cv::Size shown = DisplayedSize();
    return shown.empty() ? wxSize(64, 48) : wxSize(shown.width, shown.height);
}

void MovraPanel::OnPaint(wxPaintEvent& /*event*/) {
    if (IsBeingDeleted() || GetParent() == nullptr || GetParent()->IsBeingDeleted()) {
        // A paint event must still be answered with a paint DC, or GTK keeps asking.
        wxPaintDC dc(this);
        return;
    }
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    if (m_showsBitmap && m_bitmap.IsOk()) {
        DoPrepareDC(dc);
        dc.DrawBitmap(m_bitmap, 0, 0, false);
        DrawGuideLineWxDC(dc);
    } else if (!m_matBitmap.empty()) {
        // An exception must not leave a wx event handler.
        try {
            PaintSource(dc);
        } catch (const std::exception& e) {
            wxLogDebug("MovraPanel paint: %s", e.what());
        }
        DoPrepareDC(dc);
        DrawGuideLineWxDC(dc);
    }
}

void MovraPanel::PaintSource(wxDC& dc) {
    const cv::Size shown = DisplayedSize();
    const wxPoint origin = CalcUnscrolledPosition(wxPoint(0, 0));
    const wxSize client = GetClientSize();
    const cv::Rect window =
        cv::Rect(origin.x, origin.y, client.x, client.y) & cv::Rect(cv::Point(0, 0), shown);
    if (window.empty()) {
        return;
    }
    const cv::Mat buffer = std::abs(m_scale - 1.0) < 1e-6
                               ? m_displayMap.RenderRegion(m_matBitmap, window, 1.0)
                               : m_displayMap.RenderWindow(m_matBitmap, m_scale, window);
    if (buffer.empty()) {
        return;
    }
    m_drawmatBitmap = buffer;
    (void)m_blitter.Blit(dc, buffer, window.x - origin.x, window.y - origin.y);
}

void MovraPanel::SaveImage(wxString path, int which) {
    const cv::Mat* mat = nullptr;
    if (which == 1) {
        if (m_matBitmap.empty()) {
            wxLogError("MovraPanel::SaveImage failed! , m_matBitmap is empty!");
            return;
        }
        mat = &m_matBitmap;
    } else if (which == 0) {
        if (m_drawmatBitmap.empty()) {
            wxLogError("MovraPanel::SaveImage failed! , m_drawmatBitmap is empty!");
            return;
        }
        mat = &m_drawmatBitmap;
    } else {
        return;
    }
    (void)cv::imwrite(NarrowPath(path), *mat);
}

void MovraPanel::Convert16bitTo8bit(cv::Mat& m) {
    if (!m.empty() && (m.depth() == CV_16U || m.depth() == CV_16S)) {
        m.convertTo(m, CV_MAKETYPE(CV_8U, m.channels()), 1.0, 0.0);
    }
}

// Neutral defaults of the ROI panel's interface: the display panel has no ROI, overlays,
// texts, logos or status line.
void MovraPanel::SetFuncEnable(bool, bool, bool) {}
void MovraPanel::SetSIMDMenuEnable(bool) {}
void MovraPanel::GetRect(cv::Rect&) {}
void MovraPanel::SetRect(const cv::Rect&) {}
cv::Point2f MovraPanel::GetLeftMouseDownPoint() { return {0.f, 0.f}; }
cv::Point2f MovraPanel::GetLeftMouseUpPoint() { return {0.f, 0.f}; }
double MovraPanel::GetStartAngle() { return 0.0; }
double MovraPanel::GetEndAngle() { return 0.0; }
double MovraPanel::GetRotateAngle() { return 0.0; }
double MovraPanel::GetInnerRadius() const { return 0.0; }
double MovraPanel::GetOuterRadius() const { return 0.0; }
void MovraPanel::GetPolygonPoints(std::vector<cv::Point2f>&) const {}
void MovraPanel::GetRotatedRectEdges(cv::Point2f&, cv::Point2f&, cv::Point2f&, cv::Point2f&) {}
void MovraPanel::ClearOverlay() {}
int MovraPanel::AppendOverlay(const cvROI&) { return -1; }
int MovraPanel::AppendOverlay(const cvText&) { return -1; }
void MovraPanel::UpdateOverlayByIndex(int, const cvROI&, bool) {}
void MovraPanel::UpdateOverlayByIndex(int, const cvText&, bool) {}
void MovraPanel::SetDisplayOverlay(bool) {}
bool MovraPanel::GetDisplayOverlay() const { return false; }
void MovraPanel::SetExtDisplay(std::vector<cvROI*>*) {}
void MovraPanel::SetExtText(std::vector<cvText*>*) {}
void MovraPanel::UpdatePassFailRecycleLogo(bool, int) {}
void MovraPanel::UpdatePassFailRecycleLogo(bool, int, wxString, wxString, wxString, wxString) {}
void MovraPanel::SetStatusTextCtrl(wxTextCtrl*) {}
void MovraPanel::SetMenuROIEnable(bool, bool, bool, bool, bool, bool, bool) {}
void MovraPanel::HideROI() {}
void MovraPanel::SetLockROI(bool) {}
void MovraPanel::SetROI(const cvROI&, bool) {}
void MovraPanel::UpdateDrawImage(bool) {}
cv::Mat& MovraPanel::GetDrawMat() { return m_drawmatBitmap; }
wxBitmap& MovraPanel::GetBitmap() { return m_bitmap; }
cv::Mat& MovraPanel::GetCVcropmat() { return m_drawmatBitmap; }
void MovraPanel::SetROIMode(CvROIMode mode) { m_roiMode = static_cast<int>(mode); }
void MovraPanel::SetCenterImageEnable(bool enable) { m_centerImage = enable; }
