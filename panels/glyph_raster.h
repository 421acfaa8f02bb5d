// Glyph bitmaps as the cached text renderer keeps them, and OpenCV's anti-aliased blend of
// them into an 8-bit three-channel image. Internal to cached_freetype.cpp.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cached_freetype::detail {

// A glyph bitmap as OpenCV's blend sees it: each row's stretches of full coverage, drawn as the
// colour itself, and its partly covered pixels, blended one by one. Empty pixels cost nothing.
struct Span {
    int begin = 0, end = 0;
};

struct Partial {
    int col = 0;
    int coverage = 0;
};

struct Glyph {
    // Pen movement and the bitmap's top-left relative to the pen, in whole pixels (26.6 values
    // shifted down, as OpenCV places them).
    long advanceX = 0, advanceY = 0;
    long bearingX = 0, bearingY = 0;
    // The outline's size in pixels, rounded up: with a margin it bounds the bitmap before that
    // is rendered.
    long width = 0, height = 0;
    bool rendered = false;
    int rows = 0, pitch = 0;
    // Row r: spans [rowSpans[r], rowSpans[r + 1]), partials [rowPartials[r], rowPartials[r + 1]).
    std::vector<Span> spans;
    std::vector<Partial> partials;
    std::vector<uint32_t> rowSpans, rowPartials;

    [[nodiscard]] size_t Bytes() const {
        return spans.size() * sizeof(Span) + partials.size() * sizeof(Partial) +
               (rowSpans.size() + rowPartials.size()) * sizeof(uint32_t);
    }
};

// The colour of a putText call as OpenCV's renderer draws it, with its blend tables.
struct Ink {
    uint32_t pattern = 0;  // the colour's three bytes, and one more that is overwritten
    const uint8_t* mix[3] = {};
};
[[nodiscard]] Ink MakeInk(const cv::Scalar& colour);

// Keeps FreeType's rendered bitmap in `g` as spans and partial pixels; marks it rendered.
void TakeBitmap(const FT_Bitmap& bmp, Glyph& g);

// Blends `g`, its bitmap's top-left at (left, top), into `dst` (CV_8UC3) as OpenCV's renderer
// does, clipped to `dst`.
void BlendGlyph(cv::Mat& dst, const Glyph& g, long long left, long long top, const Ink& ink);

}  // namespace cached_freetype::detail
