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

// Bytes of glyph bitmaps held for all renderers of all fonts (for tests and benchmarks).
[[nodiscard]] size_t GlyphCacheBytes();

}  // namespace cached_freetype
