// The Python forms of the ROI panel's editing-ROI mask and measurements.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

#include <cstdint>

#include "roi/roi_measure.h"
#include "roi/roi_shape.h"

class MovraROIAdvPanel;

namespace py = pybind11;

// The image measurements and profiles read: the panel's image as it was loaded.
[[nodiscard]] const cv::Mat& MeasuredImage(const MovraROIAdvPanel& panel);
// A (rows, cols) uint8 array of the working image's size, 255 on the editing ROI's pixels;
// shape (0,) without an image or a ROI.
[[nodiscard]] py::array_t<std::uint8_t> ROIMaskArray(const MovraROIAdvPanel& panel);
// area, perimeter, centroid, bbox and per channel mean, std, min, max of the source values
// inside the editing ROI; an empty dict without an image, a ROI, or a ROI pixel on the image.
[[nodiscard]] py::dict ROIStatsDict(const MovraROIAdvPanel& panel);
// The same for any shape on the panel's image.
[[nodiscard]] py::array_t<std::uint8_t> ROIMaskArray(const MovraROIAdvPanel& panel,
                                                     const ROIShape& roi);
[[nodiscard]] py::dict ROIStatsDict(const MovraROIAdvPanel& panel, const ROIShape& roi);
// numpy.histogram of the source values inside the editing ROI (or `roi`): (counts, edges),
// counts of shape (bins,) for one channel and (channels, bins) for more, all channels over one
// range (default: the dtype's whole range [min, max + 1) for integers, the finite values'
// min..max for floats). None without an image, a ROI, or a ROI pixel on the image.
[[nodiscard]] py::object ROIHistogram(const MovraROIAdvPanel& panel, int bins,
                                      const py::object& range);
[[nodiscard]] py::object ROIHistogram(const MovraROIAdvPanel& panel, const ROIShape& roi,
                                      int bins, const py::object& range);
// The dict form of a measurement, the same for a panel's ROI and for MeasureROIs; min and max
// are floats for a float image, ints otherwise.
[[nodiscard]] py::dict StatsToDict(const ROIMeasure::Stats& stats, bool floatingValues = false);
