// Guide-line figures (centre cross, thirds, golden ratio, safe zones, aspect-ratio outline,
// diagonals, corner markers) for a W x H target whose top-left corner is (0, 0). One window-free
// description of each figure serves both drawings: the display panel's wx calls in whole
// pixels, and the ROI panel's buffer, which maps the exact figure through its zoom.
#pragma once

#include <opencv2/core/types.hpp>

#include <vector>

#include "panels/display_modes.h"

// One element of a figure, in target coordinates before any pixel rounding.
// DashedLine, SolidLine: a-b. Circle: centre a, radius b.x. Rectangle: outline with top-left a
// and bottom-right b (one past the last pixel). Cross: the centre cross, dashed outward from a.
struct GuideShape {
    enum class Kind { DashedLine, SolidLine, Circle, Rectangle, Cross };
    Kind kind = Kind::SolidLine;
    cv::Point2f a;
    cv::Point2f b;
};

// Pixel: fractions of the target are rounded to whole pixels first, as the display panel draws
// them. Exact: they stay fractional, for a drawing that maps the figure through a zoom.
enum class GuidePrecision { Pixel, Exact };

// The elements of `mode` (a GuideLineMode value) in drawing order. Empty for Off, unknown
// modes, or a target smaller than 1 x 1.
[[nodiscard]] std::vector<GuideShape> ComputeGuideFigure(int mode, int aspectRatio, int width,
                                                         int height, GuidePrecision precision);

// One wx drawing call. Line: (x1, y1)-(x2, y2). Ellipse and Rectangle: outline of the box at
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

// The four runs of 20-pixel dashes (period 40) of a centre cross at (cx, cy), built outward
// from the centre so that the middle shows a solid 40-pixel cross. Dashes are kept within
// [0, maxX] x [0, maxY]; an arm or dash wholly outside that range is left out.
void AppendCrossDashes(std::vector<GuidePrimitive>& out, long long cx, long long cy, int maxX,
                       int maxY);

// The display panel's drawing calls of `mode` for a W x H target, in drawing order.
// Empty for Off, unknown modes, or a target smaller than 1 x 1.
[[nodiscard]] std::vector<GuidePrimitive> ComputeGuideLineFigure(int mode, int aspectRatio,
                                                                 int width, int height);
