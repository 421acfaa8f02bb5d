// Small numeric helpers shared by the ROI editor's sources (not part of its interface).
#pragma once

#include <opencv2/core/types.hpp>

#include <cmath>

#include "roi/trunc_int.h"

namespace roi_editor_util {

inline bool IsFinite(const cv::Point2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

using roi_num::TruncToInt;

inline cv::Point TruncPoint(const cv::Point2f& p) { return {TruncToInt(p.x), TruncToInt(p.y)}; }

}  // namespace roi_editor_util
