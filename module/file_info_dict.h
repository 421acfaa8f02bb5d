// The Python dictionary form of an ImageFileInfo, shared by GetImageFileInfo and the ROI panel.
#pragma once

#include <pybind11/pybind11.h>

#include "imageio/file_info.h"

namespace py = pybind11;

// A fresh dict, keys in the record's field order. Text that is not valid UTF-8 (common in
// vendor EXIF fields) is decoded with U+FFFD replacements instead of failing the whole call.
[[nodiscard]] py::dict ImageFileInfoToDict(const ImageFileInfo& info);
