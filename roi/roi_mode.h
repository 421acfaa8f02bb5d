// Shape kinds of a region of interest and the line styles a shape can be drawn with.
#pragma once

#include <cstdint>

// Values are part of the Python interface; 8 and 9 exist for drawing only.
// Scoped: names such as None would otherwise clash with X11 and other global names.
enum class CvROIMode : std::int32_t {
    None = 0,
    Point = 1,
    Line = 2,
    Rectangle = 3,
    RotatedRectangle = 4,
    Circle = 5,
    Annulus = 6,
    Polygon = 7,
    ArrowLine = 8,
    Ellipse = 9,
    Mask = 10,
};

enum class LineStyle : std::int32_t {
    Solid = 0,
    Dashed = 1,
    Dotted = 2,
};
