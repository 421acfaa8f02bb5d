// Value records for shapes (cvROI) and text blocks (cvText) drawn over an image.
// Coordinates are image pixels as float, y downwards; copying copies points and shares mask data.
// Window-free: texts are UTF-8 strings and colours cv::Scalar (B, G, R, A); panels/ turns them
// into wx types where a window needs them.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "roi/roi_mode.h"

struct cvROI {
    bool visible = false;
    std::int32_t thickness = 1;
    // -1: none; any value >= 0 asks the panel to draw the record in its highlight colour.
    std::int32_t highlightIndex = -1;
    double angle = 0.0;  // degrees, cv::RotatedRect convention
    CvROIMode mode = CvROIMode::None;
    LineStyle lineStyle = LineStyle::Solid;
    cv::Scalar color{0, 0, 0, 0};  // B, G, R, A (0-255)
    std::vector<cv::Point_<float>> points;
    // Mask mode only; a copy of the record shares the pixel data (cv::Mat header copy).
    cv::Mat mask;
};

// Callers fill every field; the defaults only keep a default-constructed record harmless.
struct cvText {
    bool visible = false;
    cv::Point_<float> position{0.0f, 0.0f};
    std::vector<std::string> lines;  // UTF-8
    cv::Scalar color{0, 0, 0, 255};
    cv::Scalar backgroundColor{255, 255, 255, 255};
    std::int32_t fontHeight = 16;
    bool drawBackground = false;
    std::string fontPath;  // UTF-8; empty: the panel's default font
    std::string tag;
};
