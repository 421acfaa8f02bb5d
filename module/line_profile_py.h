// The Python form of a line ROI's profile (sampling rules: roi/line_profile.h).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

class MovraROIAdvPanel;

namespace py = pybind11;

// A float64 (n, channels) array of the measured image's values along the editing ROI, a line.
// ValueError without an image, when the ROI is not a line, or for a width below 1 or a profile
// too large to take.
[[nodiscard]] py::array_t<double> LineProfileArray(const MovraROIAdvPanel& panel, int width);
