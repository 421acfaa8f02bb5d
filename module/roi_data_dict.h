// The ROI as Python data: the editing ROI and stored overlays as dicts of plain values
// ({"version": 1, "mode": int, "points": [[x, y], ...], "angle": float, ...}), and the checks
// such a dict must pass before a panel takes it. A bad dict raises ValueError (TypeError when
// it is no dict) whose message starts with the field at fault ("points[2]: ...").
#pragma once

#include <pybind11/pybind11.h>

#include "roi/roi_data.h"
#include "roi/roi_records.h"
#include "roi/roi_shape.h"

namespace py = pybind11;

// The editing ROI's dict: version, mode, points, angle, and for a circle "outer_radius", for an
// annulus sector also "inner_radius", "start_angle" and "end_angle" (when there is a shape).
[[nodiscard]] py::dict EditingDataToDict(const ROIShape& data);
// The checked shape of an editing ROI dict. Radii and angles given by name must agree with the
// points, which define the shape; other keys are ignored.
[[nodiscard]] ROIShape ParseEditingDataDict(const py::handle& data);

// A stored overlay's dict: the editing keys (points as stored, in the overlay layout) plus
// "color" [B, G, R, A], "thickness", "visible" and "line_style"; a mask record has no points
// but "mask": {"width": ..., "height": ...}.
[[nodiscard]] py::dict OverlayToDict(const cvROI& roi);
// The checked record of an overlay dict (shape modes 0 to 9; masks cannot be rebuilt from a
// summary). "angle", "thickness" (2), "visible" (True) and "line_style" (0) may be left out.
[[nodiscard]] cvROI ParseOverlayDict(const py::handle& data);
