// Scale rules of the display panel that need no window: fitting an image into a client area,
// the zoom steps, and the cap on the one scaled bitmap it builds (GTK draws nothing with a side
// of 32767 px or more; 64 megapixels keep a zoomed copy from exhausting memory).
#pragma once

#include <opencv2/core.hpp>

#include "roi/viewport.h"

namespace display_scale {

// The range of manual zoom steps. Fitting may go below kMinZoom (down to kMinFitZoom) when
// the image needs it, and stepping out then stops at the fit instead.
inline constexpr double kMinZoom = 0.1;
inline constexpr double kMaxZoom = Viewport::kMaxScale;
inline constexpr double kMinFitZoom = Viewport::kMinScale;

// min(client width / cols, client height / rows), or 1.0 when that is not > 0 (an empty client
// area or image).
[[nodiscard]] double FitScale(cv::Size image, cv::Size client);

// Whether the image scaled by `scale` stays within the display cap.
[[nodiscard]] bool DisplayFits(cv::Size image, double scale);

// The largest scale at which the image stays within the display cap.
[[nodiscard]] double LargestFittingScale(cv::Size image);

// `scale`, or for an enlargement beyond the cap the largest scale that fits, but not below 1:
// the image is never enlarged past the cap, and scales up to 1 are kept as they are.
[[nodiscard]] double CapEnlargement(cv::Size image, double scale);

// The lowest zoom a step out reaches: kMinZoom, or the fit when the image needs less.
[[nodiscard]] double ZoomOutFloor(cv::Size image, cv::Size client);

// The zoom steps both panels share: +0.1 below 1, +0.25 below 2, else +0.5, at most kMaxZoom;
// out by the same amounts (a step starting on 1 or 2 takes the smaller one), at least `floor`
// and never above `zoom` itself.
[[nodiscard]] double StepIn(double zoom);
[[nodiscard]] double StepOut(double zoom, double floor = kMinZoom);

// StepIn, or `zoom` itself when the step would pass the display cap.
[[nodiscard]] double ZoomIn(cv::Size image, double zoom);

// StepOut, further down to the largest scale that fits the display cap when the step alone
// does not, and at least `floor`.
[[nodiscard]] double ZoomOut(cv::Size image, double zoom, double floor = kMinZoom);

}  // namespace display_scale
