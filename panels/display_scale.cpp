#include "panels/display_scale.h"

#include <algorithm>
#include <cmath>

namespace display_scale {

namespace {

// Cairo refuses surfaces with a side over 32767 px, and a bitmap exactly 32767 px wide or high
// shows nothing on GTK either (measured); 32766 is the largest side that is drawn.
constexpr double kMaxSide = 32766.0;
constexpr double kMaxPixels = 64.0 * 1024 * 1024;

}  // namespace

double FitScale(cv::Size image, cv::Size client) {
    if (image.width <= 0 || image.height <= 0) {
        return 1.0;
    }
    const double scale = std::min(static_cast<double>(client.width) / image.width,
                                  static_cast<double>(client.height) / image.height);
    return scale > 0 ? scale : 1.0;
}

bool DisplayFits(cv::Size image, double scale) {
    // The sizes cv::resize gives: rounded, not truncated.
    const double w = std::round(image.width * scale);
    const double h = std::round(image.height * scale);
    return w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

double LargestFittingScale(cv::Size image) {
    const double w = std::max(image.width, 1);
    const double h = std::max(image.height, 1);
    double scale = std::min({kMaxSide / w, kMaxSide / h, std::sqrt(kMaxPixels / (w * h))});
    // Rounding of the scaled sizes may overshoot by a pixel: step down until it fits.
    while (scale > 0 && !DisplayFits(image, scale)) {
        scale = std::nextafter(scale, 0.0) * (1.0 - 1e-12);
    }
    return scale;
}

double CapEnlargement(cv::Size image, double scale) {
    if (scale <= 1.0 || DisplayFits(image, scale)) {
        return scale;
    }
    return std::max(1.0, LargestFittingScale(image));
}

double ZoomOutFloor(cv::Size image, cv::Size client) {
    if (image.width <= 0 || image.height <= 0 || client.width < 1 || client.height < 1) {
        return kMinZoom;
    }
    return std::clamp(FitScale(image, client), kMinFitZoom, kMinZoom);
}

double StepIn(double zoom) {
    double next = zoom;
    if (zoom < 1.0) {
        next += 0.1;
    } else if (zoom < 2.0) {
        next += 0.25;
    } else {
        next += 0.5;
    }
    return std::min(next, kMaxZoom);
}

double StepOut(double zoom, double floor) {
    double next = zoom;
    if (zoom <= 1.0) {
        next -= 0.1;
    } else if (zoom <= 2.0) {
        next -= 0.25;
    } else {
        next -= 0.5;
    }
    // Below the floor already (the window grew since): a step out must not zoom in.
    return std::min(zoom, std::max(next, floor));
}

double ZoomIn(cv::Size image, double zoom) {
    const double next = StepIn(zoom);
    return DisplayFits(image, next) ? next : zoom;
}

double ZoomOut(cv::Size image, double zoom, double floor) {
    double next = StepOut(zoom, floor);
    if (!DisplayFits(image, next)) {
        next = std::min(next, LargestFittingScale(image));
    }
    return std::min(zoom, std::max(next, floor));
}

}  // namespace display_scale
