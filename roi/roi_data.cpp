#include "roi/roi_data.h"

#include <array>

#include "roi/roi_mode.h"

namespace {

std::string Article(const std::string& noun) {
    return (noun[0] == 'a' || noun[0] == 'e' ? "an " : "a ") + noun;
}

std::string OverlayTakes(int mode, const char* what, std::size_t count) {
    return Article(ModeName(mode)) + " overlay takes " + what + ", not " + std::to_string(count);
}

}  // namespace

std::string ModeName(int mode) {
    static const std::array<const char*, 11> kNames = {
        "none",   "point",   "line",    "rectangle",  "rotated rectangle", "circle",
        "annulus", "polygon", "arrow line", "ellipse", "mask"};
    return mode >= 0 && mode < static_cast<int>(kNames.size()) ? kNames[mode]
                                                                : "mode " + std::to_string(mode);
}

bool IsEditingMode(int mode) { return mode >= 0 && mode <= 7; }

bool IsShapeOverlayMode(int mode) { return mode >= 0 && mode <= 9; }

std::string EditingPointCountError(int mode, std::size_t count) {
    static const std::array<std::size_t, 8> kCount = {0, 1, 2, 2, 2, 2, 4, 3};
    if (!IsEditingMode(mode) || count == 0) {
        return {};
    }
    const auto m = static_cast<CvROIMode>(mode);
    const std::size_t want = kCount[static_cast<std::size_t>(mode)];
    if (m == CvROIMode::Polygon ? count >= want : count == want) {
        return {};
    }
    if (m == CvROIMode::None) {
        return "mode 0 (no shape) takes no points, not " + std::to_string(count);
    }
    const std::string what =
        m == CvROIMode::Polygon ? "at least 3 points" : std::to_string(want) + " points";
    return Article(ModeName(mode)) + " takes " + what + " (or none for no shape), not " +
           std::to_string(count);
}

std::string OverlayPointCountError(int mode, std::size_t count) {
    const auto need = [&](bool fits, const char* what) {
        return fits ? std::string() : OverlayTakes(mode, what, count);
    };
    switch (static_cast<CvROIMode>(mode)) {
        case CvROIMode::Point:
            return need(count >= 1, "at least 1 point");
        case CvROIMode::Line:
        case CvROIMode::Rectangle:
        case CvROIMode::Circle:
        case CvROIMode::ArrowLine:
            return need(count >= 2 && count % 2 == 0, "pairs of points (2, 4, ...)");
        case CvROIMode::RotatedRectangle:
            return need(count == 2 || (count >= 3 && count % 3 == 0),
                        "2 points, or triples of points (3, 6, ...)");
        case CvROIMode::Annulus:
            return need(count >= 4 && count % 4 == 0, "groups of 4 points (4, 8, ...)");
        case CvROIMode::Polygon:
            return need(count >= 3, "at least 3 points");
        case CvROIMode::Ellipse:
            return need(count >= 3 && count % 3 == 0, "triples of points (3, 6, ...)");
        default:
            return {};  // a mode without a layout draws nothing, whatever it holds
    }
}
