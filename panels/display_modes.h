// Display and guide-line settings shared by the panels and their Python bindings.
#pragma once

#include <opencv2/core/types.hpp>

#include <cstdint>

enum class CvDisplayMode : std::int32_t {
    Original = 0,
    ZoomToFit = 1,
};

enum class GuideLineMode : std::int32_t {
    Off = 0,
    CenterCross = 1,
    RuleOfThirds = 2,
    GoldenRatio = 3,
    SafeZones = 4,
    AspectRatioMask = 5,
    DiagonalLines = 6,
    CornerMarkers = 7,
};

enum class AspectRatio : std::int32_t {
    AR_1_1 = 0,
    AR_4_3 = 1,
    AR_3_2 = 2,
    AR_16_9 = 3,
    AR_2_39_1 = 4,
    AR_9_16 = 5,
};

// Pen of the guide lines: colour as blue, green, red, alpha (0-255) and width in pixels.
struct GuideLineStyle {
    cv::Scalar color{0, 255, 0, 255};
    int thickness = 1;
};
