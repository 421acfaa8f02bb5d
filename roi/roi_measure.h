// ROIMeasure: the pixels of a region of interest and what an image holds inside them.
// Pixel rule: pixel (x, y) belongs to an area shape when its centre (x + 0.5, y + 0.5) lies in
// the shape (rectangles and polygons by the even-odd rule with left and top edges in, right and
// bottom edges out; discs and rings closed). A line is OpenCV's 8-connected line (LINE_8)
// between the pixels that hold its end points; a point is the pixel that holds it.
// Everything is computed over the shape's bounding box clipped to the image, never the image.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <vector>

#include "roi/roi_mode.h"

struct ROIShape;

namespace ROIMeasure {

// One region in image pixels (double, y down), resolved from an ROIShape.
struct Shape {
    CvROIMode mode = CvROIMode::None;  // None: there is no region
    // Point: the point. Line: its two end points. Rectangle, RotatedRectangle: the four
    // corners. Polygon: the vertices.
    std::vector<cv::Point2d> vertices;
    // Circle and Annulus: the ring innerRadius <= |p - centre| <= outerRadius (a circle has
    // inner radius 0), within the sector from startAngle to endAngle (degrees from +x towards
    // +y, startAngle <= endAngle; a span of 360 or more is the whole ring).
    cv::Point2d centre{0.0, 0.0};
    double innerRadius = 0.0;
    double outerRadius = 0.0;
    double startAngle = 0.0;
    double endAngle = 360.0;
};

// The shape as the panel draws and reports it. No region (mode None) for: an empty or
// degenerate shape (what the crop rectangle reports as (0, 0, 0, 0), a line whose ends
// coincide), a non-finite coordinate, and kinds that are not editing shapes. An annulus
// sector given with start > end is the sector from end to start (as cv::ellipse draws it); a
// ring whose inner radius exceeds the outer one spans both.
[[nodiscard]] Shape ShapeOf(const ROIShape& shape);

// The shape's pixels within `box`, a rectangle inside the image (empty: no pixel can belong).
struct MaskBox {
    cv::Rect box{0, 0, 0, 0};
    cv::Mat1b mask;  // box.size(): 255 inside, 0 outside
};
[[nodiscard]] MaskBox Rasterise(const Shape& shape, cv::Size imageSize);

// The same pixels as runs [x0, x1) of row y, in row order, neither overlapping nor touching;
// `box` is the MaskBox's. Measuring walks these rather than a mask.
struct Span {
    int y, x0, x1;
};
struct SpanSet {
    cv::Rect box{0, 0, 0, 0};
    std::vector<Span> spans;
};
[[nodiscard]] SpanSet Spans(const Shape& shape, cv::Size imageSize);
// The MaskBox of the runs.
[[nodiscard]] MaskBox Paint(const SpanSet& set);

// Length of the shape's outline in image pixels, of the whole shape even where it leaves the
// image: the closed polygon for rectangles and polygons, 2 pi r for a circle, both arcs plus
// the two radial edges for an annulus sector (both circles for a whole ring), the length of a
// line, 0 for a point.
[[nodiscard]] double Perimeter(const Shape& shape);

struct Stats {
    std::int64_t area = 0;       // pixels
    double perimeter = 0.0;      // Perimeter(shape)
    cv::Point2d centroid;        // mean of the pixels' centres (x + 0.5, y + 0.5)
    cv::Rect bbox;               // the smallest rectangle holding every pixel
    // Per channel of the image over the pixels; the standard deviation is the population one
    // (divided by the pixel count, as NumPy's std).
    std::vector<double> mean, stddev;
    std::vector<double> min, max;
};

// The statistics of `image` (8-bit with any channel count, or 16-bit integer or float with
// 1 to 4 channels: the values as they are) inside the shape; nothing when the shape has no
// pixel in the image or the image has another depth.
[[nodiscard]] std::optional<Stats> Measure(const Shape& shape, const cv::Mat& image);

}  // namespace ROIMeasure
