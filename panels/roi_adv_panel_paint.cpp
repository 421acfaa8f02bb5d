// MovraROIAdvPanel: the paint pipeline (visible buffer, layers, blit) and zoom.
#include <wx/dcbuffer.h>
#include <wx/log.h>
#include <wx/wupdlock.h>


#include <algorithm>
#include <climits>
#include <exception>

#include "panels/display_scale.h"
#include "panels/roi_adv_panel.h"
#include "panels/roi_layers.h"


void MovraROIAdvPanel::OnPaint(wxPaintEvent& /*event*/) {
    if (IsBeingDeleted() || GetParent() == nullptr || GetParent()->IsBeingDeleted()) {
        // A paint event must still be answered with a paint DC, or GTK keeps asking.
        wxPaintDC dc(this);
        return;
    }
    wxAutoBufferedPaintDC dc(this);
    // A paint event draws on a fresh surface and may cover only part of the window: the
    // background around the image is filled anew, and not taken as shown afterwards.
    m_blitter.ForgetWindow();
    // An exception must not leave a wx event handler; a layer that fails still lets the image
    // show.
    try {
        RenderFrame(dc);
    } catch (const std::exception& e) {
        ReportPaintError(e.what());
        try {
            RenderFrameFast(dc, m_matBitmap);
        } catch (const std::exception&) {
            ClearWindow(dc);
        }
    }
    m_blitter.ForgetWindow();
    ScheduleROIChanging();
}

void MovraROIAdvPanel::ReportPaintError(const char* what) {
    if (m_lastPaintError == what) {
        return;
    }
    m_lastPaintError = what;
    wxLogError("MovraROIAdvPanel::OnPaint error: %s", what);
}

void MovraROIAdvPanel::RenderFrame(wxDC& dc) {
    cv::Mat buffer = CutVisibleBuffer(m_matBitmap);
    if (buffer.empty()) {
        ClearWindow(dc);
        return;
    }
    DrawGuideOnVisibleBuffer(buffer);
    DrawROISet(buffer);
    DrawCurrentEditingROI(buffer);
    DrawStoredOverlays(buffer);
    DrawTexts(buffer);
    DrawPFRLogo(buffer);
    BlitBuffer(dc, buffer);
    DrawGuideLineWxDC(dc);
}

void MovraROIAdvPanel::RenderFrameFast(wxDC& dc, const cv::Mat& mat) {
    cv::Mat buffer = CutVisibleBuffer(mat);
    if (buffer.empty()) {
        ClearWindow(dc);
        return;
    }
    BlitBuffer(dc, buffer);
}

cv::Mat MovraROIAdvPanel::CutVisibleBuffer(const cv::Mat& image) {
    if (image.empty()) {
        return {};
    }
    SyncViewportToWindow();
    const cv::Rect inside = m_viewport.GetVisibleROI() & cv::Rect(0, 0, image.cols, image.rows);
    if (inside.empty()) {
        return {};
    }
    // Only the buffer's pixels are levelled and coloured, never the whole visible region.
    return m_displayMap.RenderRegion(image, inside, m_viewport.SamplingScale());
}

void MovraROIAdvPanel::BlitBuffer(wxDC& dc, const cv::Mat& buffer) {
    const cv::Point_<float> offset = m_viewport.GetCenteringOffset();
    if (!m_blitter.Blit(dc, buffer, static_cast<int>(offset.x), static_cast<int>(offset.y))) {
        ClearWindow(dc);
        return;
    }
    // The background only where the buffer leaves the window uncovered: clearing the whole
    // window first would paint most pixels twice.
    m_blitter.FillAround(dc, GetClientSize(), GetBackgroundColour());
}

void MovraROIAdvPanel::ClearWindow(wxDC& dc) {
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    m_blitter.ForgetWindow();
}

void MovraROIAdvPanel::DrawGuideLineWxDC(wxDC& /*dc*/) {}

// --- Layers: the drawing itself is window-free (roi_layers); these supply the panel's state.

void MovraROIAdvPanel::DrawGuideOnVisibleBuffer(cv::Mat& buffer) {
    roi_layers::DrawGuides(buffer, m_viewport, m_guideLineMode, m_guideLineVisible,
                           m_guideLineStyle, m_aspectRatio);
}

void MovraROIAdvPanel::DrawCurrentEditingROI(cv::Mat& buffer) {
    roi_layers::DrawEditingROI(buffer, m_viewport, RoiMode(), m_editor);
}

void MovraROIAdvPanel::DrawStoredOverlays(cv::Mat& buffer) {
    // The switch hides the caller's external overlays too.
    if (!m_displayOverlay) {
        return;
    }
    roi_layers::DrawOverlays(buffer, m_viewport, m_overlays, m_extOverlays, m_highlightColor);
}

void MovraROIAdvPanel::DrawROI(cv::Mat& buffer, const cvROI& roi,
                               std::vector<cv::Point2f> view) {
    roi_layers::DrawOverlay(buffer, m_viewport, roi, std::move(view), m_highlightColor);
}

void MovraROIAdvPanel::DrawTexts(cv::Mat& buffer) {
    if (!m_displayOverlay) {
        return;
    }
    // Stored texts, then the caller's, in one pass: a later text's box hides what lies under
    // it in either list.
    std::vector<const cvText*> texts;
    std::vector<cv::Ptr<cv::freetype::FreeType2>> fonts;
    texts.reserve(m_texts.size());
    for (const cvText& text : m_texts) {
        texts.push_back(&text);
    }
    fonts.assign(m_textFonts.begin(), m_textFonts.end());
    // A renderer list shorter than the texts leaves the texts without one undrawn.
    texts.resize(std::min(texts.size(), fonts.size()));
    fonts.resize(texts.size());
    if (m_extTexts != nullptr && !m_extTexts->empty()) {
        // The caller may have grown or shrunk its list since the renderers were made; a list
        // of the same length keeps them (SetExtText reloads on request).
        if (m_extTextFonts.size() != m_extTexts->size()) {
            m_extTextFonts.clear();
            m_extTextFonts.reserve(m_extTexts->size());
            for (const cvText* text : *m_extTexts) {
                m_extTextFonts.push_back(LoadFontForPaint(text ? text->fontPath : std::string()));
            }
        }
        texts.insert(texts.end(), m_extTexts->begin(), m_extTexts->end());
        fonts.insert(fonts.end(), m_extTextFonts.begin(), m_extTextFonts.end());
    }
    if (!texts.empty()) {
        roi_layers::DrawTexts(buffer, m_viewport, texts, fonts);
    }
}

cv::Ptr<cv::freetype::FreeType2> MovraROIAdvPanel::LoadFontForPaint(
    const std::string& fontPath) const {
    try {
        return roi_layers::LoadFont(fontPath, m_defaultFontPath);
    } catch (const cv::Exception&) {
    }
    try {
        return roi_layers::LoadFont(std::string(), m_defaultFontPath);
    } catch (const cv::Exception&) {
        return {};
    }
}

void MovraROIAdvPanel::DrawPFRLogo(cv::Mat& buffer) {
    if (!m_showLogo) {
        return;
    }
    roi_layers::DrawResultLogo(buffer, m_logoResult, m_passText, m_failText, m_recycleText,
                               m_logoFontPath, m_defaultFontPath, m_logoFont, m_logoFontHeight,
                               m_logoBaseline, m_logoBufferSize);
}

// --- Zoom.

void MovraROIAdvPanel::ApplyZoom(double zoom) {
    m_viewport.SetScale(zoom);
    m_scale = m_viewport.scale;
    const cv::Size virtualSize = m_viewport.GetVirtualSize();
    SetVirtualSize(virtualSize.width, virtualSize.height);
    Refresh(true);
}

void MovraROIAdvPanel::SetZoomToFit() {
    if (m_matBitmap.empty()) {
        return;
    }
    const wxSize client = GetClientSize();
    const double zoom = std::min(static_cast<double>(client.x) / m_matBitmap.cols,
                                 static_cast<double>(client.y) / m_matBitmap.rows);
    // Below 10 % when the image needs it: a huge image is shown whole, not its corner.
    ApplyZoom(std::clamp(zoom, display_scale::kMinFitZoom, display_scale::kMaxZoom));
    m_fitted = true;
}

void MovraROIAdvPanel::SetOriginal(bool /*showScrollbars*/) {
    const wxSize client = GetClientSize();
    ZoomAbout(1.0, wxPoint(client.x / 2, client.y / 2));
}

void MovraROIAdvPanel::ZoomAbout(double zoom, const wxPoint& anchor) {
    m_fitted = false;
    if (m_matBitmap.empty()) {
        ApplyZoom(zoom);
        return;
    }
    SyncViewportToWindow();
    const cv::Point2f at = ImagePoint(anchor);
    wxWindowUpdateLocker freeze(this);
    ApplyZoom(zoom);
    // The image point under the anchor stays there (the margin is the new zoom's).
    const cv::Point_<float> margin = m_viewport.GetCenteringOffset();
    int unitX = 0;
    int unitY = 0;
    GetScrollPixelsPerUnit(&unitX, &unitY);
    const auto units = [](double canvas, int unit) {
        if (unit < 1 || !(canvas > 0)) {
            return 0;
        }
        return static_cast<int>(std::min(canvas / unit + 0.5, static_cast<double>(INT_MAX)));
    };
    Scroll(units(at.x * m_scale - anchor.x + margin.x, unitX),
           units(at.y * m_scale - anchor.y + margin.y, unitY));
    Refresh(true);
}

bool MovraROIAdvPanel::CalcZoomIn() {
    const double zoom = display_scale::StepIn(m_scale);
    const bool changed = zoom != m_scale;
    m_scale = zoom;
    if (changed) {
        m_fitted = false;
    }
    return changed;
}

bool MovraROIAdvPanel::CalcZoomOut() {
    const wxSize client = GetClientSize();
    const double floor =
        display_scale::ZoomOutFloor(m_matBitmap.size(), cv::Size(client.x, client.y));
    const double zoom = display_scale::StepOut(m_scale, floor);
    const bool changed = zoom != m_scale;
    m_scale = zoom;
    if (changed) {
        m_fitted = false;
    }
    return changed;
}

void MovraROIAdvPanel::SetZoomIn() {
    if (CalcZoomIn()) {
        ApplyZoom(m_scale);
    }
}

void MovraROIAdvPanel::SetZoomOut() {
    if (CalcZoomOut()) {
        ApplyZoom(m_scale);
    }
}

void MovraROIAdvPanel::UpdateScale() { SetZoomToFit(); }

void MovraROIAdvPanel::SetCenterImageEnable(bool enable) {
    m_centerImage = enable;
    m_viewport.SetCenteringEnabled(enable);
    Refresh(true);
}

void MovraROIAdvPanel::UpdateDrawImage(bool resize) {
    if (!m_bitmap.IsOk() || m_matBitmap.empty()) {
        return;
    }
    (void)SetCVmat(m_matBitmap, true, true);
    if (resize) {
        SetVirtualSize(m_bitmap.GetSize());
    }
}
