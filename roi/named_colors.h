// cv_Color_Defines: the CSS named colours as cv::Scalar (blue, green, red, 0), plus darkyellow.
// Constants with static storage, initialised before any code of the module runs.
#pragma once

#include <opencv2/core/types.hpp>

namespace cv_Color_Defines {

// Inline variables: every translation unit that includes this header sees them initialised
// before its own later-defined static objects, so they are safe in static initialisers too.
#define MOVRA_CSS_COLOR(name, r, g, b) inline const cv::Scalar name{b, g, r, 0};
#include "roi/css_colors.inc"
#undef MOVRA_CSS_COLOR

// Not a CSS name; used by drawings that need a yellow readable on light backgrounds.
inline const cv::Scalar darkyellow{0, 210, 210, 0};

}  // namespace cv_Color_Defines
