// Guide-line figures (centre cross, thirds, golden ratio, safe zones, aspect-ratio outline,
// diagonals, corner markers) as a list of drawing calls for a W x H target whose top-left
// corner is (0, 0). The geometry is window-free so that both panels and the tests share it.
#pragma once

#include <vector>

#include "panels/display_modes.h"

// One drawing call. Line: (x1, y1)-(x2, y2). Ellipse and Rectangle: outline of the box at
// (x1, y1) with width x2 and height y2.
struct GuidePrimitive {
    enum class Kind { Line, Ellipse, Rectangle };
    Kind kind = Kind::Line;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;

    bool operator==(const GuidePrimitive& o) const {
        return kind == o.kind && x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
    }
};

// Width / height of a stored aspect-ratio value; unknown values count as 16:9.
[[nodiscard]] double AspectRatioValue(int aspectRatio);

// Appends the 20-on / 20-off dashes of the segment p1-p2, starting exactly at p1 and cut at p2.
void AppendDashedLine(std::vector<GuidePrimitive>& out, float x1, float y1, float x2, float y2);

// The drawing calls of `mode` (a GuideLineMode value) for a W x H target, in drawing order.
// Empty for Off, unknown modes, or a target smaller than 1 x 1.
[[nodiscard]] std::vector<GuidePrimitive> ComputeGuideLineFigure(int mode, int aspectRatio,
                                                                 int width, int height);
