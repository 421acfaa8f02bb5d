#include <gtest/gtest.h>

#include <cfloat>

#include "roi/roi_geometry.h"

using P = cv::Point_<float>;

TEST(Geometry, DistanceToSegmentNotInfiniteLine) {
    const P a(0, 0), b(10, 0);
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToLine({5, 3}, a, b), 3.0f);
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToLine({-3, 4}, a, b), 5.0f);   // beyond a
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToLine({13, -4}, a, b), 5.0f);  // beyond b
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToLine({3, 4}, a, a), 5.0f);    // degenerate
}

TEST(Geometry, DistanceToCircleIsDistanceToCircumference) {
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToCircle({3, 4}, {0, 0}, 10.0f), 5.0f);
    EXPECT_FLOAT_EQ(ROIGeometry::DistanceToCircle({0, 15}, {0, 0}, 10.0f), 5.0f);
}

TEST(Geometry, DistanceToPolygonIncludesClosingEdge) {
    const std::vector<P> tri{{0, 0}, {10, 0}, {10, 10}};
    // (2, 6) is nearest to the closing edge (10,10)-(0,0).
    EXPECT_NEAR(ROIGeometry::DistanceToPolygon({2, 6}, tri), 2.828427f, 1e-5f);
    EXPECT_EQ(ROIGeometry::DistanceToPolygon({2, 6}, {{1, 1}}), FLT_MAX);
    EXPECT_EQ(ROIGeometry::DistanceToPolygon({2, 6}, {}), FLT_MAX);
}

TEST(Geometry, InsideRectExcludesRightAndBottomEdges) {
    const cv::Rect_<float> r(10, 10, 20, 10);
    EXPECT_TRUE(ROIGeometry::IsInsideRect({10, 10}, r));
    EXPECT_TRUE(ROIGeometry::IsInsideRect({29.99f, 19.99f}, r));
    EXPECT_FALSE(ROIGeometry::IsInsideRect({30, 15}, r));
    EXPECT_FALSE(ROIGeometry::IsInsideRect({15, 20}, r));
}

TEST(Geometry, BoundingBoxTruncatesWithoutPlusOne) {
    EXPECT_EQ(ROIGeometry::GetBoundingBox({}), cv::Rect(0, 0, 0, 0));
    EXPECT_EQ(ROIGeometry::GetBoundingBox({{1.7f, 2.2f}, {5.9f, -3.5f}}), cv::Rect(1, -3, 4, 5));
    EXPECT_EQ(ROIGeometry::GetBoundingBox({{4, 4}}), cv::Rect(4, 4, 0, 0));
    // Out-of-range coordinates saturate instead of overflowing.
    const cv::Rect huge = ROIGeometry::GetBoundingBox({{-3e38f, 0}, {3e38f, 1}});
    EXPECT_EQ(huge.x, INT_MIN);
    EXPECT_EQ(huge.width, INT_MAX);
}
