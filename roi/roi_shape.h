// ROIShape: one region of interest as a value, in the point-list form the ROI data carries:
// a mode, its points and a rotated rectangle's angle. Point [p]; line [a, b]; rectangle and
// rotated rectangle [corner, size] (+ angle); circle [centre, radius vector]; annulus sector
// [centre, radius vector, (inner radius, 0), (start angle, end angle)]; polygon [vertices...].
// No points: no shape. Window-free; the editor, renderer, measurement, data and history use it.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

#include "roi/roi_measure.h"
#include "roi/roi_mode.h"
#include "roi/roi_records.h"

// The one radius-vector rule: a vector with both components positive is kept as it is; any
// other is turned into the vector of the same length with two equal components, so that the
// circle it describes has a positive width and height and can be drawn, reported and grabbed.
[[nodiscard]] cv::Point2f KeptRadiusVector(const cv::Point2f& v);

// A circle's or annulus sector's measures as its points give them (single precision).
struct RingMeasures {
    double outerRadius = 0.0;
    double innerRadius = 0.0;  // the annulus's inner radius in effect (half the outer unless set)
    double startAngle = 0.0;
    double endAngle = 360.0;
};

struct ROIShape {
    CvROIMode mode = CvROIMode::None;
    std::vector<cv::Point2f> points;  // empty: no shape
    double angle = 0.0;               // a rotated rectangle's; 0 for every other mode

    // No shape to show or report: no points, a point at the origin, a line of length 0, a
    // rectangle-like shape without area, a non-finite value, or a mode that edits nothing.
    [[nodiscard]] bool IsEmpty() const;
    [[nodiscard]] bool operator==(const ROIShape& other) const;
    [[nodiscard]] bool operator!=(const ROIShape& other) const { return !(*this == other); }

    // Requires a circle or annulus with its points.
    [[nodiscard]] RingMeasures Ring() const;
    // The crop rectangle the shape reports (a circle's or annulus's is its centre and radius
    // vector, truncated): (0, 0, 0, 0) when empty.
    [[nodiscard]] cv::Rect CropRect() const;
    // The smallest float rectangle holding every pixel the shape can draw or cover (the whole
    // ring for a circle or annulus); empty when the shape is. Used to index and cull shapes.
    [[nodiscard]] cv::Rect2f Bounds() const;
    // The corners of a rectangle-like shape, the vertices of a polygon, the ends of a line, the
    // point; a circle or annulus as its outer circle in `segments` chords.
    [[nodiscard]] std::vector<cv::Point2f> Outline(int segments = 64) const;
    // Whether p lies inside the shape or within `tol` of its outline.
    [[nodiscard]] bool Hit(const cv::Point2f& p, float tol) const;
    // The shape as a drawable record (single-shape form, visible, thickness 1).
    [[nodiscard]] cvROI ToRecord(const cv::Scalar& color, int thickness) const;
    // The shape's pixels within the image, by the measurement's pixel rule.
    [[nodiscard]] ROIMeasure::MaskBox Mask(cv::Size imageSize) const;
};
