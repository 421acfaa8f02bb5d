#include <algorithm>
#include <cmath>

#include "panels/guide_lines.h"

namespace {

using Kind = GuidePrimitive::Kind;

// Round to nearest, ties to even (the default floating-point rounding mode).
int RoundEven(float v) { return static_cast<int>(std::nearbyint(v)); }
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

void AddLine(std::vector<GuidePrimitive>& out, int x1, int y1, int x2, int y2) {
    out.push_back({Kind::Line, x1, y1, x2, y2});
}

void AppendCenterCross(std::vector<GuidePrimitive>& out, int w, int h) {
    // Built outward from the centre so the middle always shows a solid 40-pixel cross,
    // whatever the size; a dash pattern laid from the edges would not be symmetric.
    const int cx = w / 2;
    const int cy = h / 2;
    int x = cx;
    do {
        AddLine(out, x, cy, std::min(w, x + 20), cy);
        x += 40;
    } while (x < w);
    x = cx;
    for (;;) {
        AddLine(out, std::max(x - 20, 0), cy, x, cy);
        if (x < 40) break;
        x -= 40;
    }
    int y = cy;
    do {
        AddLine(out, cx, y, cx, std::min(h, y + 20));
        y += 40;
    } while (y < h);
    y = cy;
    for (;;) {
        AddLine(out, cx, std::max(y - 20, 0), cx, y);
        if (y < 40) break;
        y -= 40;
    }
}

// Lines at the fractions f1 and f2 of each axis, then a 10 x 10 circle at each crossing.
void AppendGrid(std::vector<GuidePrimitive>& out, int w, int h, float f1, float f2) {
    const int x1 = RoundEven(static_cast<float>(w) * f1);
    const int x2 = RoundEven(static_cast<float>(w) * f2);
    const int y1 = RoundEven(static_cast<float>(h) * f1);
    const int y2 = RoundEven(static_cast<float>(h) * f2);
    const float fw = static_cast<float>(w);
    const float fh = static_cast<float>(h);
    AppendDashedLine(out, 0.f, static_cast<float>(y1), fw, static_cast<float>(y1));
    AppendDashedLine(out, static_cast<float>(x1), 0.f, static_cast<float>(x1), fh);
    AppendDashedLine(out, 0.f, static_cast<float>(y2), fw, static_cast<float>(y2));
    AppendDashedLine(out, static_cast<float>(x2), 0.f, static_cast<float>(x2), fh);
    out.push_back({Kind::Ellipse, x1 - 5, y1 - 5, 10, 10});
    out.push_back({Kind::Ellipse, x1 - 5, y2 - 5, 10, 10});
    out.push_back({Kind::Ellipse, x2 - 5, y1 - 5, 10, 10});
    out.push_back({Kind::Ellipse, x2 - 5, y2 - 5, 10, 10});
}

void AppendDashedRect(std::vector<GuidePrimitive>& out, int x, int y, int rw, int rh) {
    const auto f = [](int v) { return static_cast<float>(v); };
    AppendDashedLine(out, f(x), f(y), f(x + rw), f(y));
    AppendDashedLine(out, f(x), f(y + rh), f(x + rw), f(y + rh));
    AppendDashedLine(out, f(x), f(y), f(x), f(y + rh));
    AppendDashedLine(out, f(x + rw), f(y), f(x + rw), f(y + rh));
}

void AppendSafeZones(std::vector<GuidePrimitive>& out, int w, int h) {
    for (const float f : {0.05f, 0.1f}) {
        const int mx = RoundEven(static_cast<float>(w) * f);
        const int my = RoundEven(static_cast<float>(h) * f);
        AppendDashedRect(out, mx, my, w - 2 * mx, h - 2 * my);
    }
}

void AppendAspectRatioOutline(std::vector<GuidePrimitive>& out, int w, int h, int aspectRatio) {
    const double r = AspectRatioValue(aspectRatio);
    if (static_cast<double>(w) / static_cast<double>(h) > r) {
        const int rw = RoundEven(r * h);
        out.push_back({Kind::Rectangle, (w - rw) / 2, 0, rw, h});
    } else {
        const int rh = RoundEven(static_cast<double>(w) / r);
        out.push_back({Kind::Rectangle, 0, (h - rh) / 2, w, rh});
    }
}

void AppendCornerMarkers(std::vector<GuidePrimitive>& out, int w, int h) {
    const int m = std::min(w, h);
    const int len = m >= 1600 ? 80 : std::max(m / 20, 20);
    AddLine(out, 0, 0, len, 0);
    AddLine(out, 0, 0, 0, len);
    AddLine(out, w, 0, w - len, 0);
    AddLine(out, w, 0, w, len);
    AddLine(out, 0, h, len, h);
    AddLine(out, 0, h, 0, h - len);
    AddLine(out, w, h, w - len, h);
    AddLine(out, w, h, w, h - len);
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

std::vector<GuidePrimitive> ComputeGuideLineFigure(int mode, int aspectRatio, int width,
                                                   int height) {
    std::vector<GuidePrimitive> out;
    if (width < 1 || height < 1) return out;
    switch (static_cast<GuideLineMode>(mode)) {
        case GuideLineMode::CenterCross:
            AppendCenterCross(out, width, height);
            break;
        case GuideLineMode::RuleOfThirds:
            AppendGrid(out, width, height, 0.33333334f, 0.6666667f);
            break;
        case GuideLineMode::GoldenRatio:
            AppendGrid(out, width, height, 0.38196602f, 0.618034f);
            break;
        case GuideLineMode::SafeZones:
            AppendSafeZones(out, width, height);
            break;
        case GuideLineMode::AspectRatioMask:
            AppendAspectRatioOutline(out, width, height, aspectRatio);
            break;
        case GuideLineMode::DiagonalLines:
            AppendDashedLine(out, 0.f, 0.f, static_cast<float>(width), static_cast<float>(height));
            AppendDashedLine(out, static_cast<float>(width), 0.f, 0.f, static_cast<float>(height));
            break;
        case GuideLineMode::CornerMarkers:
            AppendCornerMarkers(out, width, height);
            break;
        case GuideLineMode::Off:
        default:
            break;
    }
    return out;
}
