// The editing ROI as data: what the mouse draws, given as data and stored into a fresh editor,
// is the same shape (same data again, same crop rectangle) for every mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "roi/roi_data.h"
#include "roi/roi_editor.h"

using P = cv::Point2f;

namespace {

struct Stroke {
    CvROIMode mode;
    std::vector<P> path;  // press at the first point, drag through the others, release
};

ROIEditor Drawn(const Stroke& s, EditContext& ctx) {
    ROIEditor ed;
    ed.StoreFuncEnable(false, true, true);
    ctx.mode = s.mode;
    ctx.imageSize = {1000, 1000};
    (void)ed.Press(ctx, s.path.front());
    for (size_t i = 1; i < s.path.size(); ++i) {
        (void)ed.Motion(ctx, s.path[i]);
    }
    (void)ed.Release(ctx);
    return ed;
}

ROIEditor Stored(const ROIShape& data) {
    ROIEditor ed;
    ed.StoreShape(data);
    return ed;
}

}  // namespace

TEST(ROIData, WhatTheMouseDrawsComesBackFromItsData) {
    const std::vector<Stroke> strokes = {
        {CvROIMode::Point, {{40.5f, 30.25f}}},
        {CvROIMode::Line, {{10, 20}, {100, 60}, {200.5f, 150}}},
        {CvROIMode::Rectangle, {{10, 10}, {5, 30}}},
        {CvROIMode::RotatedRectangle, {{300, 200}, {420.25f, 260}}},
        // Radius vectors of unequal components, and an annulus whose inner radius follows the
        // outer one.
        {CvROIMode::Circle, {{100, 100}, {103, 104}}},
        {CvROIMode::Annulus, {{500, 500}, {530, 540}}},
    };
    for (const Stroke& s : strokes) {
        SCOPED_TRACE(ModeName(static_cast<int>(s.mode)));
        EditContext ctx;
        const ROIEditor drawn = Drawn(s, ctx);
        const ROIShape data = drawn.Shape(s.mode);
        ASSERT_FALSE(data.points.empty());
        EXPECT_EQ(EditingPointCountError(static_cast<int>(data.mode), data.points.size()), "");
        const ROIEditor back = Stored(data);
        const ROIShape again = back.Shape(data.mode);
        EXPECT_EQ(again.points, data.points);
        EXPECT_EQ(again.angle, data.angle);
        EXPECT_EQ(back.CropRect(s.mode), drawn.CropRect(s.mode));
    }

    // The annulus says the inner radius the panel draws: half of the outer 50.
    EditContext ctx;
    const ROIShape ring =
        Drawn({CvROIMode::Annulus, {{500, 500}, {530, 540}}}, ctx).Shape(CvROIMode::Annulus);
    EXPECT_EQ(ring.points[1], P(30, 40));
    EXPECT_EQ(ring.points[2], P(25, 0));
    EXPECT_EQ(ring.points[3], P(0, 360));
    EXPECT_DOUBLE_EQ(ring.Ring().outerRadius, 50.0);
}

TEST(ROIData, EmptyOpenAndUnstorableShapes) {
    ROIEditor ed;
    for (int mode = 0; mode <= 10; ++mode) {
        EXPECT_TRUE(ed.Shape(static_cast<CvROIMode>(mode)).points.empty()) << mode;  // the reset state
    }
    // A polygon still being drawn is not a region; closed, it is its vertices.
    ed.m_roiPoints = {{1, 1}, {50, 1}, {25, 40}};
    EXPECT_TRUE(ed.Shape(CvROIMode::Polygon).points.empty());
    ed.m_polygonDrawing = false;
    EXPECT_EQ(ed.Shape(CvROIMode::Polygon).points, ed.m_roiPoints);

    // A circle drawn straight to the right has the radius vector (30, 0), which storing would
    // turn into two equal components: the data says those at once, so a round trip is stable.
    ed.m_roiRect = {100, 100, 30, 0};
    const ROIShape circle = ed.Shape(CvROIMode::Circle);
    EXPECT_FLOAT_EQ(circle.points[1].x, 21.213203f);
    EXPECT_EQ(circle.points[1].x, circle.points[1].y);
    EXPECT_EQ(Stored(circle).Shape(CvROIMode::Circle).points, circle.points);
    EXPECT_NEAR(circle.Ring().outerRadius, 30.0, 1e-5);
}
