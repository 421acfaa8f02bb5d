#include "roi/ea_angles.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "roi/trunc_int.h"

namespace EA {

double normalizeAngle(double deg) {
    if (std::isinf(deg)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // Stepping by 360 never ends for a huge value (x - 360 == x); fmod is exact, so it only
    // shortens the walk and leaves the usual few steps, with their rounding, unchanged. It maps
    // a multiple of 360 to 0 where the walk ends at 360 for positive values: keep that answer
    // for every positive multiple, so a rotation accumulated through here does not jump.
    if (std::abs(deg) > 3600.0) {
        const bool positive = deg > 0.0;
        deg = std::fmod(deg, 360.0);
        if (deg == 0.0) {
            deg = positive ? 360.0 : 0.0;  // also no -0 from a negative multiple
        }
    }
    while (deg < 0.0) {
        deg += 360.0;
    }
    while (deg > 360.0) {
        deg -= 360.0;
    }
    return deg;
}

cv::Point pointOnCircle(cv::Point_<float> centre, double radius, double deg) {
    const double theta = deg * CV_PI / 180.0;
    return {roi_num::TruncToInt(centre.x + radius * std::cos(theta)),
            roi_num::TruncToInt(centre.y + radius * std::sin(theta))};
}

double calculate3pointsAngle(const cv::Point_<float>& a, const cv::Point_<float>& vertex,
                             const cv::Point_<float>& b) {
    const cv::Point_<float> u = a - vertex;
    const cv::Point_<float> v = b - vertex;
    const float dot = u.x * v.x + u.y * v.y;
    const float cross = u.x * v.y - u.y * v.x;
    const float lu = std::sqrt(u.x * u.x + u.y * u.y);
    const float lv = std::sqrt(v.x * v.x + v.y * v.y);
    double q = static_cast<double>(dot) / (static_cast<double>(lu) * static_cast<double>(lv));
    // A zero-length vector gives 0/0; that counts as "same direction".
    if (std::isnan(q) || q > 1.0) {
        q = 1.0;
    } else if (q < -1.0) {
        q = -1.0;
    }
    const double angle = std::acos(q) * 180.0 / CV_PI;
    return cross < 0.0f ? -angle : angle;
}

}  // namespace EA
