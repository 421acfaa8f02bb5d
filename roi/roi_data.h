// The editing ROI as plain data, the form Python's ROI dicts carry: a mode, the points of a
// record's single-shape form (what StoreROI takes back) and an angle; and the point-count
// rules that such data, and a stored overlay's, must meet. Window-free.
#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <string>
#include <vector>

#include "roi/roi_editor.h"

struct ROIShapeData {
    int mode = 0;                     // a CvROIMode value
    std::vector<cv::Point2f> points;  // empty: no shape
    double angle = 0.0;               // a rotated rectangle's; 0 for every other mode
};

// The shape `editor` holds in `mode`, such that StoreROI of it gives back the same crop
// rectangle, drawing and data. No points for the reset state, an open polygon or a mode that
// edits nothing. A circle's or annulus sector's radius vector whose y is not positive (which
// StoreROI would turn into two equal components) is given as two equal components of the same
// length; an annulus's inner radius is the one in effect (half the outer one unless set).
[[nodiscard]] ROIShapeData EditingShapeData(const ROIEditor& editor, int mode);

// A circle's or annulus sector's measures as its data's points give them (single precision,
// as the points are). Requires the points the mode takes (2 for a circle, 4 for an annulus).
struct RingMeasures {
    double outerRadius = 0.0;
    double innerRadius = 0.0;  // the annulus's inner radius in effect
    double startAngle = 0.0;
    double endAngle = 360.0;
};
[[nodiscard]] RingMeasures MeasuresOf(const ROIShapeData& data);

// The lower-case name of a mode for messages ("rotated rectangle"), "mode N" when unknown.
[[nodiscard]] std::string ModeName(int mode);
// Modes the editing ROI has (0 to 7) and modes a stored shape overlay may have (0 to 9).
[[nodiscard]] bool IsEditingMode(int mode);
[[nodiscard]] bool IsShapeOverlayMode(int mode);
// Why `count` points do not fit; empty when they do. The editing ROI takes its single-shape
// form or no points at all; an overlay takes whole groups of its mode's layout.
[[nodiscard]] std::string EditingPointCountError(int mode, std::size_t count);
[[nodiscard]] std::string OverlayPointCountError(int mode, std::size_t count);
