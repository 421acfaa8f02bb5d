// Records and primitive arguments no caller should send, but Python can: the renderer must
// neither throw nor crash nor take time proportional to absurd coordinates.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "draw_test_util.h"
#include "roi/draw_primitives.h"
#include "roi/roi_renderer.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

cvROI Make(CvROIMode mode, std::vector<cv::Point_<float>> points, int thickness = 1) {
    return VisibleRoi(mode, std::move(points), thickness, cv::Scalar(0, 255, 0, 255));
}

const std::vector<cv::Point_<float>> kBadPointSets[] = {
    {{kNaN, kNaN}, {kNaN, 5}, {5, kNaN}, {kNaN, kNaN}, {1, 1}, {kNaN, 0}},
    {{kInf, kInf}, {-kInf, kInf}, {kInf, -kInf}, {10, 10}, {kInf, 0}, {0, kInf}},
    {{1e30f, 1e30f}, {1e30f, 1e30f}, {1e30f, -1e30f}, {-1e30f, 1e30f}, {0, 1e30f}, {1e30f, 0}},
    {{50, 50}, {1e30f, 1e30f}, {1e30f, 1e30f}, {-1e30f, 1e30f}, {50, 50}, {1e30f, 0}},
    {{-3e38f, 50}, {3e38f, 50}, {50, -3e38f}, {50, 3e38f}, {3e38f, 3e38f}, {-3e38f, -3e38f}},
    {{2e9f, 50}, {-2e9f, 50}, {50, 2e9f}, {3e9f, 1}, {-1e7f, 50}, {1e7f, 50}},
};

}  // namespace

TEST(UnsafeRecords, EveryKindSurvivesNonFiniteAndHugeGeometry) {
    const int thicknesses[] = {0, -5, 1, 3, 40000, INT_MAX, INT_MIN};
    const double thicknessScales[] = {1.0, 0.0, -2.0, 1e30, std::nan("")};
    for (int mode = 0; mode <= 11; ++mode) {
        for (const auto& pts : kBadPointSets) {
            for (int t : thicknesses) {
                for (double ts : thicknessScales) {
                    for (int style = 0; style <= 3; ++style) {
                        cvROI r = Make(static_cast<CvROIMode>(mode), pts, t);
                        r.lineStyle = static_cast<LineStyle>(style);
                        r.angle = (style == 1) ? 1e300 : std::nan("");
                        cv::Mat img = Blank(64, 48);
                        EXPECT_NO_THROW(ROIRenderer::RenderAll(img, {&r}, 1.0, ts))
                            << "mode " << mode << " thickness " << t;
                        EXPECT_NO_THROW(ROIRenderer::RenderAll(img, {&r}, 1e30, ts));
                        EXPECT_NO_THROW(ROIRenderer::RenderAll(img, {&r}, std::nan(""), ts));
                    }
                }
            }
        }
    }
}

TEST(UnsafeRecords, EmptyTargetDrawsNothingForEveryKind) {
    cv::Mat empty;
    for (int mode = 0; mode <= 11; ++mode) {
        cvROI r = Make(static_cast<CvROIMode>(mode),
                       {{10, 10}, {20, 20}, {5, 5}, {0, 90}, {30, 30}, {10, 0}});
        r.mask = cv::Mat::ones(4, 4, CV_8UC1);
        EXPECT_NO_THROW(ROIRenderer::RenderAll(empty, {&r}, 1.0, 1.0));
        EXPECT_TRUE(empty.empty());
    }
}

TEST(UnsafeRecords, HugeShapesStillDrawTheirVisiblePart) {
    // A line between far-away end points crossing the whole target.
    cv::Mat img = Blank(64, 48);
    cvROI line = Make(CvROIMode::Line, {{-1e9f, 5}, {1e9f, 5}});
    ROIRenderer::RenderAll(img, {&line}, 1.0, 1.0);
    EXPECT_EQ(Lit(img), 64);

    // A circle of radius 1e7 whose edge passes through (10, 20).
    img = Blank(64, 48);
    cvROI circle = Make(CvROIMode::Circle, {{10 + 1e7f, 20}, {1e7f, 0}});
    ROIRenderer::RenderAll(img, {&circle}, 1.0, 1.0);
    EXPECT_TRUE(On(img, 10, 20));
    EXPECT_FALSE(On(img, 20, 20));
    EXPECT_FALSE(On(img, 0, 20));

    // A filled circle far larger than the target covers all of it.
    img = Blank(64, 48);
    cvROI filled = Make(CvROIMode::Circle, {{32, 24}, {1e8f, 0}}, -1);
    ROIRenderer::RenderAll(img, {&filled}, 1.0, 1.0);
    EXPECT_EQ(Lit(img), 64 * 48);

    // A huge circle that misses the target draws nothing.
    img = Blank(64, 48);
    cvROI around = Make(CvROIMode::Circle, {{32, 24}, {1e9f, 0}});
    ROIRenderer::RenderAll(img, {&around}, 1.0, 1.0);
    EXPECT_EQ(Lit(img), 0);

    // A dashed line a billion pixels long: dashes on the visible stretch only.
    img = Blank(64, 48);
    cvROI dashed = Make(CvROIMode::Line, {{-1e9f, 7}, {1e9f, 7}});
    dashed.lineStyle = LineStyle::Dashed;
    ROIRenderer::RenderAll(img, {&dashed}, 1.0, 1.0);
    EXPECT_GT(Lit(img), 20);
    EXPECT_LT(Lit(img), 50);

    // A polygon edge from a vertex far away still crosses the target, clipped.
    img = Blank(64, 48);
    cvROI poly = Make(CvROIMode::Polygon, {{10, 10}, {5e9f, 10}});
    ROIRenderer::RenderAll(img, {&poly}, 1.0, 1.0);
    EXPECT_EQ(Lit(img), 54);
}

TEST(UnsafeRecords, ThicknessOpenCVRefusesDrawsNothing) {
    for (int t : {0, -3, 40000}) {
        cv::Mat img = Blank(64, 48);
        cvROI line = Make(CvROIMode::Line, {{5, 5}, {50, 40}}, t);
        cvROI rect = Make(CvROIMode::Rectangle, {{5, 5}, {20, 20}}, t);
        cvROI poly = Make(CvROIMode::Polygon, {{5, 5}, {20, 5}, {10, 20}}, t);
        ROIRenderer::RenderAll(img, {&line, &rect, &poly}, 1.0, 1.0);
        EXPECT_EQ(Lit(img), 0) << t;
    }
    // Circles accept thickness 0 (thin) and negative (filled), as cv::circle does.
    cv::Mat img = Blank(64, 48);
    cvROI disc = Make(CvROIMode::Circle, {{30, 20}, {5, 0}}, -1);
    ROIRenderer::RenderAll(img, {&disc}, 1.0, 1.0);
    EXPECT_TRUE(On(img, 30, 20));
}

TEST(UnsafeRecords, MasksOfOddShapeOrDepth) {
    cv::Mat target(8, 8, CV_8UC3, cv::Scalar::all(10));
    const cv::Mat before = target.clone();
    cvROI roi = Make(CvROIMode::Mask, {});
    for (int type : {CV_8UC2, CV_64FC3, CV_32SC4, CV_8UC(5)}) {
        roi.mask = cv::Mat(3, 5, type);
        std::memset(roi.mask.data, 1, roi.mask.total() * roi.mask.elemSize());
        EXPECT_NO_THROW(ROIRenderer::RenderAll(target, {&roi}, 1.0, 1.0)) << type;
    }
    EXPECT_TRUE(Equal(target, before));  // conversions OpenCV refuses draw nothing

    for (int type : {CV_32FC1, CV_64FC1, CV_16SC1, CV_32FC3, CV_16UC4}) {
        target = before.clone();
        roi.mask = cv::Mat(3, 5, type, cv::Scalar::all(200));
        EXPECT_NO_THROW(ROIRenderer::RenderAll(target, {&roi}, 1.0, 1.0)) << type;
        EXPECT_FALSE(Equal(target, before)) << type;
    }

    // Odd targets: single channel, float, five channels.
    roi.mask = cv::Mat::ones(2, 2, CV_8UC1);
    for (int type : {CV_8UC1, CV_32FC3, CV_8UC(5), CV_16SC2}) {
        cv::Mat odd = cv::Mat::zeros(4, 4, type);
        EXPECT_NO_THROW(ROIRenderer::RenderAll(odd, {&roi}, 1.0, 1.0)) << type;
        cvROI line = Make(CvROIMode::Line, {{0, 0}, {3, 3}});
        EXPECT_NO_THROW(ROIRenderer::RenderAll(odd, {&line}, 1.0, 1.0)) << type;
        EXPECT_NO_THROW(ID::drawArrowDottedLine(odd, {0, 0}, {3, 3}, 15, 20, roi.color, 1, 1));
    }
    roi.color = cv::Scalar(1, 2, 3, std::nan(""));
    cv::Mat t2(4, 4, CV_8UC3, cv::Scalar::all(0));
    EXPECT_NO_THROW(ROIRenderer::RenderAll(t2, {&roi}, 1.0, 1.0));
}

TEST(UnsafePrimitives, ExtremeIntegerArguments) {
    cv::Mat img = Blank(64, 48);
    const cv::Scalar c(255, 255, 255);
    const cv::Point far1(INT_MIN, INT_MIN), far2(INT_MAX, INT_MAX), mid(30, 20);
    EXPECT_NO_THROW({
        ID::drawDashedLine(img, far1, far2, c, 1, 1);
        ID::drawDottedLine(img, far1, far2, c, 2, 1);
        ID::drawArrowLine(img, far1, far2, INT_MAX, 20, c, 1, cv::LINE_8);
        ID::drawArrow(img, mid, far2, INT_MIN, INT_MAX, c, 1, cv::LINE_AA);
        ID::drawArrowDashedLine(img, far1, mid, 15, 20, c, INT_MAX, 5);
        ID::drawArrowDottedLine(img, far1, mid, 15, 20, c, INT_MIN, 5);
        ID::drawReularCrossLine(img, far2, c, 1, INT_MAX);
        ID::drawReularCrossLine(img, mid, c, 0, 10);
        ID::drawArrowLine(img, mid, {40, 20}, 10, 20, c, 1, 12345);  // unknown line type
    });
    // The diagonal through the target is drawn, clipped.
    EXPECT_TRUE(On(img, 10, 10));
    cv::Mat empty;
    EXPECT_NO_THROW(ID::drawDashedLine(empty, {0, 0}, {10, 10}, c, 1, 2));
    EXPECT_NO_THROW(ID::drawReularCrossLine(empty, {0, 0}, c, 1, 10));
}

// Past the radius up to which cv::circle's cost is acceptable, thin circles are rasterised row
// by row; the result must stay within a pixel of OpenCV's own circle.
TEST(UnsafeRecords, LargeThinCircleWithinOnePixelOfOpenCV) {
    const std::pair<cv::Point2f, float> circles[] = {
        {{30.0f - 70000.0f, 24.0f}, 70000.0f},  // passes (30, 24), nearly vertical
        {{30.0f, 20.0f + 90000.0f}, 90000.0f},  // passes (30, 20), nearly horizontal
        {{-49480.0f, -49480.0f}, 70000.0f},     // crosses the target diagonally near (17, 17)
    };
    for (const auto& [centre, radius] : circles) {
        cvROI circle = Make(CvROIMode::Circle, {centre, {radius, 0}});
        cv::Mat ours = Blank(64, 48);
        ROIRenderer::RenderAll(ours, {&circle}, 1.0, 1.0);
        cv::Mat reference = Blank(64, 48);
        cv::circle(reference, cv::Point(cvRound(centre.x), cvRound(centre.y)),
                   static_cast<int>(radius), cv::Scalar(0, 255, 0), 1, cv::LINE_8);
        ASSERT_GT(Lit(reference), 20) << centre;
        cv::Mat grownOurs, grownReference;
        cv::dilate(ours, grownOurs, cv::Mat());
        cv::dilate(reference, grownReference, cv::Mat());
        EXPECT_EQ(Lit(reference & ~grownOurs), 0) << centre;
        EXPECT_EQ(Lit(ours & ~grownReference), 0) << centre;
    }
}
