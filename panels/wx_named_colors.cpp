#include "panels/wx_named_colors.h"

namespace wx_Color_Defines {

#define MOVRA_CSS_COLOR(name, r, g, b) const wxColour name(r, g, b, wxALPHA_OPAQUE);
#include "roi/css_colors.inc"
#undef MOVRA_CSS_COLOR

}  // namespace wx_Color_Defines
