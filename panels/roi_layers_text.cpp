// Text blocks and the pass/fail/recycle logo, drawn with OpenCV's FreeType renderer. Fonts are
// loaded by the callers (once per text); a paint only measures and draws, and a renderer that
// holds no font draws nothing.
#include <wx/filefn.h>
#include <wx/strconv.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

#include "panels/cached_freetype.h"
#include "panels/roi_layers.h"
#include "panels/roi_layers_util.h"
#include "roi/named_colors.h"

namespace roi_layers {

namespace {

namespace colors = cv_Color_Defines;

const cv::Scalar kLogoFrame(136, 136, 18, 0);

// Glyphs are rasterised whole before they are clipped, so a text this tall would cost seconds
// and gigabytes per paint; it is left out instead (it cannot fit any window either).
constexpr int kMaxTextHeight = 4096;

// The font loading rule: the text's own font file when it exists, else the default font.
std::string FontFile(const wxString& fontPath, const std::string& defaultFontPath) {
    if (fontPath.empty() || !wxFileExists(fontPath)) return defaultFontPath;
    std::string path(fontPath.mb_str(wxConvLibc));
    // A name the C library's locale cannot spell (e.g. under the "C" locale) is tried as UTF-8.
    if (path.empty()) path = std::string(fontPath.utf8_str());
    return path;
}

std::string Utf8(const wxString& s) { return std::string(s.utf8_str()); }

int TruncInt(double v) {
    return static_cast<int>(std::clamp(std::trunc(v), static_cast<double>(INT_MIN),
                                       static_cast<double>(INT_MAX)));
}

void DrawText(cv::Mat& buffer, const Viewport& vp, const cvText& text,
              cv::freetype::FreeType2& font) {
    const double zoom = detail::Zoom(vp);
    const cv::Point2f p = detail::ToBuffer(vp, text.position);
    // A text that starts far left of or above the buffer is not drawn even if it would reach
    // into it; one that starts right of or below the buffer cannot be seen.
    if (!(p.x >= -100.f) || !(p.y >= -100.f) || p.x > buffer.cols || p.y > buffer.rows) return;
    const int h = std::max(1, TruncInt(zoom * text.fontHeight));
    if (h > kMaxTextHeight) return;
    const int gap = TruncInt(zoom * 10);
    const int x = static_cast<int>(std::nearbyint(p.x));
    for (size_t k = 0; k < text.lines.size(); ++k) {
        const double yd = std::nearbyint(p.y + h + static_cast<double>(k) * (h + gap));
        if (yd - h > buffer.rows) break;  // this line and all below it are out of view
        if (yd + 2.0 * h < 0) continue;   // wholly above: its glyphs and box end before row 0
        const int y = static_cast<int>(yd);
        const std::string line = Utf8(text.lines[k]);
        if (text.drawBackground) {
            int baseline = 0;
            const cv::Size size = font.getTextSize(line, h, -1, &baseline);
            cv::rectangle(buffer, cv::Point(x, y + baseline),
                          cv::Point(x + gap + size.width, y - size.height), text.backgroundColor,
                          cv::FILLED, cv::LINE_8);
        }
        font.putText(buffer, line, cv::Point(x, y), h, text.color, -1, cv::LINE_AA, true);
    }
}

// The largest height from 80 down to 2 at which the widest text, with one blank after it, fits
// the box; 1 when none does.
void FitLogoFont(cv::freetype::FreeType2& font, const std::string (&texts)[3], int boxWidth,
                 int boxHeight, int& height, int& baseline) {
    constexpr int kStart = 80;
    int bl = 0;
    std::string widest = texts[2];  // recycle, then fail, then pass if strictly wider
    int widestWidth = font.getTextSize(widest, kStart, -1, &bl).width;
    for (const std::string* t : {&texts[1], &texts[0]}) {
        const int w = font.getTextSize(*t, kStart, -1, &bl).width;
        if (w > widestWidth) {
            widest = *t;
            widestWidth = w;
        }
    }
    widest += ' ';
    for (int candidate = kStart; candidate >= 2; --candidate) {
        const cv::Size size = font.getTextSize(widest, candidate, -1, &bl);
        if (size.width <= boxWidth && size.height + bl <= boxHeight) {
            height = candidate;
            baseline = bl;
            return;
        }
    }
    font.getTextSize(widest, 1, -1, &bl);
    height = 1;
    baseline = bl;
}

}  // namespace

cv::Ptr<cv::freetype::FreeType2> LoadFont(const wxString& fontPath,
                                          const std::string& defaultFontPath) {
    cv::Ptr<cv::freetype::FreeType2> font = cached_freetype::Create();
    font->loadFontData(FontFile(fontPath, defaultFontPath), 0);
    return font;
}

void ReloadFont(cv::freetype::FreeType2& font, const wxString& fontPath,
                const std::string& defaultFontPath) {
    font.loadFontData(FontFile(fontPath, defaultFontPath), 0);
}

void DrawTexts(cv::Mat& buffer, const Viewport& vp, const std::vector<const cvText*>& texts,
               const std::vector<cv::Ptr<cv::freetype::FreeType2>>& fonts) {
    if (!detail::CanDraw(buffer, vp)) return;
    for (size_t i = 0; i < texts.size() && i < fonts.size(); ++i) {
        if (texts[i] == nullptr || !texts[i]->visible || !fonts[i]) continue;
        try {
            DrawText(buffer, vp, *texts[i], *fonts[i]);
        } catch (const cv::Exception&) {
            // A renderer whose font failed to load, or a buffer it cannot draw on.
        }
    }
}

void DrawResultLogo(cv::Mat& buffer, int result, const wxString& passText,
                    const wxString& failText, const wxString& recycleText,
                    const wxString& fontPath, const std::string& defaultFontPath,
                    cv::Ptr<cv::freetype::FreeType2>& font, int& fontHeight, int& baseline,
                    cv::Size& fittedSize) {
    if (result < 0 || result > 2 || buffer.empty() || buffer.channels() > 4) return;
    const cv::Scalar fills[3] = {colors::lime, colors::red, colors::silver};
    const std::string texts[3] = {Utf8(passText), Utf8(failText), Utf8(recycleText)};
    const int c = buffer.cols;
    const int bw = c / 6, bh = c / 12;
    const cv::Point tl(c - bw - 3, 3), br(c - 3, bh + 3);
    try {
        cv::rectangle(buffer, tl, br, fills[result], cv::FILLED, cv::LINE_8);
        cv::rectangle(buffer, tl, br, kLogoFrame, 2, cv::LINE_8);
    } catch (const cv::Exception&) {
        return;
    }
    // fontHeight < 0: the texts or the font file changed. The fit depends on the buffer's width
    // only (it sizes the badge), so scrolling to the image's end, which shortens the buffer,
    // does not refit. A failure is remembered the same way, so a font file FreeType cannot
    // read is not reread at every paint.
    const bool reload = fontHeight < 0 || !font;
    if (fontHeight < 0 || fittedSize.width != buffer.cols) {
        fittedSize = buffer.size();
        fontHeight = 0;
        baseline = 0;
        try {
            if (reload) font = LoadFont(fontPath, defaultFontPath);
            FitLogoFont(*font, texts, bw, bh, fontHeight, baseline);
        } catch (const cv::Exception&) {
            font.reset();
            fontHeight = 0;
        }
    }
    if (!font || fontHeight < 1) return;
    try {
        int bl = 0;
        const cv::Size size = font->getTextSize(texts[result], fontHeight, -1, &bl);
        const cv::Point origin(tl.x + (bw - size.width) / 2, (bh + size.height) / 2 - baseline + 3);
        font->putText(buffer, texts[result], origin, fontHeight, colors::lightyellow, -1,
                      cv::LINE_AA, true);
    } catch (const cv::Exception&) {
        // The renderer lost its font (a failed reload elsewhere): the box stays without text.
    }
}

}  // namespace roi_layers
