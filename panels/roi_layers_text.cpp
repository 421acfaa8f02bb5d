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
#include "roi/trunc_int.h"

namespace roi_layers {

namespace {

namespace colors = cv_Color_Defines;

const cv::Scalar kLogoFrame(136, 136, 18, 0);

// Glyphs are rasterised whole before they are clipped, so a text this tall would cost seconds
// and gigabytes per paint; it is left out instead (it cannot fit any window either).
constexpr int kMaxTextHeight = 4096;

// The font loading rule: the text's own font file when it exists, else the default font.
std::string FontFile(const std::string& utf8Path, const std::string& defaultFontPath) {
    const wxString fontPath = wxString::FromUTF8(utf8Path);
    if (fontPath.empty() || !wxFileExists(fontPath)) return defaultFontPath;
    std::string path(fontPath.mb_str(wxConvLibc));
    // A name the C library's locale cannot spell (e.g. under the "C" locale) is tried as UTF-8.
    if (path.empty()) path = std::string(fontPath.utf8_str());
    return path;
}

std::string Utf8(const wxString& s) { return std::string(s.utf8_str()); }

// One step of the text layer, in drawing order: a line's background box, or its glyphs.
struct TextStep {
    size_t text = 0;
    cv::freetype::FreeType2* font = nullptr;
    bool ready = false;  // the font cannot fail for want of a font (cached_freetype::Ready)
    bool box = false;
    cv::Rect area;  // the buffer pixels the step can change
    cv::Point p1, p2;
    std::string line;
    cv::Point org;
    int height = 0;
};

// The box from p1 to p2 as cv::rectangle fills it (both corners included), in the buffer.
cv::Rect BoxArea(const cv::Point& p1, const cv::Point& p2, const cv::Size& buffer) {
    const long long x0 = std::min(p1.x, p2.x), x1 = std::max(p1.x, p2.x);
    const long long y0 = std::min(p1.y, p2.y), y1 = std::max(p1.y, p2.y);
    const long long l = std::max(0LL, x0), t = std::max(0LL, y0);
    const long long r = std::min<long long>(buffer.width, x1 + 1);
    const long long b = std::min<long long>(buffer.height, y1 + 1);
    if (l >= r || t >= b) return {};
    return {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r - l),
            static_cast<int>(b - t)};
}

// The steps of one text. A renderer that cannot measure (it holds no font) ends the text
// there, as drawing it line by line would.
void PlanText(const cv::Mat& buffer, const Viewport& vp, const cvText& text, size_t index,
              cv::freetype::FreeType2& font, std::vector<TextStep>& steps) {
    const double zoom = detail::Zoom(vp);
    const cv::Point2f p = detail::ToBuffer(vp, text.position);
    // A text that starts far left of or above the buffer is not drawn even if it would reach
    // into it; one that starts right of or below the buffer cannot be seen.
    if (!(p.x >= -100.f) || !(p.y >= -100.f) || p.x > buffer.cols || p.y > buffer.rows) return;
    const int h = std::max(1, roi_num::TruncToInt(zoom * text.fontHeight));
    if (h > kMaxTextHeight) return;
    const int gap = roi_num::TruncToInt(zoom * 10);
    const int x = static_cast<int>(std::nearbyint(p.x));
    const bool ready = cached_freetype::Ready(font);
    const cv::Rect whole(0, 0, buffer.cols, buffer.rows);
    for (size_t k = 0; k < text.lines.size(); ++k) {
        const double yd = std::nearbyint(p.y + h + static_cast<double>(k) * (h + gap));
        if (yd - h > buffer.rows) break;  // this line and all below it are out of view
        if (yd + 2.0 * h < 0) continue;   // wholly above: its glyphs and box end before row 0
        const int y = static_cast<int>(yd);
        TextStep step;
        step.text = index;
        step.font = &font;
        step.ready = ready;
        step.line = text.lines[k];
        step.org = {x, y};
        step.height = h;
        if (text.drawBackground) {
            int baseline = 0;
            cv::Size size;
            try {
                size = font.getTextSize(step.line, h, -1, &baseline);
            } catch (const cv::Exception&) {
                return;
            }
            TextStep box = step;
            box.box = true;
            box.p1 = {x, y + baseline};
            box.p2 = {x + gap + size.width, y - size.height};
            box.area = BoxArea(box.p1, box.p2, buffer.size());
            steps.push_back(std::move(box));
        }
        step.area = whole;
        if (ready) {
            try {
                (void)cached_freetype::TextBounds(font, step.line, step.org, h, true,
                                                  buffer.size(), step.area);
            } catch (const cv::Exception&) {
            }
        }
        steps.push_back(std::move(step));
    }
}

// The pieces of `pieces` outside `cut`, still disjoint.
void Subtract(std::vector<cv::Rect>& pieces, const cv::Rect& cut) {
    std::vector<cv::Rect> out;
    out.reserve(pieces.size() + 3);
    for (const cv::Rect& r : pieces) {
        const cv::Rect c = r & cut;
        if (c.empty()) {
            out.push_back(r);
            continue;
        }
        if (c.y > r.y) out.emplace_back(r.x, r.y, r.width, c.y - r.y);
        if (c.br().y < r.br().y) out.emplace_back(r.x, c.br().y, r.width, r.br().y - c.br().y);
        if (c.x > r.x) out.emplace_back(r.x, c.y, c.x - r.x, c.height);
        if (c.br().x < r.br().x) out.emplace_back(c.br().x, c.y, r.br().x - c.br().x, c.height);
    }
    pieces.swap(out);
}

// Where a step still shows: its area less the boxes of later lines that cover it. A box of a
// ready renderer is always drawn and opaque, so what lies under it would be painted over;
// leaving it out is what keeps large zoomed texts that overlap from costing several buffers
// of drawing. Steps of other renderers keep their whole area (their drawing may fail and end
// their text, as drawing them directly would), and are never counted as covering.
std::vector<cv::Rect> VisiblePieces(const std::vector<TextStep>& steps, size_t i) {
    std::vector<cv::Rect> pieces;
    if (steps[i].area.empty()) return pieces;
    pieces.push_back(steps[i].area);
    if (!steps[i].ready) return pieces;
    constexpr size_t kMaxPieces = 64;  // fragmenting further costs more than it saves
    for (size_t j = i + 1; j < steps.size() && !pieces.empty(); ++j) {
        const TextStep& later = steps[j];
        if (!later.box || !later.ready || (later.area & steps[i].area).empty()) continue;
        Subtract(pieces, later.area);
        if (pieces.size() > kMaxPieces) break;
    }
    return pieces;
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

cv::Ptr<cv::freetype::FreeType2> LoadFont(const std::string& fontPath,
                                          const std::string& defaultFontPath) {
    cv::Ptr<cv::freetype::FreeType2> font = cached_freetype::Create();
    font->loadFontData(FontFile(fontPath, defaultFontPath), 0);
    return font;
}

void ReloadFont(cv::freetype::FreeType2& font, const std::string& fontPath,
                const std::string& defaultFontPath) {
    font.loadFontData(FontFile(fontPath, defaultFontPath), 0);
}

void DrawTexts(cv::Mat& buffer, const Viewport& vp, const std::vector<const cvText*>& texts,
               const std::vector<cv::Ptr<cv::freetype::FreeType2>>& fonts) {
    if (!detail::CanDraw(buffer, vp)) return;
    std::vector<TextStep> steps;
    for (size_t i = 0; i < texts.size() && i < fonts.size(); ++i) {
        if (texts[i] == nullptr || !texts[i]->visible || !fonts[i]) continue;
        PlanText(buffer, vp, *texts[i], i, *fonts[i], steps);
    }
    std::vector<bool> failed(texts.size(), false);
    for (size_t i = 0; i < steps.size(); ++i) {
        const TextStep& step = steps[i];
        if (failed[step.text]) continue;
        const cvText& text = *texts[step.text];
        try {
            for (const cv::Rect& piece : VisiblePieces(steps, i)) {
                if (step.box) {
                    cv::rectangle(buffer, piece.tl(), piece.br() - cv::Point(1, 1),
                                  text.backgroundColor, cv::FILLED, cv::LINE_8);
                } else {
                    cv::Mat part = buffer(piece);
                    step.font->putText(part, step.line, step.org - piece.tl(), step.height,
                                       text.color, -1, cv::LINE_AA, true);
                }
            }
        } catch (const cv::Exception&) {
            // A renderer without a font, or a buffer it cannot draw on: the rest of that text
            // is left out. A ready renderer only fails on a damaged glyph, and only that line
            // goes.
            if (!step.ready) failed[step.text] = true;
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
            if (reload) font = LoadFont(Utf8(fontPath), defaultFontPath);
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
