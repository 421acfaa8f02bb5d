// The layers the ROI panel draws into its visible buffer, as window-free functions of their
// inputs (the panel's Draw* members forward to them). The buffer is the visible part of the
// image at the viewport's zoom, 8-bit three channels, starting at the first visible image
// pixel: an image point p lands at B(p) = viewport.OriginalToView(p) - centering offset, and
// image lengths are multiplied by the zoom. Every function draws nothing rather than fail or
// throw (NaN or far-off geometry, unusable masks, renderers without a font); only LoadFont and
// ReloadFont throw. The caller decides whether a layer is shown at all (overlays and texts only
// while overlays are displayed, the logo only while it is shown).
#pragma once

#include <wx/string.h>

#include <opencv2/core.hpp>
#include <opencv2/freetype.hpp>

#include <string>
#include <vector>

#include "panels/cached_freetype.h"
#include "panels/display_modes.h"
#include "roi/roi_editor.h"
#include "roi/roi_records.h"
#include "roi/viewport.h"

namespace roi_layers {

// Guide-line figure of `mode` in image coordinates (the image's own W x H), mapped into the
// buffer with dashes of 10 buffer pixels; AspectRatioMask also darkens the buffer outside the
// outline to half brightness.
void DrawGuides(cv::Mat& buffer, const Viewport& vp, int mode, bool visible,
                const GuideLineStyle& style, int aspectRatio);

// The editing ROI of `mode` with its handles and centre mark, in lime, when crop editing is on.
// Reads only the editor's members.
void DrawEditingROI(cv::Mat& buffer, const Viewport& vp, CvROIMode mode, const ROIEditor& roi);

// Integer image-space box of everything an overlay record draws, used to cull it; empty when
// the record is never drawn (no drawable group, NaN or infinite coordinates, an empty mask).
[[nodiscard]] cv::Rect OverlayBoundingBox(const cvROI& roi, const cv::Size& imageSize);
// Visible records of `stored`, then of `external` (null entries and a null list skipped), that
// meet the visible rectangle; records with highlightIndex >= 0 take `highlight`.
void DrawOverlays(cv::Mat& buffer, const Viewport& vp, const std::vector<cvROI>& stored,
                  const std::vector<cvROI*>* external, const cv::Scalar& highlight);
// One visible record; `view` is vp.OriginalToView(roi.points) (every point mapped as a
// position): positions are taken from it, sizes and angles from the record. A Mask record
// ignores `view` and tints where its mask, which must have the image's size, is set.
void DrawOverlay(cv::Mat& buffer, const Viewport& vp, const cvROI& roi,
                 std::vector<cv::Point2f> view, const cv::Scalar& highlight);

// A new FreeType renderer (cached_freetype: it keeps its glyphs) loaded from `fontPath` when
// that file exists, else from the default font. A font file FreeType cannot read throws
// cv::Exception.
[[nodiscard]] cv::Ptr<cv::freetype::FreeType2> LoadFont(const std::string& fontPath,
                                                        const std::string& defaultFontPath);
// Reloads an existing renderer by the same rule (the object is kept). Throws as LoadFont; the
// renderer then holds no font and draws nothing until a reload succeeds.
void ReloadFont(cv::freetype::FreeType2& font, const std::string& fontPath,
                const std::string& defaultFontPath);
// Texts[i] with fonts[i], line by line (background box, then glyphs), later ones over earlier;
// null texts, hidden texts, texts without a font and texts whose position lies more than 100
// buffer pixels left of or above the buffer are skipped, as are texts taller than 4096 buffer
// pixels. A renderer that cannot draw ends its text there; a LoadFont renderer holding a font
// only fails on a damaged glyph, and then only that line is left out.
void DrawTexts(cv::Mat& buffer, const Viewport& vp, const std::vector<const cvText*>& texts,
               const std::vector<cv::Ptr<cv::freetype::FreeType2>>& fonts);

// The names of the set's ROIs: labels of a fixed pixel height in the ROI's colour, their
// baseline kGap pixels above the ROI's bounds and starting at their left edge. They are drawn
// with one renderer of the default font, whatever the zoom, so any UTF-8 name shows.
struct Labels {
    static constexpr int kHeight = 14;
    static constexpr int kGap = 4;
    cv::Ptr<cv::freetype::FreeType2> font;  // null: no label is drawn
    cached_freetype::Reach reach;           // the font's at kHeight

    // Loads the default font and measures it; a font that cannot be loaded or measured leaves
    // the font null. Never throws.
    [[nodiscard]] static Labels Load(const std::string& defaultFontPath);

    // Buffer pixels a label of a name of `bytes` bytes can ink beyond its ROI's bounds (whose
    // top-left is at the label's start): right of the left edge, left of it, above the top edge
    // and below it. Width counts one advancing glyph per byte: UTF-8 spends a byte or more on
    // every character, and the marks HarfBuzz may split a character into do not advance.
    [[nodiscard]] double Width(std::size_t bytes) const;
    [[nodiscard]] int Before() const { return reach.before; }
    [[nodiscard]] int Above() const { return kGap + reach.ascent; }
    [[nodiscard]] int Below() const { return reach.descent - kGap; }

    // Draws `name` for an ROI whose bounds' top-left lands at `topLeft` in the buffer; nothing
    // for an empty name, a label wholly outside the buffer, or a glyph the font cannot draw.
    void Draw(cv::Mat& buffer, const std::string& name, const cv::Point2f& topLeft,
              const cv::Scalar& colour) const;
};

// The pass (0) / fail (1) / recycle (2) badge in the top-right corner; other results draw
// nothing. The font is reloaded and its height refitted when fontHeight < 0 (set it so when a
// text or the font file changes), refitted when the buffer's width differs from fittedSize's;
// all four are stored back for the next paint. A font that cannot be loaded leaves font null
// and fontHeight 0 (the badge without text) until the caller asks again.
void DrawResultLogo(cv::Mat& buffer, int result, const wxString& passText,
                    const wxString& failText, const wxString& recycleText,
                    const wxString& fontPath, const std::string& defaultFontPath,
                    cv::Ptr<cv::freetype::FreeType2>& font, int& fontHeight, int& baseline,
                    cv::Size& fittedSize);

}  // namespace roi_layers
