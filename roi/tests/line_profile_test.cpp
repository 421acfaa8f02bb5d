// Line profiles agree with cv::remap (BORDER_REPLICATE) where its 1/32-pixel rounding is exact,
// average across the line, are NaN off the image, and refuse what would exhaust memory.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "roi/line_profile.h"

namespace {

// What remap gives at the profile's own sample points (the width-1 case).
cv::Mat1d RemapAlong(const cv::Mat& image, cv::Point2d a, cv::Point2d b) {
    const cv::Point2d d = b - a;
    const double length = std::hypot(d.x, d.y);
    const int n = static_cast<int>(std::floor(length)) + 1;
    cv::Mat1f mapX(1, n), mapY(1, n);
    for (int k = 0; k < n; ++k) {
        mapX(0, k) = static_cast<float>(a.x + k * d.x / length);
        mapY(0, k) = static_cast<float>(a.y + k * d.y / length);
    }
    cv::Mat out;
    cv::remap(image, out, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    out.convertTo(out, CV_64F);
    return out.reshape(1, n);
}

cv::Mat RandomImage(int type, int rows, int cols) {
    cv::Mat image(rows, cols, type);
    cv::RNG rng(7);
    rng.fill(image, cv::RNG::UNIFORM, 0, CV_MAT_DEPTH(type) == CV_8U ? 256 : 60000);
    return image;
}

}  // namespace

TEST(LineProfile, MatchesRemapOnEveryDepthAndChannelCount) {
    // Axis-aligned lines at quarter-pixel offsets keep every sample on remap's 1/32 grid, where
    // its fixed-point weights are exact; integer depths round remap's result.
    for (const int type : {CV_32FC1, CV_32FC3, CV_16UC3, CV_64FC1, CV_8UC4}) {
        const cv::Mat image = RandomImage(type, 40, 50);
        const double tolerance = image.depth() >= CV_32F ? 0.02 : 0.5;
        for (const auto& [a, b] : {std::pair{cv::Point2d(2.25, 3.5), cv::Point2d(30.75, 3.5)},
                                   std::pair{cv::Point2d(49.0, 0.0), cv::Point2d(0.0, 0.0)},
                                   std::pair{cv::Point2d(7.75, 39.5), cv::Point2d(7.75, -0.5)},
                                   std::pair{cv::Point2d(-0.5, 39.5), cv::Point2d(49.5, 39.5)}}) {
            const cv::Mat1d profile = LineProfile::Sample(image, a, b, 1);
            const cv::Mat1d expected = RemapAlong(image, a, b);
            ASSERT_EQ(profile.rows, expected.rows);
            ASSERT_EQ(profile.cols, image.channels());
            EXPECT_LE(cv::norm(profile, expected, cv::NORM_INF), tolerance) << type << " " << a;
        }
    }
}

TEST(LineProfile, ReproducesAPlaneAlongAnyDirection) {
    // Bilinear interpolation is exact on a plane, so oblique samples (off remap's grid) can be
    // checked against the plane itself.
    cv::Mat1d image(60, 80);
    const auto plane = [](double x, double y) { return 3.0 * x - 2.0 * y + 500.0; };
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x) image(y, x) = plane(x, y);
    const cv::Point2d a(5.3, 50.1), b(71.9, 2.2);
    const cv::Mat1d p = LineProfile::Sample(image, a, b, 1);
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    ASSERT_EQ(p.rows, static_cast<int>(std::floor(length)) + 1);
    for (int k = 0; k < p.rows; ++k) {
        const cv::Point2d q = a + (b - a) * (k / length);
        EXPECT_NEAR(p(k, 0), plane(q.x, q.y), 1e-9) << k;
    }
}

TEST(LineProfile, WidthAveragesParallelSamplesCentredOnTheLine) {
    // Values rise by 10 per row: a horizontal line's samples at offsets -1, 0, 1 (width 3)
    // average to the line's own row; width 2 takes rows y - 0.5 and y + 0.5, the same mean.
    cv::Mat1w image(20, 30);
    for (int y = 0; y < image.rows; ++y) image.row(y).setTo(10 * y);
    for (const int width : {1, 2, 3, 5}) {
        const cv::Mat1d p = LineProfile::Sample(image, {3.0, 7.25}, {13.9, 7.25}, width);
        ASSERT_EQ(p.rows, 11);  // floor(10.9) + 1
        for (int k = 0; k < p.rows; ++k) EXPECT_DOUBLE_EQ(p(k, 0), 72.5) << width;
    }
    // A vertical line: the normal runs along x, where values are constant per column.
    cv::Mat1b columns(10, 10);
    for (int x = 0; x < 10; ++x) columns.col(x).setTo(x * x);
    const cv::Mat1d p = LineProfile::Sample(columns, {4.0, 1.0}, {4.0, 8.0}, 3);
    EXPECT_DOUBLE_EQ(p(0, 0), (9 + 16 + 25) / 3.0);
}

TEST(LineProfile, SamplesOffTheImageAreNaNAndNothingElseIs) {
    const cv::Mat1b image(10, 10, uchar(50));
    const cv::Mat1d p = LineProfile::Sample(image, {-3.0, 5.0}, {12.0, 5.0}, 1);
    ASSERT_EQ(p.rows, 16);
    for (int k = 0; k < p.rows; ++k) {
        const double x = -3.0 + k;
        if (x > -1.0 && x < 10.0) {
            EXPECT_EQ(p(k, 0), 50.0) << x;
        } else {
            EXPECT_TRUE(std::isnan(p(k, 0))) << x;
        }
    }
    // A wide profile along the top edge: the outer samples leave the image, so every mean does.
    const cv::Mat1d wide = LineProfile::Sample(image, {0.0, 0.0}, {9.0, 0.0}, 5);
    EXPECT_TRUE(std::isnan(wide(4, 0)));
}

TEST(LineProfile, RefusesWhatCannotBeSampled) {
    EXPECT_TRUE(LineProfile::Refusal({0, 0}, {10, 0}, 0));
    EXPECT_TRUE(LineProfile::Refusal({0, 0}, {std::nan(""), 0}, 1));
    EXPECT_TRUE(LineProfile::Refusal({-3e38, 0}, {3e38, 0}, 1));
    EXPECT_TRUE(LineProfile::Refusal({0, 0}, {1e5, 0}, 1 << 12));
    EXPECT_FALSE(LineProfile::Refusal({0, 0}, {1e5, 0}, 64));
}
