#include <algorithm>
#include <cmath>

#include "panels/guide_lines.h"

namespace {

using Shape = GuideShape;
using ShapeKind = GuideShape::Kind;
using Kind = GuidePrimitive::Kind;

// Round to nearest, ties to even (the default floating-point rounding mode).
int RoundEven(float v) { return static_cast<int>(std::nearbyint(v)); }
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

float F(int v) { return static_cast<float>(v); }

void Add(std::vector<Shape>& out, ShapeKind kind, float x1, float y1, float x2, float y2) {
    out.push_back({kind, {x1, y1}, {x2, y2}});
}

// A fraction of a side: in whole pixels for the display panel, exact for a zoomed drawing.
float Fraction(int side, float f, GuidePrecision precision) {
    const float v = F(side) * f;
    return precision == GuidePrecision::Pixel ? F(RoundEven(v)) : v;
}

// Lines at the fractions f1 and f2 of each axis, then a circle of radius 5 at each crossing.
void AddGrid(std::vector<Shape>& out, int w, int h, float f1, float f2, GuidePrecision prec) {
    const float x1 = Fraction(w, f1, prec);
    const float x2 = Fraction(w, f2, prec);
    const float y1 = Fraction(h, f1, prec);
    const float y2 = Fraction(h, f2, prec);
    Add(out, ShapeKind::DashedLine, 0.f, y1, F(w), y1);
    Add(out, ShapeKind::DashedLine, x1, 0.f, x1, F(h));
    Add(out, ShapeKind::DashedLine, 0.f, y2, F(w), y2);
    Add(out, ShapeKind::DashedLine, x2, 0.f, x2, F(h));
    for (const auto& [cx, cy] : {std::pair{x1, y1}, {x1, y2}, {x2, y1}, {x2, y2}}) {
        Add(out, ShapeKind::Circle, cx, cy, 5.f, 0.f);
    }
}

// Each edge is dashed from its own corner: top and bottom rightward, left and right downward.
void AddSafeZones(std::vector<Shape>& out, int w, int h, GuidePrecision prec) {
    for (const float f : {0.05f, 0.1f}) {
        const float mx = Fraction(w, f, prec);
        const float my = Fraction(h, f, prec);
        // The far side in whole pixels is the side minus the rounded margin, so both zones
        // stay symmetric on the display panel.
        const float rx = prec == GuidePrecision::Pixel ? F(w - RoundEven(mx)) : F(w) - mx;
        const float by = prec == GuidePrecision::Pixel ? F(h - RoundEven(my)) : F(h) - my;
        Add(out, ShapeKind::DashedLine, mx, my, rx, my);
        Add(out, ShapeKind::DashedLine, mx, by, rx, by);
        Add(out, ShapeKind::DashedLine, mx, my, mx, by);
        Add(out, ShapeKind::DashedLine, rx, my, rx, by);
    }
}

// The largest centred rectangle of the ratio: full height when the target is wider, else
// full width.
void AddAspectRatioOutline(std::vector<Shape>& out, int w, int h, int aspectRatio,
                           GuidePrecision prec) {
    const double r = AspectRatioValue(aspectRatio);
    const bool wider = static_cast<double>(w) / static_cast<double>(h) > r;
    if (prec == GuidePrecision::Pixel) {
        if (wider) {
            const int rw = RoundEven(r * h);
            const int x = (w - rw) / 2;
            Add(out, ShapeKind::Rectangle, F(x), 0.f, F(x + rw), F(h));
        } else {
            const int rh = RoundEven(static_cast<double>(w) / r);
            const int y = (h - rh) / 2;
            Add(out, ShapeKind::Rectangle, 0.f, F(y), F(w), F(y + rh));
        }
        return;
    }
    const float rw = wider ? static_cast<float>(r * h) : F(w);
    const float rh = wider ? F(h) : static_cast<float>(w / r);
    const float x = (F(w) - rw) / 2.f;
    const float y = (F(h) - rh) / 2.f;
    Add(out, ShapeKind::Rectangle, x, y, x + rw, y + rh);
}

void AddCornerMarkers(std::vector<Shape>& out, int w, int h) {
    const int m = std::min(w, h);
    const float len = F(m >= 1600 ? 80 : std::max(m / 20, 20));
    const float fw = F(w), fh = F(h);
    Add(out, ShapeKind::SolidLine, 0.f, 0.f, len, 0.f);
    Add(out, ShapeKind::SolidLine, 0.f, 0.f, 0.f, len);
    Add(out, ShapeKind::SolidLine, fw, 0.f, fw - len, 0.f);
    Add(out, ShapeKind::SolidLine, fw, 0.f, fw, len);
    Add(out, ShapeKind::SolidLine, 0.f, fh, len, fh);
    Add(out, ShapeKind::SolidLine, 0.f, fh, 0.f, fh - len);
    Add(out, ShapeKind::SolidLine, fw, fh, fw - len, fh);
    Add(out, ShapeKind::SolidLine, fw, fh, fw, fh - len);
}

// One arm pair of the cross along one axis: calls emit(lo, hi) for each dash, lo <= hi, both
// within [0, maxV]. Rightward (or downward) dashes start at c + 40k, leftward ones end there.
template <typename Emit>
void CrossRuns(long long c, long long maxV, Emit emit) {
    // Dashes wholly before 0 or past maxV are skipped without visiting them, so a centre far
    // outside the range costs nothing.
    long long k0 = c + 20 < 0 ? (-20 - c + 39) / 40 : 0;
    for (long long x = c + 40 * k0;; x += 40) {
        if (x != c && x >= maxV) break;
        const long long lo = std::max(x, 0LL), hi = std::min(maxV, x + 20);
        if (lo <= hi) emit(lo, hi);
    }
    k0 = c - 20 > maxV ? (c - 20 - maxV + 39) / 40 : 0;
    for (long long x = c - 40 * k0;; x -= 40) {
        const long long lo = std::max(x - 20, 0LL), hi = std::min(x, maxV);
        if (lo <= hi) emit(lo, hi);
        if (x < 40) break;
    }
}

}  // namespace

double AspectRatioValue(int aspectRatio) {
    switch (static_cast<AspectRatio>(aspectRatio)) {
        case AspectRatio::AR_1_1:
            return 1.0;
        case AspectRatio::AR_4_3:
            return 4.0 / 3.0;
        case AspectRatio::AR_3_2:
            return 1.5;
        case AspectRatio::AR_2_39_1:
            return 2.39;
        case AspectRatio::AR_9_16:
            return 0.5625;
        case AspectRatio::AR_16_9:
        default:
            return 16.0 / 9.0;
    }
}

std::vector<GuideShape> ComputeGuideFigure(int mode, int aspectRatio, int width, int height,
                                           GuidePrecision precision) {
    std::vector<Shape> out;
    if (width < 1 || height < 1) return out;
    switch (static_cast<GuideLineMode>(mode)) {
        case GuideLineMode::CenterCross:
            if (precision == GuidePrecision::Pixel) {
                Add(out, ShapeKind::Cross, F(width / 2), F(height / 2), 0.f, 0.f);
            } else {
                Add(out, ShapeKind::Cross, F(width) / 2.f, F(height) / 2.f, 0.f, 0.f);
            }
            break;
        case GuideLineMode::RuleOfThirds:
            AddGrid(out, width, height, 0.33333334f, 0.6666667f, precision);
            break;
        case GuideLineMode::GoldenRatio:
            AddGrid(out, width, height, 0.38196602f, 0.618034f, precision);
            break;
        case GuideLineMode::SafeZones:
            AddSafeZones(out, width, height, precision);
            break;
        case GuideLineMode::AspectRatioMask:
            AddAspectRatioOutline(out, width, height, aspectRatio, precision);
            break;
        case GuideLineMode::DiagonalLines:
            Add(out, ShapeKind::DashedLine, 0.f, 0.f, F(width), F(height));
            Add(out, ShapeKind::DashedLine, F(width), 0.f, 0.f, F(height));
            break;
        case GuideLineMode::CornerMarkers:
            AddCornerMarkers(out, width, height);
            break;
        case GuideLineMode::Off:
        default:
            break;
    }
    return out;
}

void AppendDashedLine(std::vector<GuidePrimitive>& out, float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (!(len >= 1.f)) return;
    const float ux = dx / len;
    const float uy = dy / len;
    for (float t = 0.f; t < len; t += 40.f) {
        const float e = std::min(t + 20.f, len);
        out.push_back({Kind::Line, RoundEven(std::fma(ux, t, x1)), RoundEven(std::fma(uy, t, y1)),
                       RoundEven(std::fma(ux, e, x1)), RoundEven(std::fma(uy, e, y1))});
    }
}

void AppendCrossDashes(std::vector<GuidePrimitive>& out, long long cx, long long cy, int maxX,
                       int maxY) {
    const bool horizontal = cy >= 0 && cy <= maxY;
    const bool vertical = cx >= 0 && cx <= maxX;
    const auto i = [](long long v) { return static_cast<int>(v); };
    // Order: rightward, leftward, downward, upward.
    if (horizontal) {
        CrossRuns(cx, maxX, [&](long long lo, long long hi) {
            out.push_back({Kind::Line, i(lo), i(cy), i(hi), i(cy)});
        });
    }
    if (vertical) {
        CrossRuns(cy, maxY, [&](long long lo, long long hi) {
            out.push_back({Kind::Line, i(cx), i(lo), i(cx), i(hi)});
        });
    }
}

std::vector<GuidePrimitive> ComputeGuideLineFigure(int mode, int aspectRatio, int width,
                                                   int height) {
    std::vector<GuidePrimitive> out;
    // Pixel precision: every coordinate below is a whole number already.
    const auto i = [](float v) { return static_cast<int>(v); };
    for (const Shape& s :
         ComputeGuideFigure(mode, aspectRatio, width, height, GuidePrecision::Pixel)) {
        switch (s.kind) {
            case ShapeKind::DashedLine:
                AppendDashedLine(out, s.a.x, s.a.y, s.b.x, s.b.y);
                break;
            case ShapeKind::SolidLine:
                out.push_back({Kind::Line, i(s.a.x), i(s.a.y), i(s.b.x), i(s.b.y)});
                break;
            case ShapeKind::Circle: {
                const int r = i(s.b.x);
                out.push_back({Kind::Ellipse, i(s.a.x) - r, i(s.a.y) - r, 2 * r, 2 * r});
                break;
            }
            case ShapeKind::Rectangle:
                out.push_back({Kind::Rectangle, i(s.a.x), i(s.a.y), i(s.b.x - s.a.x),
                               i(s.b.y - s.a.y)});
                break;
            case ShapeKind::Cross:
                AppendCrossDashes(out, i(s.a.x), i(s.a.y), width, height);
                break;
        }
    }
    return out;
}
