// A FreeType text renderer that keeps what FreeType renders: each line's shaping, every glyph's
// metrics and bitmap per pixel height, and measured text sizes. Its filled anti-aliased putText
// on 8-bit three-channel images draws exactly the pixels of OpenCV's own renderer, glyph by
// glyph in the same order and with the same blend, but renders only glyphs that reach the image
// and each of them once per height; a glyph far outside the image costs nothing. Every other
// kind of drawing, and all drawing while no font file is loaded, goes to an OpenCV renderer that
// holds the same font. Glyph bitmaps are shared by all renderers of one font file and bounded
// in memory. Not thread-safe per object; objects may be used on different threads.
#pragma once

#include <opencv2/freetype.hpp>

#include <cstddef>

namespace cached_freetype {

[[nodiscard]] cv::Ptr<cv::freetype::FreeType2> Create();

// Whether `font` is a renderer made by Create() that holds a font file: its drawing and
// measuring then never fail for want of a font.
[[nodiscard]] bool Ready(const cv::freetype::FreeType2& font);

// A rectangle of `image` holding every pixel that font.putText(image, text, org, height, any
// colour, FILLED, LINE_AA, bottomLeftOrigin) can change, clipped to the image; empty when it
// changes none. Only for Ready fonts (false otherwise); throws as putText would.
[[nodiscard]] bool TextBounds(cv::freetype::FreeType2& font, const cv::String& text,
                              cv::Point org, int height, bool bottomLeftOrigin,
                              const cv::Size& image, cv::Rect& bounds);

// How far any line drawn at `height` can reach, in whole pixels, hinting included: each glyph
// moves the pen by at most maxAdvance and inks only pixels from `before` left of its pen
// position to `after` right of it, and from `ascent` above the baseline to `descent` below.
struct Reach {
    int maxAdvance = 0, before = 0, after = 0, ascent = 0, descent = 0;
};
// Only for Ready fonts that hold a font file (false otherwise); throws as putText would.
[[nodiscard]] bool FontReach(cv::freetype::FreeType2& font, int height, Reach& reach);

// Bytes of glyph bitmaps held for all renderers of all fonts (for tests and benchmarks).
[[nodiscard]] size_t GlyphCacheBytes();

}  // namespace cached_freetype
