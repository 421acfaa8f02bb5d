// The point-count rules that ROI data (an ROIShape's points) and a stored overlay's points
// must meet, and the names of modes in their messages. Window-free.
#pragma once

#include <cstddef>
#include <string>

// The lower-case name of a mode for messages ("rotated rectangle"), "mode N" when unknown.
[[nodiscard]] std::string ModeName(int mode);
// Modes the editing ROI has (0 to 7) and modes a stored shape overlay may have (0 to 9).
[[nodiscard]] bool IsEditingMode(int mode);
[[nodiscard]] bool IsShapeOverlayMode(int mode);
// Why `count` points do not fit; empty when they do. The editing ROI takes its single-shape
// form or no points at all; an overlay takes whole groups of its mode's layout.
[[nodiscard]] std::string EditingPointCountError(int mode, std::size_t count);
[[nodiscard]] std::string OverlayPointCountError(int mode, std::size_t count);
