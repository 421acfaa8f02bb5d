#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>

#include <cmath>
#include <limits>
#include <random>

#include "roi/nearest_resize.h"
#include "roi/viewport.h"

namespace {

Viewport Make(cv::Size original, double scale, cv::Size window, cv::Point scroll = {0, 0},
              bool centering = false) {
    Viewport v;
    v.SetOriginalSize(original);
    v.SetScale(scale);
    v.SetWindowSize(window);
    v.SetScrollPosition(scroll);
    v.SetCenteringEnabled(centering);
    return v;
}

cv::Mat RandomImage(cv::Size size, int type, unsigned seed) {
    cv::Mat m(size, type);
    cv::theRNG().state = seed;
    cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(255));
    return m;
}

bool Same(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() &&
           (a.empty() || cv::norm(a, b, cv::NORM_INF) == 0.0);
}

}  // namespace

TEST(ViewportScale, ClampedToRangeAndNaNEndsAtMaximum) {
    Viewport v;
    // Fitting a huge image into a small window needs well under 10 %.
    v.SetScale(0.01);
    EXPECT_EQ(v.scale, 0.01);
    v.SetScale(0.0);
    EXPECT_EQ(v.scale, Viewport::kMinScale);
    v.SetScale(50.0);
    EXPECT_EQ(v.scale, 20.0);
    v.SetScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(v.scale, 20.0);
    v.SetScale(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(v.scale, Viewport::kMinScale);
    v.SetScale(3.7);
    EXPECT_EQ(v.scale, 3.7);
}

TEST(ViewportCentering, OffsetOnlyWhenEnabledAndImageSmallerThanWindow) {
    Viewport v = Make({100, 100}, 1.0, {300, 200}, {0, 0}, true);
    EXPECT_EQ(v.GetCenteringOffset(), cv::Point_<float>(100.0f, 50.0f));
    v.SetCenteringEnabled(false);
    EXPECT_EQ(v.GetCenteringOffset(), cv::Point_<float>(0.0f, 0.0f));

    // Fractional margins are kept, and an axis where the image is larger gets none.
    v = Make({101, 400}, 1.0, {300, 200}, {0, 0}, true);
    EXPECT_FLOAT_EQ(v.centeringOffset.x, 99.5f);
    EXPECT_FLOAT_EQ(v.centeringOffset.y, 0.0f);

    // Every setter recomputes; an unset image has no margin.
    v.SetScale(0.5);
    EXPECT_FLOAT_EQ(v.centeringOffset.x, (300.0f - 50.5f) * 0.5f);
    EXPECT_FLOAT_EQ(v.centeringOffset.y, 0.0f);
    v.SetWindowSize({500, 500});
    EXPECT_FLOAT_EQ(v.centeringOffset.y, 150.0f);
    v.SetOriginalSize({0, 400});
    EXPECT_EQ(v.GetCenteringOffset(), cv::Point_<float>(0.0f, 0.0f));
}

TEST(ViewportVisible, RectangleFromScrollScaleAndWindow) {
    EXPECT_EQ(Make({1000, 800}, 2.0, {400, 300}, {101, 0}).GetVisibleROI(),
              cv::Rect(50, 0, 202, 152));
    // Limited by the image's far edge.
    EXPECT_EQ(Make({1000, 800}, 1.0, {400, 300}, {900, 700}).GetVisibleROI(),
              cv::Rect(900, 700, 100, 100));
    // Scrolled beyond the image, or nothing loaded: empty.
    EXPECT_EQ(Make({1000, 800}, 1.0, {400, 300}, {1000, 0}).GetVisibleROI(), cv::Rect());
    EXPECT_EQ(Make({0, 0}, 1.0, {400, 300}).GetVisibleROI(), cv::Rect());
    // Negative scroll clamps the origin to 0.
    EXPECT_EQ(Make({1000, 800}, 1.0, {400, 300}, {-50, -5}).GetVisibleROI(),
              cv::Rect(0, 0, 402, 302));
}

TEST(ViewportVisible, ScaleWrittenDirectlyAsNaNOrZeroShowsNothing) {
    Viewport v = Make({100, 100}, 1.0, {50, 50});
    v.scale = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(v.GetVisibleROI(), cv::Rect());
    v.scale = 0.0;
    EXPECT_EQ(v.GetVisibleROI(), cv::Rect());
    EXPECT_TRUE(v.ExtractVisibleRegion(cv::Mat(100, 100, CV_8UC3)).empty());
}

TEST(ViewportVirtualSize, TruncatesTowardZero) {
    EXPECT_EQ(Make({3, 3}, 0.5, {10, 10}).GetVirtualSize(), cv::Size(1, 1));
    EXPECT_EQ(Make({1001, 333}, 3.7, {10, 10}).GetVirtualSize(), cv::Size(3703, 1232));
}

TEST(ViewportExtract, NearOneReturnsUnscaledCloneElseNearestResize) {
    const cv::Mat image = RandomImage({200, 150}, CV_8UC3, 7);
    Viewport v = Make({200, 150}, 1.005, {60, 40}, {30, 20});
    const cv::Rect r = v.GetVisibleROI();
    cv::Mat out = v.ExtractVisibleRegion(image);
    EXPECT_TRUE(Same(out, image(r)));
    EXPECT_NE(out.data, image(r).data);  // a copy, never a view into the caller's image

    v.SetScale(1.02);
    const cv::Rect r2 = v.GetVisibleROI();
    cv::Mat expected;
    cv::resize(image(r2), expected, cv::Size(), 1.02, 1.02, cv::INTER_NEAREST);
    EXPECT_TRUE(Same(v.ExtractVisibleRegion(image), expected));
}

TEST(ViewportExtract, MatchesOpenCVNearestForManyScalesAndTypes) {
    const int types[] = {CV_8UC1, CV_8UC3, CV_8UC4, CV_16UC1, CV_32FC3, CV_64FC2};
    const double scales[] = {0.1, 0.137, 0.25, 0.5, 0.75, 1.5, 2.0, 3.7, 7.3, 20.0};
    unsigned seed = 1;
    for (int type : types) {
        const cv::Mat image = RandomImage({331, 217}, type, seed++);
        for (double s : scales) {
            for (const cv::Point scroll :
                 {cv::Point(0, 0), cv::Point(57, 33), cv::Point(1000, 5)}) {
                const Viewport v = Make(image.size(), s, {123, 77}, scroll);
                const cv::Rect r = v.GetVisibleROI();
                cv::Mat expected;
                if (!r.empty()) {
                    cv::resize(image(r), expected, cv::Size(), s, s, cv::INTER_NEAREST);
                }
                EXPECT_TRUE(Same(v.ExtractVisibleRegion(image), expected))
                    << "type " << type << " scale " << s << " scroll " << scroll;
            }
        }
    }
}

TEST(ViewportExtract, WindowSizedCutsSplitIntoBandsMatchOpenCVToTheImageEnd) {
    // Large enough to be cut in bands of rows on several threads; scrolled to the far corner so
    // that the last source row and column are sampled.
    for (const int type : {CV_8UC3, CV_8UC1}) {
        const cv::Mat image = RandomImage({2000, 1500}, type, 9);
        for (const double s : {0.37, 0.5, 1.5, 3.7}) {
            Viewport v = Make(image.size(), s, {1920, 1080});
            const cv::Size virt = v.GetVirtualSize();
            v.SetScrollPosition({std::max(0, virt.width - 1920), std::max(0, virt.height - 1080)});
            cv::Mat expected;
            cv::resize(image(v.GetVisibleROI()), expected, cv::Size(), s, s, cv::INTER_NEAREST);
            EXPECT_TRUE(Same(v.ExtractVisibleRegion(image), expected)) << "scale " << s;
        }
    }
}

TEST(ViewportExtract, EmptyWhenNothingVisibleOrImageTooSmallForTheZoom) {
    const cv::Mat image = RandomImage({100, 100}, CV_8UC3, 3);
    EXPECT_TRUE(Make({100, 100}, 1.0, {50, 50}, {200, 0}).ExtractVisibleRegion(image).empty());
    EXPECT_TRUE(Make({100, 100}, 1.0, {50, 50}).ExtractVisibleRegion(cv::Mat()).empty());
    // A 3 x 3 image at 10 % is less than a pixel; cv::resize would throw on the empty size.
    const cv::Mat tiny = RandomImage({3, 3}, CV_8UC3, 4);
    EXPECT_NO_THROW(
        { EXPECT_TRUE(Make({3, 3}, 0.1, {50, 50}).ExtractVisibleRegion(tiny).empty()); });
    // An image smaller than announced is cut to what exists instead of read past its end.
    const cv::Mat shorter = RandomImage({100, 40}, CV_8UC1, 5);
    const cv::Mat out = Make({100, 100}, 1.0, {500, 500}).ExtractVisibleRegion(shorter);
    EXPECT_EQ(out.size(), cv::Size(100, 40));
}

TEST(ViewportExtract, WorksOnNonContinuousSource) {
    const cv::Mat big = RandomImage({400, 300}, CV_8UC3, 11);
    const cv::Mat image = big(cv::Rect(17, 9, 250, 200));
    ASSERT_FALSE(image.isContinuous());
    const Viewport v = Make(image.size(), 2.5, {100, 100}, {40, 30});
    cv::Mat expected;
    cv::resize(image(v.GetVisibleROI()), expected, cv::Size(), 2.5, 2.5, cv::INTER_NEAREST);
    EXPECT_TRUE(Same(v.ExtractVisibleRegion(image), expected));
}

TEST(ViewportMapping, OriginalToViewUsesTruncatedOriginAndOffset) {
    Viewport v = Make({1000, 800}, 2.0, {400, 300}, {101, 0});
    // Origin (50, 0): image point (60, 10) lands at ((60-50)*2, 10*2).
    EXPECT_EQ(v.OriginalToView(cv::Point_<float>(60, 10)), cv::Point_<float>(20, 20));
    const std::vector<cv::Point_<float>> pts{{60, 10}, {50, 0}, {-1, 3}};
    const auto mapped = v.OriginalToView(pts);
    ASSERT_EQ(mapped.size(), 3u);
    for (size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(mapped[i], v.OriginalToView(pts[i]));
    }
    // Scrolled beyond the image: origin (0, 0).
    v.SetScrollPosition({5000, 0});
    EXPECT_EQ(v.OriginalToView(cv::Point_<float>(60, 10)), cv::Point_<float>(120, 20));
    // Centering margin is added.
    v = Make({100, 100}, 1.0, {300, 200}, {0, 0}, true);
    EXPECT_EQ(v.OriginalToView(cv::Point_<float>(10, 10)), cv::Point_<float>(110, 60));
}

TEST(ViewportMapping, ViewToOriginalUsesExactScroll) {
    const Viewport v = Make({1000, 800}, 2.0, {400, 300}, {101, 0});
    EXPECT_EQ(v.ViewToOriginal(cv::Point_<float>(19, 20)), cv::Point_<float>(60, 10));
    const Viewport c = Make({100, 100}, 1.0, {300, 200}, {0, 0}, true);
    EXPECT_EQ(c.ViewToOriginal(cv::Point_<float>(110, 60)), cv::Point_<float>(10, 10));
}

// While the window shows part of the image, the two mappings differ only by the fraction of
// a pixel that the truncated visible origin drops, so a round trip stays within one pixel.
TEST(ViewportMapping, RoundTripWithinOnePixelWhileImageVisible) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> scaleDist(0.1, 20.0);
    std::uniform_int_distribution<int> sizeDist(1, 20000);
    std::uniform_int_distribution<int> windowDist(1, 2500);
    std::uniform_int_distribution<int> coin(0, 1);
    int checked = 0;
    for (int i = 0; i < 4000; ++i) {
        const cv::Size original(sizeDist(rng), sizeDist(rng));
        Viewport v;
        v.SetOriginalSize(original);
        v.SetScale(scaleDist(rng));
        v.SetWindowSize({windowDist(rng), windowDist(rng)});
        v.SetCenteringEnabled(coin(rng) == 1);
        const cv::Size virt = v.GetVirtualSize();
        std::uniform_int_distribution<int> sx(0, std::max(0, virt.width - 1));
        std::uniform_int_distribution<int> sy(0, std::max(0, virt.height - 1));
        v.SetScrollPosition({sx(rng), sy(rng)});
        if (v.GetVisibleROI().empty()) {
            continue;
        }
        std::uniform_real_distribution<float> px(-100.0f, original.width + 100.0f);
        std::uniform_real_distribution<float> py(-100.0f, original.height + 100.0f);
        for (int k = 0; k < 5; ++k) {
            const cv::Point_<float> p(px(rng), py(rng));
            const cv::Point_<float> back = v.ViewToOriginal(v.OriginalToView(p));
            // One pixel plus the float rounding of coordinates up to 20000 image pixels.
            EXPECT_LT(std::abs(back.x - p.x), 1.02f) << "case " << i;
            EXPECT_LT(std::abs(back.y - p.y), 1.02f) << "case " << i;
            // The dropped fraction only ever moves the result forward.
            EXPECT_GT(back.x - p.x, -0.02f) << "case " << i;
            EXPECT_GT(back.y - p.y, -0.02f) << "case " << i;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST(NearestResize, ScaledSizeRoundsHalfToEvenAndRejectsEmpty) {
    EXPECT_EQ(NearestScaledSize({5, 3}, 0.5), cv::Size(2, 2));  // 2.5 -> 2, 1.5 -> 2
    EXPECT_EQ(NearestScaledSize({4, 4}, 0.1), cv::Size(0, 0));
    EXPECT_EQ(NearestScaledSize({4, 4}, std::numeric_limits<double>::quiet_NaN()), cv::Size(0, 0));
}
