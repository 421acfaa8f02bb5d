// MovraROIAdvPanel: storage of the host's overlays, masks, texts and the result logo. Nothing
// here repaints unless a call says so; the layers draw the stored state at the next paint.
#include <opencv2/imgproc.hpp>

#include "panels/roi_adv_panel.h"
#include "panels/roi_layers.h"

void MovraROIAdvPanel::ClearOverlay() { m_overlays.clear(); }

int MovraROIAdvPanel::AppendOverlay(const cvROI& roi) {
    m_overlays.push_back(roi);
    return static_cast<int>(m_overlays.size()) - 1;
}

int MovraROIAdvPanel::AppendMaskOverlay(const cv::Mat& mask, const cv::Scalar& color,
                                        double alpha) {
    if (mask.empty()) {
        return -1;
    }
    cvROI roi;
    roi.visible = true;
    roi.mode = CvROIMode::Mask;
    roi.color = cv::Scalar(color[0], color[1], color[2], alpha * 255.0);
    roi.mask = mask.clone();
    return AppendOverlay(roi);
}

std::vector<cv::Point2f> MovraROIAdvPanel::ConvertMaskToPolygon(const cv::Mat& mask) {
    if (mask.empty()) {
        return {};
    }
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(mask, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    if (contours.empty()) {
        return {};
    }
    size_t largest = 0;
    double largestArea = cv::contourArea(contours[0]);
    for (size_t i = 1; i < contours.size(); ++i) {
        const double area = cv::contourArea(contours[i]);
        if (area > largestArea) {  // ties keep the earlier contour
            largest = i;
            largestArea = area;
        }
    }
    std::vector<cv::Point2f> polygon;
    polygon.reserve(contours[largest].size());
    for (const cv::Point& p : contours[largest]) {
        polygon.emplace_back(static_cast<float>(p.x), static_cast<float>(p.y));
    }
    return polygon;
}

int MovraROIAdvPanel::AppendOverlay(const cvText& text) {
    // The font first: a font FreeType cannot read throws before anything is stored, so texts
    // and renderers keep the same indexes.
    cv::Ptr<cv::freetype::FreeType2> font = roi_layers::LoadFont(text.fontPath, m_defaultFontPath);
    m_texts.push_back(text);
    m_textFonts.push_back(font);
    return static_cast<int>(m_texts.size()) - 1;
}

void MovraROIAdvPanel::UpdateOverlayByIndex(int index, const cvROI& roi, bool show) {
    if (index < 0 || index >= static_cast<int>(m_overlays.size())) {
        return;
    }
    cvROI& stored = m_overlays[static_cast<size_t>(index)];
    stored = roi;
    if (show) {
        stored.visible = true;
        Refresh(true);
    }
}

void MovraROIAdvPanel::UpdateOverlayByIndex(int index, const cvText& text, bool show) {
    if (index < 0 || index >= static_cast<int>(m_texts.size())) {
        return;
    }
    const auto i = static_cast<size_t>(index);
    if (text.fontPath != m_texts[i].fontPath && i < m_textFonts.size() && m_textFonts[i]) {
        // Tried on a scratch renderer first: a renderer whose load failed has no face and would
        // fail at every paint, so the stored one only ever loads a font known to load. A font
        // that cannot be read throws here with the text unchanged.
        (void)roi_layers::LoadFont(text.fontPath, m_defaultFontPath);
        roi_layers::ReloadFont(*m_textFonts[i], text.fontPath, m_defaultFontPath);
    }
    m_texts[i] = text;
    if (show) {
        m_texts[i].visible = true;
        Refresh(true);
    }
}

void MovraROIAdvPanel::SetDisplayOverlay(bool show) {
    m_displayOverlay = show;
    (void)SetCVmat(m_matBitmap, true, false);
}

bool MovraROIAdvPanel::GetDisplayOverlay() const { return m_displayOverlay; }

void MovraROIAdvPanel::SetExtDisplay(std::vector<cvROI*>* rois) { m_extOverlays = rois; }

void MovraROIAdvPanel::SetExtText(std::vector<cvText*>* texts) {
    m_extTexts = texts;
    m_extTextFonts.clear();
    if (texts == nullptr || texts->empty()) {
        return;
    }
    // Built aside: if a font throws, the list stays empty and the next paint rebuilds it.
    std::vector<cv::Ptr<cv::freetype::FreeType2>> fonts;
    fonts.reserve(texts->size());
    for (const cvText* text : *texts) {
        fonts.push_back(roi_layers::LoadFont(text ? text->fontPath : std::string(),
                                             m_defaultFontPath));
    }
    m_extTextFonts = std::move(fonts);
}

void MovraROIAdvPanel::UpdatePassFailRecycleLogo(bool show, int result) {
    m_showLogo = show;
    m_logoResult = result;
}

void MovraROIAdvPanel::UpdatePassFailRecycleLogo(bool show, int result, wxString fontPath,
                                                 wxString passText, wxString failText,
                                                 wxString recycleText) {
    m_showLogo = show;
    if (!show) {
        return;
    }
    // A new text or font asks the next paint to fit the font height again.
    if (passText != m_passText || failText != m_failText || recycleText != m_recycleText) {
        m_logoFontHeight = -1;
    }
    m_passText = passText;
    m_failText = failText;
    m_recycleText = recycleText;
    m_logoResult = result;
    if (fontPath != m_logoFontPath) {
        m_logoFontPath = fontPath;
        m_logoFontHeight = -1;
    }
}
