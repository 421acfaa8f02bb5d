// wx_Color_Defines: the CSS named colours as wxColour (red, green, blue, alpha 255).
// Built from RGB values only, so they need no running wx application.
#pragma once

#include <wx/colour.h>

namespace wx_Color_Defines {

#define MOVRA_CSS_COLOR(name, r, g, b) extern const wxColour name;
#include "roi/css_colors.inc"
#undef MOVRA_CSS_COLOR

}  // namespace wx_Color_Defines
