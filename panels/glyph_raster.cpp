#include "panels/glyph_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

namespace cached_freetype::detail {

namespace {

// The colour byte OpenCV's renderer takes from a Scalar component (a plain conversion, which
// truncates toward zero and keeps the low byte); values it cannot convert give 0.
uint8_t ColourByte(double v) {
    if (!std::isfinite(v) || v <= -2147483648.0 || v >= 2147483648.0) return 0;
    return static_cast<uint8_t>(static_cast<int>(v));
}

// OpenCV's anti-aliased glyph blend: two rounding steps of (colour - value) * coverage / 256.
// Full coverage always lands on the colour itself.
inline uint8_t Mix(int value, int colour, int coverage) {
    value += ((colour - value) * coverage + 127) >> 8;
    value += ((colour - value) * coverage + 127) >> 8;
    return static_cast<uint8_t>(value);
}

// Mix for one colour byte as a table indexed by coverage * 256 + value. Built on first use and
// kept: 64 KB per distinct colour byte, at most 16 MB, a few tables in practice.
const uint8_t* MixTable(uint8_t colour) {
    static std::mutex mutex;
    static std::unique_ptr<uint8_t[]> tables[256];
    std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<uint8_t[]>& table = tables[colour];
    if (!table) {
        table.reset(new uint8_t[256 * 256]);
        for (int a = 0; a < 256; ++a) {
            for (int v = 0; v < 256; ++v) table[a * 256 + v] = Mix(v, colour, a);
        }
    }
    return table.get();
}

}  // namespace

Ink MakeInk(const cv::Scalar& colour) {
    const uint8_t c[3] = {ColourByte(colour[0]), ColourByte(colour[1]), ColourByte(colour[2])};
    Ink ink;
    std::memcpy(&ink.pattern, c, 3);
    for (int k = 0; k < 3; ++k) ink.mix[k] = MixTable(c[k]);
    return ink;
}

void TakeBitmap(const FT_Bitmap& bmp, Glyph& g) {
    g.rows = static_cast<int>(bmp.rows);
    // OpenCV walks `pitch` bytes per row; an upward-flowing bitmap (negative pitch) draws
    // nothing there, so nothing is kept of it here either.
    g.pitch = bmp.pitch > 0 && bmp.buffer != nullptr ? bmp.pitch : 0;
    g.spans.clear();
    g.partials.clear();
    g.rowSpans.assign(1, 0);
    g.rowPartials.assign(1, 0);
    for (int r = 0; r < g.rows && g.pitch > 0; ++r) {
        const uint8_t* row = bmp.buffer + static_cast<size_t>(r) * g.pitch;
        for (int c = 0; c < g.pitch;) {
            if (row[c] == 255) {
                Span span{c, c + 1};
                while (span.end < g.pitch && row[span.end] == 255) ++span.end;
                g.spans.push_back(span);
                c = span.end;
            } else {
                if (row[c] != 0) g.partials.push_back({c, row[c]});
                ++c;
            }
        }
        g.rowSpans.push_back(static_cast<uint32_t>(g.spans.size()));
        g.rowPartials.push_back(static_cast<uint32_t>(g.partials.size()));
    }
    g.rowSpans.resize(static_cast<size_t>(g.rows) + 1, static_cast<uint32_t>(g.spans.size()));
    g.rowPartials.resize(static_cast<size_t>(g.rows) + 1,
                         static_cast<uint32_t>(g.partials.size()));
    g.rendered = true;
}

void BlendGlyph(cv::Mat& dst, const Glyph& g, long long left, long long top, const Ink& ink) {
    const long long colBegin = std::max(0LL, -left);
    const long long colEnd = std::min<long long>(g.pitch, dst.cols - left);
    if (colBegin >= colEnd) return;
    const bool whole = colBegin == 0 && colEnd == g.pitch;
    const int rowBegin = static_cast<int>(std::clamp<long long>(-top, 0, g.rows));
    const int rowEnd = static_cast<int>(std::clamp<long long>(dst.rows - top, 0, g.rows));
    // In locals: a store through a byte pointer may alias anything, so fields read through
    // references would be read again after every pixel.
    const Span* spans = g.spans.data();
    const Partial* partials = g.partials.data();
    const uint32_t* rowSpans = g.rowSpans.data();
    const uint32_t* rowPartials = g.rowPartials.data();
    const uint32_t pattern = ink.pattern;
    const uint8_t* mix0 = ink.mix[0];
    const uint8_t* mix1 = ink.mix[1];
    const uint8_t* mix2 = ink.mix[2];
    const size_t step = dst.step[0];
    uint8_t* origin = dst.data + static_cast<size_t>(top + rowBegin) * step;
    for (int row = rowBegin; row < rowEnd; ++row, origin += step) {
        const uint32_t spansEnd = rowSpans[row + 1];
        for (uint32_t i = rowSpans[row]; i < spansEnd; ++i) {
            long long begin = spans[i].begin, end = spans[i].end;
            if (!whole) {
                begin = std::max(begin, colBegin);
                end = std::min(end, colEnd);
                if (begin >= end) continue;
            }
            // Four bytes per pixel, the fourth overwritten by the next pixel; the last pixel
            // of the span gets its three alone.
            uint8_t* px = origin + (left + begin) * 3;
            for (long long n = end - begin; n > 1; --n, px += 3) std::memcpy(px, &pattern, 4);
            std::memcpy(px, &pattern, 3);
        }
        const uint32_t partialsEnd = rowPartials[row + 1];
        for (uint32_t i = rowPartials[row]; i < partialsEnd; ++i) {
            const int col = partials[i].col;
            if (!whole && (col < colBegin || col >= colEnd)) continue;
            uint8_t* px = origin + (left + col) * 3;
            const int base = partials[i].coverage << 8;
            const uint8_t b = mix0[base + px[0]];
            const uint8_t g8 = mix1[base + px[1]];
            const uint8_t r = mix2[base + px[2]];
            px[0] = b;
            px[1] = g8;
            px[2] = r;
        }
    }
}

}  // namespace cached_freetype::detail
