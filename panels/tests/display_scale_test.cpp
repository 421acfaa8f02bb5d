// The display panel's window-free scale rules: what the display cap lets the zoom steps and the
// rebuild do.
#include <gtest/gtest.h>

#include <cmath>

#include "panels/display_scale.h"

using namespace display_scale;

namespace {

// The size cv::resize gives for a scale.
cv::Size Scaled(cv::Size image, double scale) {
    return {static_cast<int>(std::lround(image.width * scale)),
            static_cast<int>(std::lround(image.height * scale))};
}

}  // namespace

TEST(DisplayScale, LargestFittingScaleIsTightForSideAndPixelLimits) {
    for (const cv::Size image : {cv::Size(40000, 8), cv::Size(7, 99999), cv::Size(9000, 9000),
                                 cv::Size(4000, 3000), cv::Size(3, 3)}) {
        const double s = LargestFittingScale(image);
        EXPECT_TRUE(DisplayFits(image, s)) << image;
        EXPECT_FALSE(DisplayFits(image, s * 1.001)) << image;
        const cv::Size shown = Scaled(image, s);
        EXPECT_LT(std::max(shown.width, shown.height), 32767) << image;
        EXPECT_LE(static_cast<double>(shown.area()), 64.0 * 1024 * 1024) << image;
    }
}

TEST(DisplayScale, ZoomingOutAlwaysEndsWithinTheCap) {
    // One step from 1.0 (0.9) still gives a 36000-px side, which cairo cannot draw.
    const cv::Size wide(40000, 8);
    const double out = ZoomOut(wide, 1.0);
    EXPECT_LT(out, 0.9);
    EXPECT_TRUE(DisplayFits(wide, out));
    EXPECT_EQ(Scaled(wide, out).width, 32766);
    // 81 megapixels at 1.0; 0.9 would still be 65.6.
    EXPECT_TRUE(DisplayFits(cv::Size(9000, 9000), ZoomOut(cv::Size(9000, 9000), 1.0)));
    // Within the cap the plain steps hold, down to the floor.
    EXPECT_NEAR(ZoomOut(cv::Size(100, 100), 2.5), 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(ZoomOut(cv::Size(100, 100), 0.15), kMinZoom);
    EXPECT_DOUBLE_EQ(ZoomOut(cv::Size(100, 100), kMinZoom), kMinZoom);
    // Zooming in never leaves the cap, and stays put at its edge.
    const double edge = LargestFittingScale(cv::Size(4000, 3000));
    EXPECT_DOUBLE_EQ(ZoomIn(cv::Size(4000, 3000), edge), edge);
    EXPECT_DOUBLE_EQ(ZoomIn(cv::Size(10, 10), 19.8), kMaxZoom);
}

TEST(DisplayScale, StepsOutStopAtTheFitWhenItIsBelowTenPercent) {
    // 15000 px into 1000: the fit is 1/15, and stepping out stops there, not at 10 %.
    const double fit = FitScale(cv::Size(15000, 15000), cv::Size(1000, 1000));
    EXPECT_DOUBLE_EQ(ZoomOutFloor(cv::Size(15000, 15000), cv::Size(1000, 1000)), fit);
    EXPECT_DOUBLE_EQ(StepOut(0.15, fit), fit);
    EXPECT_DOUBLE_EQ(ZoomOut(cv::Size(15000, 15000), 0.15, fit), fit);
    // An image that fits at more than 10 % keeps the 10 % floor.
    EXPECT_DOUBLE_EQ(ZoomOutFloor(cv::Size(400, 300), cv::Size(1000, 1000)), kMinZoom);
    // Already below the floor (the window grew after a zoom): stepping out never zooms in.
    EXPECT_DOUBLE_EQ(StepOut(0.05, kMinZoom), 0.05);
    EXPECT_DOUBLE_EQ(ZoomOut(cv::Size(100, 100), 0.05), 0.05);
}

TEST(DisplayScale, OnlyEnlargementsAreCapped) {
    // A 4000 x 3000 image at a scale of 20 kept from a 10 x 10 one would be 4.8 gigapixels.
    const double capped = CapEnlargement(cv::Size(4000, 3000), 20.0);
    EXPECT_TRUE(DisplayFits(cv::Size(4000, 3000), capped));
    EXPECT_GT(capped, 1.0);
    // Too large even unscaled: shown unscaled as asked, never enlarged.
    EXPECT_DOUBLE_EQ(CapEnlargement(cv::Size(40000, 8), 3.0), 1.0);
    EXPECT_DOUBLE_EQ(CapEnlargement(cv::Size(40000, 8), 1.0), 1.0);
    EXPECT_DOUBLE_EQ(CapEnlargement(cv::Size(10, 10), 20.0), 20.0);
}

TEST(DisplayScale, FitWithoutAClientAreaOrImageIsUnscaled) {
    EXPECT_DOUBLE_EQ(FitScale(cv::Size(50, 100), cv::Size(0, 300)), 1.0);
    EXPECT_DOUBLE_EQ(FitScale(cv::Size(0, 0), cv::Size(400, 300)), 1.0);
}
