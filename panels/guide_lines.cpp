// Guide lines of the display panel: setters and the wx drawing of the shared figure geometry.
#include <wx/brush.h>
#include <wx/pen.h>

#include "panels/guide_lines.h"
#include "panels/movra_panel.h"

namespace {

// Components are truncated to int and taken as bytes, so 300 becomes 44.
unsigned char ColorByte(double v) { return static_cast<unsigned char>(static_cast<int>(v)); }

}  // namespace

void MovraPanel::SetGuideLineMode(GuideLineMode mode) {
    m_guideLineMode = static_cast<int>(mode);
    Refresh(true);
}

void MovraPanel::SetGuideLineVisible(bool visible) {
    m_guideLineVisible = visible;
    Refresh(true);
}

void MovraPanel::SetGuideLineStyle(const GuideLineStyle& style) {
    m_guideLineStyle.color = style.color;
    m_guideLineStyle.thickness = style.thickness;
    Refresh(true);
}

void MovraPanel::SetAspectRatio(AspectRatio ratio) {
    m_aspectRatio = static_cast<int>(ratio);
    Refresh(true);
}

void MovraPanel::DrawGuideLineWxDC(wxDC& dc) {
    if (!m_guideLineVisible || m_guideLineMode == static_cast<int>(GuideLineMode::Off) ||
        (m_matBitmap.empty() && !m_bitmap.IsOk())) {
        return;
    }
    const cv::Size shown = DisplayedSize();
    const int w = shown.width;
    const int h = shown.height;
    if (w < 1 || h < 1) {
        return;
    }
    const cv::Scalar& c = m_guideLineStyle.color;
    const wxColour colour(ColorByte(c[2]), ColorByte(c[1]), ColorByte(c[0]), ColorByte(c[3]));
    dc.SetPen(wxPen(colour, m_guideLineStyle.thickness, wxPENSTYLE_SOLID));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    for (const GuidePrimitive& p : ComputeGuideLineFigure(m_guideLineMode, m_aspectRatio, w, h)) {
        switch (p.kind) {
            case GuidePrimitive::Kind::Line:
                dc.DrawLine(p.x1, p.y1, p.x2, p.y2);
                break;
            case GuidePrimitive::Kind::Ellipse:
                dc.DrawEllipse(p.x1, p.y1, p.x2, p.y2);
                break;
            case GuidePrimitive::Kind::Rectangle:
                dc.DrawRectangle(p.x1, p.y1, p.x2, p.y2);
                break;
        }
    }
}
