#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "roi/ea_angles.h"

TEST(EAngles, NormalizeKeeps360AndWrapsNegatives) {
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(-30), 330);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(720), 360);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(360), 360);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(0), 0);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(-720), 0);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(725.5), 5.5);
}

TEST(EAngles, NormalizeTerminatesOnHugeAndNonFiniteInput) {
    const double big = EA::normalizeAngle(1e30);
    EXPECT_GE(big, 0.0);
    EXPECT_LE(big, 360.0);
    EXPECT_DOUBLE_EQ(EA::normalizeAngle(-36000000.0 - 30.0), 330.0);
    // Multiples of 360 answer alike at every size: 360 when positive, +0 when negative.
    for (const double k : {1.0, 2.0, 10.0, 11.0, 1000.0, 1e12}) {
        EXPECT_EQ(EA::normalizeAngle(k * 360.0), 360.0) << k;
        const double negative = EA::normalizeAngle(-k * 360.0);
        EXPECT_EQ(negative, 0.0) << k;
        EXPECT_FALSE(std::signbit(negative)) << k;
    }
    EXPECT_TRUE(std::isnan(EA::normalizeAngle(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(EA::normalizeAngle(std::nan(""))));
}

TEST(EAngles, PointOnCircleTruncatesTowardZeroClockwise) {
    EXPECT_EQ(EA::pointOnCircle({10, 10}, 5, 0), cv::Point(15, 10));
    EXPECT_EQ(EA::pointOnCircle({10, 10}, 5, 90), cv::Point(10, 15));  // +y: down on screen
    EXPECT_EQ(EA::pointOnCircle({0, 0}, 2.9, 180), cv::Point(-2, 0));  // trunc, not floor
    EXPECT_EQ(EA::pointOnCircle({0, 0}, 1e30, 0), cv::Point(INT_MAX, 0));
}

TEST(EAngles, ThreePointAngleIsSignedAndZeroForDegenerate) {
    EXPECT_DOUBLE_EQ(EA::calculate3pointsAngle({1, 0}, {0, 0}, {0, 1}), 90.0);
    EXPECT_DOUBLE_EQ(EA::calculate3pointsAngle({0, 1}, {0, 0}, {1, 0}), -90.0);
    EXPECT_DOUBLE_EQ(EA::calculate3pointsAngle({1, 0}, {0, 0}, {-1, 0}), 180.0);
    EXPECT_DOUBLE_EQ(EA::calculate3pointsAngle({0, 0}, {0, 0}, {1, 0}), 0.0);
    EXPECT_NEAR(EA::calculate3pointsAngle({11, 5}, {10, 5}, {11, 6}), 45.0, 1e-5);
}
