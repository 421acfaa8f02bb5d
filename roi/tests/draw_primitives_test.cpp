#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <random>
#include <vector>

#include "draw_test_util.h"
#include "roi/draw_primitives.h"

namespace {

const cv::Scalar kWhite(255, 255, 255);

// The sampling written out plainly: every sample kept, every dash or dot drawn.
std::vector<cv::Point> ReferenceSamples(cv::Point p1, cv::Point p2, int gap) {
    const float len = std::hypot(static_cast<float>(p1.x - p2.x), static_cast<float>(p1.y - p2.y));
    std::vector<cv::Point> samples;
    for (double d = 0; d < len; d += gap) {
        const double t = d / len;
        samples.emplace_back(static_cast<int>(p1.x * (1 - t) + t * p2.x + 0.5),
                             static_cast<int>(p1.y * (1 - t) + t * p2.y + 0.5));
    }
    return samples;
}

}  // namespace

TEST(DashedLine, StopsShortOfEndAfterLastFullDash) {
    cv::Mat img = Blank(20, 3);
    ID::drawDashedLine(img, {0, 0}, {12, 0}, kWhite, 1, 5);
    EXPECT_EQ(Lit(img), 6);
    for (int x = 0; x <= 5; ++x) {
        EXPECT_TRUE(On(img, x, 0)) << x;
    }
}

TEST(DashedLine, NonPositiveGapDrawsNothingInsteadOfLooping) {
    cv::Mat img = Blank(20, 20);
    ID::drawDashedLine(img, {0, 0}, {12, 0}, kWhite, 1, 0);
    ID::drawDashedLine(img, {0, 0}, {12, 0}, kWhite, 1, -5);
    ID::drawDottedLine(img, {0, 0}, {12, 0}, kWhite, 1, 0);
    EXPECT_EQ(Lit(img), 0);
}

// Only the dashes and dots near the target are visited; the picture must be the one that
// drawing every sample gives.
TEST(DashedLine, SameAsDrawingEverySampleForLinesCrossingTheTarget) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(-3000, 3000);
    std::uniform_int_distribution<int> gapDist(1, 12);
    std::uniform_int_distribution<int> thickDist(1, 4);
    for (int i = 0; i < 300; ++i) {
        const cv::Point p1(coord(rng), coord(rng)), p2(coord(rng), coord(rng));
        const int gap = gapDist(rng), thick = thickDist(rng);
        const auto samples = ReferenceSamples(p1, p2, gap);

        cv::Mat expected = Blank(160, 120), actual = Blank(160, 120);
        for (size_t k = 1; k < samples.size(); k += 2) {
            cv::line(expected, samples[k - 1], samples[k], kWhite, thick);
        }
        ID::drawDashedLine(actual, p1, p2, kWhite, thick, gap);
        ASSERT_TRUE(Equal(actual, expected)) << p1 << p2 << " gap " << gap;

        cv::Mat expectedDots = Blank(160, 120), actualDots = Blank(160, 120);
        for (const auto& s : samples) {
            cv::circle(expectedDots, s, thick, kWhite, cv::FILLED);
        }
        ID::drawDottedLine(actualDots, p1, p2, kWhite, thick, gap);
        ASSERT_TRUE(Equal(actualDots, expectedDots)) << p1 << p2 << " gap " << gap;
    }
}

TEST(DottedLine, DotsEveryGapFromStart) {
    cv::Mat img = Blank(30, 5);
    ID::drawDottedLine(img, {2, 2}, {23, 2}, kWhite, 0, 5);  // radius 0: single pixels
    EXPECT_EQ(Lit(img), 5);
    for (int x : {2, 7, 12, 17, 22}) {
        EXPECT_TRUE(On(img, x, 2)) << x;
    }
    cv::Mat none = Blank(30, 5);
    ID::drawDottedLine(none, {2, 2}, {2, 2}, kWhite, 1, 5);
    EXPECT_EQ(Lit(none), 0);
}

TEST(Arrow, BarbsPointBackAlongShaft) {
    cv::Mat barbs = Blank(60, 100);
    ID::drawArrow(barbs, {0, 50}, {50, 50}, 10, 45, kWhite, 1, cv::LINE_8);
    EXPECT_TRUE(On(barbs, 42, 42));
    EXPECT_TRUE(On(barbs, 42, 57));
    EXPECT_FALSE(On(barbs, 30, 50));  // no shaft

    cv::Mat full = Blank(60, 100);
    ID::drawArrowLine(full, {0, 50}, {50, 50}, 10, 45, kWhite, 1, cv::LINE_8);
    EXPECT_TRUE(On(full, 30, 50));
    EXPECT_TRUE(On(full, 42, 42));
}

TEST(Arrow, DashedAndDottedArrowsSkipZeroLength) {
    cv::Mat img = Blank(40, 40);
    ID::drawArrowDashedLine(img, {20, 20}, {20, 20}, 15, 20, kWhite, 1, 5);
    ID::drawArrowDottedLine(img, {20, 20}, {20, 20}, 15, 20, kWhite, 1, 5);
    EXPECT_EQ(Lit(img), 0);

    cv::Mat dotted = Blank(60, 60);
    ID::drawArrowDottedLine(dotted, {0, 30}, {40, 30}, 15, 20, kWhite, 2, 5);
    // Barb end: 40 + 15 cos(180 - 20 deg) = 25.9 -> 25, 30 - 15 sin(20 deg) = 24.9 -> 24.
    EXPECT_TRUE(On(dotted, 25, 24));
    EXPECT_TRUE(On(dotted, 0, 30));
}

TEST(CrossLine, ArmsUseIntegerHalfSize) {
    cv::Mat img = Blank(30, 30);
    ID::drawReularCrossLine(img, {10, 10}, kWhite, 1, 7);
    EXPECT_EQ(Lit(img), 13);
    EXPECT_TRUE(On(img, 7, 10));
    EXPECT_TRUE(On(img, 13, 10));
    EXPECT_FALSE(On(img, 14, 10));
    EXPECT_TRUE(On(img, 10, 13));
}
