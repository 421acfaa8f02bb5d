#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <cfloat>
#include <cmath>

#include "roi/roi_hit_test.h"

using P = cv::Point_<float>;

namespace {

void ExpectNoHit(const HitResult& h) {
    EXPECT_EQ(h.roiIndex, -1);
    EXPECT_EQ(h.vertexIndex, -1);
    EXPECT_EQ(h.handle, HitHandle::None);
    EXPECT_EQ(h.distance, FLT_MAX);
}

void ExpectHit(const HitResult& h, HitHandle handle, float distance, int vertex = -1) {
    EXPECT_EQ(h.roiIndex, 0);
    EXPECT_EQ(h.handle, handle);
    EXPECT_EQ(h.vertexIndex, vertex);
    EXPECT_NEAR(h.distance, distance, 1e-4f);
}

}  // namespace

TEST(HitTest, HandleValuesAndNoHitValue) {
    EXPECT_EQ(static_cast<int>(HitHandle::Vertex), 12);
    EXPECT_EQ(static_cast<int>(HitHandle::Rotate), 13);
    ExpectNoHit(HitResult{});
    ExpectNoHit(kNoHit);
}

TEST(HitTest, PointIsStrict) {
    ExpectHit(ROIHitTest::TestPoint({3, 4}, {0, 0}, 5.1f), HitHandle::Body, 5.0f);
    ExpectNoHit(ROIHitTest::TestPoint({3, 4}, {0, 0}, 5.0f));
}

TEST(HitTest, LineEndsBeforeBodyAndDegenerateNeverHits) {
    const P a(0, 0), b(100, 0);
    ExpectHit(ROIHitTest::TestLine({3, 0}, a, b, 5), HitHandle::LineStart, 3);
    ExpectHit(ROIHitTest::TestLine({98, 1}, a, b, 5), HitHandle::LineEnd, std::sqrt(5.0f));
    ExpectHit(ROIHitTest::TestLine({50, 4}, a, b, 5), HitHandle::Body, 4);
    ExpectNoHit(ROIHitTest::TestLine({50, 5}, a, b, 5));
    ExpectNoHit(ROIHitTest::TestLine({0, 0}, a, a, 5));
    // Both ends within tolerance of a short line: the start wins even when the end is nearer.
    ExpectHit(ROIHitTest::TestLine({3, 0}, {0, 0}, {4, 0}, 5), HitHandle::LineStart, 3);
}

TEST(HitTest, RectangleCornersThenEdgesInOrderThenInside) {
    const cv::Rect_<float> r(10, 10, 100, 50);
    ExpectHit(ROIHitTest::TestRectangle({12, 50}, r, 5), HitHandle::Left, 2);
    ExpectNoHit(ROIHitTest::TestRectangle({12, 70}, r, 5));
    ExpectHit(ROIHitTest::TestRectangle({60, 40}, r, 5), HitHandle::Body, 0);
    ExpectHit(ROIHitTest::TestRectangle({110, 40}, r, 5), HitHandle::Right, 0);
    ExpectHit(ROIHitTest::TestRectangle({60, 12}, r, 5), HitHandle::Top, 2);
    ExpectHit(ROIHitTest::TestRectangle({60, 57}, r, 5), HitHandle::Bottom, 3);
    // Near a corner the corner is grabbed (the nearest, numbered clockwise from top-left);
    // with a thin rectangle Left wins over Right.
    ExpectHit(ROIHitTest::TestRectangle({11, 11}, r, 5), HitHandle::Corner, std::sqrt(2.0f), 0);
    ExpectHit(ROIHitTest::TestRectangle({112, 59}, r, 5), HitHandle::Corner, std::sqrt(5.0f), 2);
    ExpectHit(ROIHitTest::TestRectangle({13, 30}, {10, 10, 4, 50}, 5), HitHandle::Left, 3);
    // inY bounds are inclusive: exactly tol beyond the bottom still counts.
    ExpectHit(ROIHitTest::TestRectangle({12, 65}, r, 5), HitHandle::Left, 2);
    ExpectNoHit(ROIHitTest::TestRectangle({60, 40}, {10, 10, 0, 50}, 5));
}

TEST(HitTest, CircleEdgeThenCentreOnly) {
    ExpectNoHit(ROIHitTest::TestCircle({20, 0}, {0, 0}, 50, 5));
    ExpectHit(ROIHitTest::TestCircle({3, 0}, {0, 0}, 50, 5), HitHandle::Body, 3);
    ExpectHit(ROIHitTest::TestCircle({52, 0}, {0, 0}, 50, 5), HitHandle::Radius, 2);
    // A small circle: the edge is tested first.
    ExpectHit(ROIHitTest::TestCircle({1, 0}, {0, 0}, 3, 5), HitHandle::Radius, 2);
    ExpectNoHit(ROIHitTest::TestCircle({0, 0}, {0, 0}, 0, 5));
}

TEST(HitTest, AnnulusOrderAndFullCircleArcs) {
    const P c(100, 100);
    ExpectNoHit(ROIHitTest::TestAnnulus({150, 100}, c, 50, 50, 0, 90, 5));
    ExpectNoHit(ROIHitTest::TestAnnulus({150, 100}, c, -1, 50, 0, 90, 5));
    ExpectHit(ROIHitTest::TestAnnulus({102, 100}, c, 20, 50, 0, 90, 5), HitHandle::Body, 2);
    // On the outer circle but outside the 0..90 sector: still Radius.
    ExpectHit(ROIHitTest::TestAnnulus({100, 52}, c, 20, 50, 0, 90, 5), HitHandle::Radius, 2);
    ExpectHit(ROIHitTest::TestAnnulus({122, 100}, c, 20, 50, 45, 90, 5), HitHandle::InnerRadius, 2);
    // On the start radial line (angle 0, along +x) between the arcs.
    ExpectHit(ROIHitTest::TestAnnulus({135, 103}, c, 20, 50, 0, 90, 5), HitHandle::StartAngle, 3);
    // End radial line at 90 degrees points along +y (down on screen).
    ExpectHit(ROIHitTest::TestAnnulus({98, 135}, c, 20, 50, 0, 90, 5), HitHandle::EndAngle, 2);
}

TEST(HitTest, PolygonNearestVertexTiesKeepLowerIndex) {
    const std::vector<P> v{{0, 0}, {4, 0}, {100, 100}};
    ExpectHit(ROIHitTest::TestPolygon({2, 0}, v, 5, false), HitHandle::Vertex, 2, 0);
    ExpectHit(ROIHitTest::TestPolygon({3, 0}, v, 5, false), HitHandle::Vertex, 1, 1);
    ExpectNoHit(ROIHitTest::TestPolygon({2, 0}, {}, 5, false));
}

TEST(HitTest, PolygonCentreGrabOnlyWithThreeVerticesAndNotDisabled) {
    const std::vector<P> tri{{0, 0}, {100, 0}, {50, 100}};
    // cv::boundingRect gives (0, 0, 101, 101): centre (50.5, 50.5).
    ExpectHit(ROIHitTest::TestPolygon({50.5f, 53.5f}, tri, 5, false), HitHandle::Body, 3);
    ExpectNoHit(ROIHitTest::TestPolygon({50.5f, 53.5f}, tri, 5, true));
    // Interior and edges do not grab.
    ExpectNoHit(ROIHitTest::TestPolygon({50, 1}, tri, 5, false));
    ExpectNoHit(ROIHitTest::TestPolygon({50, 0}, {{0, 0}, {100, 0}}, 5, false));
}

TEST(HitTest, RotatedRectangleRotateBeforeEdgesThenInside) {
    std::vector<P> corners(4);
    cv::RotatedRect(cv::Point2f(50, 50), cv::Size2f(60, 40), 0).points(corners.data());
    // Angle 0: bottom-left, top-left, top-right, bottom-right.
    ASSERT_EQ(corners[1], P(20, 30));
    ExpectNoHit(ROIHitTest::TestRotatedRectangle({50, 50}, {corners[0], corners[1], corners[2]},
                                                 {50, 50}, 0, 5));
    // Midpoint of edge 1-2 (top) is a rotation handle although it is on that edge.
    ExpectHit(ROIHitTest::TestRotatedRectangle({50, 31}, corners, {50, 50}, 0, 5),
              HitHandle::Rotate, 1);
    ExpectHit(ROIHitTest::TestRotatedRectangle({21, 50}, corners, {50, 50}, 0, 5),
              HitHandle::Rotate, 1);
    // Edges reach 1.5 x tol.
    ExpectHit(ROIHitTest::TestRotatedRectangle({30, 23}, corners, {50, 50}, 0, 5), HitHandle::Top,
              7);
    ExpectHit(ROIHitTest::TestRotatedRectangle({86, 60}, corners, {50, 50}, 0, 5), HitHandle::Right,
              6);
    ExpectHit(ROIHitTest::TestRotatedRectangle({40, 73}, corners, {50, 50}, 0, 5),
              HitHandle::Bottom, 3);
    ExpectHit(ROIHitTest::TestRotatedRectangle({15, 60}, corners, {50, 50}, 0, 5), HitHandle::Left,
              5);
    ExpectNoHit(ROIHitTest::TestRotatedRectangle({30, 22}, corners, {50, 50}, 0, 5));
    ExpectHit(ROIHitTest::TestRotatedRectangle({60, 55}, corners, {50, 50}, 0, 5), HitHandle::Body,
              0);
}

TEST(HitTest, NaNInputsNeverHit) {
    const float nan = std::nanf("");
    ExpectNoHit(ROIHitTest::TestPoint({nan, 0}, {0, 0}, 5));
    ExpectNoHit(ROIHitTest::TestRectangle({nan, nan}, {0, 0, 10, 10}, 5));
    ExpectNoHit(ROIHitTest::TestCircle({1, 1}, {0, 0}, nan, 5));
    ExpectNoHit(ROIHitTest::TestAnnulus({1, 1}, {0, 0}, nan, 10, 0, 90, 5));
    ExpectNoHit(ROIHitTest::TestLine({1, 1}, {0, 0}, {10, 0}, nan));
}
