// The panel's set of named ROIs as Python data: an entry is GetEditingROIData()'s dict plus
// "id", "name" and "color"; the set is {"version": 2, "rois": [...], "selected": id or None}.
#pragma once

#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

#include <optional>
#include <string>
#include <vector>

#include "roi/roi_set.h"

class MovraROIAdvPanel;

namespace py = pybind11;

// The shape of ROI `id` (a Python int) as it is now; KeyError for an unknown id.
[[nodiscard]] ROIShape ShapeById(MovraROIAdvPanel& panel, const py::handle& id);
// (B, G, R) or (B, G, R, A), each 0 to 255 (alpha 255 when left out); ValueError naming
// `field` otherwise.
[[nodiscard]] cv::Scalar ParseROIColor(const py::handle& color, const std::string& field);
[[nodiscard]] py::dict EntryToDict(const ROIEntry& entry);

// A set read from data: entries in order and the selected id. Every check is made before
// anything is returned, so a bad dict leaves the caller's set as it was.
struct ROISetData {
    std::vector<ROIEntry> entries;
    std::optional<int> selected;
    bool single = false;  // a version-1 shape: its id is the panel's next one
};
[[nodiscard]] ROISetData ParseROISetData(const py::handle& data);
