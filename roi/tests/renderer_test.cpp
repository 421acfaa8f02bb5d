#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "draw_test_util.h"
#include "roi/roi_renderer.h"

namespace {

const cv::Scalar kRed(0, 0, 255, 255);

cvROI Make(CvROIMode mode, std::vector<cv::Point_<float>> points, int thickness = 1) {
    return VisibleRoi(mode, std::move(points), thickness, kRed);
}

cv::Mat Render(const std::vector<cvROI*>& rois, cv::Size size = {100, 100}, double scale = 1.0,
               double thicknessScale = 1.0) {
    cv::Mat img = Blank(size.width, size.height);
    ROIRenderer::RenderAll(img, rois, scale, thicknessScale);
    return img;
}

cv::Mat Render(cvROI roi, cv::Size size = {100, 100}, double scale = 1.0,
               double thicknessScale = 1.0) {
    return Render(std::vector<cvROI*>{&roi}, size, scale, thicknessScale);
}

}  // namespace

TEST(RendererDispatch, SkipsInvisibleNullAndUnknownKinds) {
    cvROI none;
    none.visible = true;
    none.points = {{10, 10}, {50, 50}};
    EXPECT_EQ(Lit(Render(none)), 0);

    cvROI hidden = Make(CvROIMode::Line, {{10, 10}, {50, 50}});
    hidden.visible = false;
    cvROI bogus = Make(static_cast<CvROIMode>(42), {{10, 10}, {50, 50}});
    EXPECT_EQ(Lit(Render(std::vector<cvROI*>{nullptr, &hidden, &bogus})), 0);

    cv::Mat img = Blank(10, 10);
    ROIRenderer::RenderAll(img, static_cast<const std::vector<cvROI*>*>(nullptr), 1.0, 1.0);
    EXPECT_EQ(Lit(img), 0);
}

TEST(RendererDispatch, LaterRecordsDrawOverEarlierOnes) {
    cvROI first = Make(CvROIMode::Line, {{10, 50}, {90, 50}});
    cvROI second = first;
    second.color = cv::Scalar(255, 0, 0);
    const cv::Mat img = Render(std::vector<cvROI*>{&first, &second});
    EXPECT_EQ(img.at<cv::Vec3b>(50, 50), cv::Vec3b(255, 0, 0));
}

TEST(RendererPoint, AllNonPositiveRuleAndXOnlyFilter) {
    EXPECT_EQ(Lit(Render(Make(CvROIMode::Point, {{0, 5}}))), 0);
    const cv::Mat one = Render(Make(CvROIMode::Point, {{5, 0}}));
    EXPECT_GT(Lit(one), 0);
    EXPECT_TRUE(On(one, 7, 0));  // radius-2 marker around (5, 0)

    // (0, 50) is skipped although the record as a whole is drawn.
    const cv::Mat mixed = Render(Make(CvROIMode::Point, {{0, 50}, {50, 50}}));
    EXPECT_FALSE(On(mixed, 2, 50));
    EXPECT_TRUE(On(mixed, 52, 50));

    // Marker thickness is not zoomed.
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Point, {{50, 50}}), {100, 100}, 1.0, 7.0),
                      Render(Make(CvROIMode::Point, {{50, 50}}))));
}

TEST(RendererLine, PairsStylesAndThickness) {
    // Third point ignored.
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Line, {{10, 10}, {90, 10}, {50, 90}})),
                      Render(Make(CvROIMode::Line, {{10, 10}, {90, 10}}))));
    cvROI unknown = Make(CvROIMode::Line, {{10, 10}, {90, 10}});
    unknown.lineStyle = static_cast<LineStyle>(3);
    EXPECT_EQ(Lit(Render(unknown)), 0);

    cvROI dashed = Make(CvROIMode::Line, {{0, 10}, {12, 10}});
    dashed.lineStyle = LineStyle::Dashed;
    EXPECT_EQ(Lit(Render(dashed)), 6);

    // T = trunc(1 x 2.6) = 2; a 2-pixel line is 2 rows thick.
    const cv::Mat thick = Render(Make(CvROIMode::Line, {{10, 50}, {90, 50}}), {100, 100}, 1.0, 2.6);
    EXPECT_EQ(Lit(thick), Lit(Render(Make(CvROIMode::Line, {{10, 50}, {90, 50}}, 2))));

    // Coordinates are scaled and rounded with ties to even: 2.5 x 1 -> 2, 3.5 -> 4.
    const cv::Mat rounded = Render(Make(CvROIMode::Line, {{2.5f, 3.5f}, {2.5f, 3.5f}}));
    EXPECT_TRUE(On(rounded, 2, 4));
    EXPECT_EQ(Lit(rounded), 1);
}

TEST(RendererArrowLine, HeadAtSecondPointWhateverTheStyle) {
    for (LineStyle style : {LineStyle::Solid, LineStyle::Dashed, LineStyle::Dotted}) {
        cvROI arrow = Make(CvROIMode::ArrowLine, {{10, 50}, {80, 50}});
        arrow.lineStyle = style;
        const cv::Mat img = Render(arrow);
        // Barb end 80 - 15 cos 20deg = 65.9 -> 65, 50 -+ 15 sin 20deg -> 44 / 55.
        EXPECT_TRUE(On(img, 65, 44)) << static_cast<int>(style);
        EXPECT_TRUE(On(img, 65, 55)) << static_cast<int>(style);
    }
}

TEST(RendererRectangle, EdgesClippedToTheTarget) {
    // One corner (5, 5) inside a 20 x 20 target: its two edges, clipped.
    const cv::Mat oneCorner = Render(Make(CvROIMode::Rectangle, {{5, 5}, {100, 100}}), {20, 20});
    EXPECT_EQ(Lit(oneCorner), 29);
    for (int i = 5; i < 20; ++i) {
        EXPECT_TRUE(On(oneCorner, i, 5));
        EXPECT_TRUE(On(oneCorner, 5, i));
    }
    // Every corner outside: the top and bottom edges still cross the target and are drawn.
    const cv::Mat crossing = Render(Make(CvROIMode::Rectangle, {{-10, 2}, {100, 10}}), {20, 20});
    EXPECT_EQ(Lit(crossing), 40);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(On(crossing, i, 2));
        EXPECT_TRUE(On(crossing, i, 12));
    }
}

TEST(RendererRectangle, NearOneKeepsPositionAndCeilsSize) {
    const cv::Mat near1 =
        Render(Make(CvROIMode::Rectangle, {{2.5f, 2.5f}, {3.2f, 3.2f}}), {20, 20}, 1.005);
    // x0 = 2, x1 = trunc(2.5 + 4) = 6.
    EXPECT_TRUE(On(near1, 2, 2));
    EXPECT_TRUE(On(near1, 6, 6));
    EXPECT_FALSE(On(near1, 7, 6));

    const cv::Mat twice =
        Render(Make(CvROIMode::Rectangle, {{2.5f, 2.5f}, {3.2f, 3.2f}}), {20, 20}, 2.0);
    // x0 = 5, x1 = trunc(5 + ceil(6.4)) = 12.
    EXPECT_TRUE(On(twice, 5, 5));
    EXPECT_TRUE(On(twice, 12, 12));
    EXPECT_FALSE(On(twice, 13, 12));

    EXPECT_EQ(Lit(Render(Make(CvROIMode::Rectangle, {{5, 5}, {0, 10}}), {20, 20})), 0);
}

TEST(RendererRotatedRectangle, PointCountsAndAnglesFromTriples) {
    EXPECT_EQ(Lit(Render(Make(CvROIMode::RotatedRectangle,
                              {{10, 10}, {30, 20}, {0, 0}, {50, 50}, {20, 10}}))),
              0);
    cvROI six = Make(CvROIMode::RotatedRectangle,
                     {{10, 10}, {30, 20}, {30, 0}, {50, 50}, {20, 10}, {60, 0}});
    cvROI a = Make(CvROIMode::RotatedRectangle, {{10, 10}, {30, 20}});
    a.angle = 30;
    cvROI b = Make(CvROIMode::RotatedRectangle, {{50, 50}, {20, 10}});
    b.angle = 60;
    const cv::Mat both = Render(std::vector<cvROI*>{&a, &b});
    EXPECT_TRUE(Equal(Render(six), both));
    a.angle = 0;
    EXPECT_FALSE(Equal(Render(six), Render(std::vector<cvROI*>{&a, &b})));
    // The record's own angle is not used by the triple form.
    six.angle = 45;
    EXPECT_TRUE(Equal(Render(six), both));
}

TEST(RendererRotatedRectangle, CentreFromCornerAndSize) {
    // Angle 0: axis-aligned outline from (10, 20) to (40, 30).
    const cv::Mat img = Render(Make(CvROIMode::RotatedRectangle, {{10, 20}, {30, 10}}));
    EXPECT_TRUE(On(img, 10, 25));
    EXPECT_TRUE(On(img, 25, 20));
    EXPECT_FALSE(On(img, 25, 25));
}

TEST(RendererCircle, RadiusScaledAndTruncatedNoNonPositiveRule) {
    const cv::Mat img = Render(Make(CvROIMode::Circle, {{50, 50}, {10.9f, 0}}));
    EXPECT_TRUE(On(img, 60, 50));
    EXPECT_FALSE(On(img, 61, 50));
    EXPECT_GT(Lit(Render(Make(CvROIMode::Circle, {{-5, -5}, {10, 0}}))), 0);
    EXPECT_EQ(Lit(Render(Make(CvROIMode::Circle, {{50, 50}, {0, 0}}))), 0);
    EXPECT_EQ(Lit(Render(Make(CvROIMode::Circle, {{50, 50}}))), 0);
}

TEST(RendererAnnulus, EightPointsAreTwoAnnuliAndDefaultInnerRadiusIsHalf) {
    const std::vector<cv::Point_<float>> first{{30, 30}, {20, 0}, {8, 0}, {0, 90}};
    const std::vector<cv::Point_<float>> second{{70, 70}, {0, 20}, {0, 25}, {180, 300}};
    std::vector<cv::Point_<float>> eight = first;
    eight.insert(eight.end(), second.begin(), second.end());
    cvROI a = Make(CvROIMode::Annulus, first), b = Make(CvROIMode::Annulus, second);
    const cv::Mat expected = Render(std::vector<cvROI*>{&a, &b});
    EXPECT_GT(Lit(Render(a)), 0);
    EXPECT_GT(Lit(Render(b)), 0);
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Annulus, eight)), expected));
    // A trailing incomplete group is ignored.
    auto eleven = eight;
    eleven.insert(eleven.end(), {{10, 10}, {5, 0}, {2, 0}});
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Annulus, eleven)), expected));

    // Inner radius 0 -> half the outer radius (20 -> 10).
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Annulus, {{50, 50}, {20, 0}, {0, 0}, {0, 90}})),
                      Render(Make(CvROIMode::Annulus, {{50, 50}, {20, 0}, {10, 0}, {0, 90}}))));
    // The override in the third point's y replaces the vector length.
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Annulus, {{50, 50}, {3, 4}, {10, 20}, {0, 90}})),
                      Render(Make(CvROIMode::Annulus, {{50, 50}, {20, 0}, {10, 0}, {0, 90}}))));
    EXPECT_EQ(Lit(Render(Make(CvROIMode::Annulus, {{50, 50}, {20, 0}, {10, 0}}))), 0);
}

TEST(RendererEllipse, ArrowHeadAtEndAnglePointsAlongTravel) {
    // Scale 10: centre (50, 50), axes 30, a head 30 pixels long.
    const cv::Mat forward =
        Render(Make(CvROIMode::Ellipse, {{5, 5}, {3, 3}, {0, 90}}), {100, 100}, 10.0);
    const cv::Mat backward =
        Render(Make(CvROIMode::Ellipse, {{5, 5}, {3, 3}, {90, 0}}), {100, 100}, 10.0);
    // 0 -> 90: tip at (50, 80), travelling clockwise (towards -x), so it opens towards +x.
    EXPECT_TRUE(On(forward, 70, 80));
    EXPECT_FALSE(On(forward, 80, 70));
    // 90 -> 0: tip at (80, 50), travelling towards smaller angles (up), so it opens downwards.
    EXPECT_TRUE(On(backward, 80, 70));
    EXPECT_FALSE(On(backward, 70, 80));
    // The arc itself is the same either way.
    EXPECT_TRUE(On(forward, 71, 71));
    EXPECT_TRUE(On(backward, 71, 71));
    EXPECT_FALSE(On(forward, 29, 29));
    EXPECT_EQ(Lit(Render(Make(CvROIMode::Ellipse, {{5, 5}, {3, 3}}))), 0);
}

TEST(RendererPolygon, SeparatorsSplitRunsAndEachRunCloses) {
    const cv::Mat img =
        Render(Make(CvROIMode::Polygon, {{0, 0}, {10, 0}, {-2e6f, 0}, {20, 20}}), {40, 40});
    EXPECT_EQ(Lit(img), 12);  // row 0 from x 0 to 10, plus the single point (20, 20)
    EXPECT_TRUE(On(img, 10, 0));
    EXPECT_TRUE(On(img, 20, 20));

    const std::vector<cv::Point_<float>> t1{{10, 10}, {50, 10}, {30, 40}};
    const std::vector<cv::Point_<float>> t2{{60, 60}, {90, 60}, {75, 90}};
    std::vector<cv::Point_<float>> both = t1;
    both.push_back({-1e9f, -1e9f});
    both.insert(both.end(), t2.begin(), t2.end());
    cvROI a = Make(CvROIMode::Polygon, t1), b = Make(CvROIMode::Polygon, t2);
    EXPECT_TRUE(Equal(Render(Make(CvROIMode::Polygon, both)), Render(std::vector<cvROI*>{&a, &b})));
    // The closing edge (30, 40)-(10, 10) is drawn.
    EXPECT_TRUE(On(Render(a), 20, 25));
}

TEST(RendererMask, BlendsWhereMaskIsSetAtAlphaOrHalf) {
    cv::Mat mask = cv::Mat::zeros(2, 2, CV_8UC1);
    mask.at<uchar>(0, 1) = 1;  // top-right quadrant after the nearest-neighbour resize
    cvROI roi;
    roi.visible = true;
    roi.mode = CvROIMode::Mask;
    roi.mask = mask;
    roi.color = cv::Scalar(200, 100, 50, 255);

    cv::Mat target(4, 4, CV_8UC3, cv::Scalar(100, 100, 100));
    ROIRenderer::RenderAll(target, std::vector<cvROI*>{&roi}, 1.0, 1.0);
    EXPECT_EQ(target.at<cv::Vec3b>(0, 3), cv::Vec3b(200, 100, 50));
    EXPECT_EQ(target.at<cv::Vec3b>(1, 2), cv::Vec3b(200, 100, 50));
    EXPECT_EQ(target.at<cv::Vec3b>(0, 1), cv::Vec3b(100, 100, 100));
    EXPECT_EQ(target.at<cv::Vec3b>(2, 3), cv::Vec3b(100, 100, 100));

    roi.color[3] = 0;  // counts as 50 %
    target.setTo(cv::Scalar(100, 100, 100));
    ROIRenderer::RenderMask(target, roi, 3.0, {7, 7});
    EXPECT_EQ(target.at<cv::Vec3b>(0, 3), cv::Vec3b(150, 100, 75));
    EXPECT_EQ(target.at<cv::Vec3b>(3, 0), cv::Vec3b(100, 100, 100));
}

TEST(RendererMask, ColourAndWideMasksAreReducedToOneChannel) {
    cv::Mat target(2, 2, CV_8UC3, cv::Scalar::all(0));
    cvROI roi;
    roi.mode = CvROIMode::Mask;
    roi.color = cv::Scalar(0, 255, 0, 255);
    roi.mask = cv::Mat(2, 2, CV_8UC3, cv::Scalar::all(0));
    roi.mask.at<cv::Vec3b>(1, 1) = cv::Vec3b(0, 0, 90);
    ROIRenderer::Internal::RenderMask(target, &roi, 1.0, 1.0);
    EXPECT_EQ(target.at<cv::Vec3b>(1, 1), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(Lit(target), 1);

    // 16-bit values above 255 saturate to "set"; the source matrix is not modified.
    cv::Mat wide = cv::Mat::zeros(2, 2, CV_16UC1);
    wide.at<ushort>(0, 0) = 300;
    roi.mask = wide;
    target.setTo(cv::Scalar::all(0));
    ROIRenderer::Internal::RenderMask(target, &roi, 1.0, 1.0);
    EXPECT_EQ(target.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(wide.type(), CV_16UC1);
    EXPECT_EQ(wide.at<ushort>(0, 0), 300);
}
