// Truncation toward zero saturated to the int range, NaN giving 0: for coordinates and sizes
// that may lie far outside any image, come from a huge zoom or from a bad record.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>

namespace roi_num {

inline int TruncToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

}  // namespace roi_num
