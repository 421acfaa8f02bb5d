// The ROI editor's keys: the arrow keys move the whole shape of every kind, Delete empties it,
// and both act only where a mouse edit could.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "roi/roi_editor.h"

using P = cv::Point2f;

namespace {

class Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        ed.StoreFuncEnable(false, true, true);
        ctx.imageSize = {1000, 800};
    }
    void Set(CvROIMode mode, std::vector<P> points, double angle = 0.0) {
        cvROI roi;
        roi.mode = mode;
        roi.points = std::move(points);
        roi.angle = angle;
        ctx.mode = mode;
        ed.StoreROI(roi);
    }

    ROIEditor ed;
    EditContext ctx;
};

struct Shape {
    CvROIMode mode;
    std::vector<P> points;
    double angle;
};

TEST_F(Keys, ArrowsMoveEveryShapeWholeAndStopItsCentreAtTheBorder) {
    const std::vector<Shape> shapes = {
        {CvROIMode::Point, {{100, 200}}, 0},
        {CvROIMode::Line, {{100, 200}, {300, 250}}, 0},
        {CvROIMode::Rectangle, {{100, 200}, {60, 40}}, 0},
        {CvROIMode::RotatedRectangle, {{100, 200}, {60, 40}}, 30},
        {CvROIMode::Circle, {{100, 200}, {30, 40}}, 0},
        {CvROIMode::Annulus, {{100, 200}, {50, 0}, {20, 0}, {30, 120}}, 0},
        {CvROIMode::Polygon, {{100, 200}, {300, 220}, {180, 400}}, 0},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(static_cast<int>(s.mode));
        Set(s.mode, s.points, s.angle);
        const ROISnapshot start = ed.Snapshot(ctx.mode);
        const cv::Rect crop = ed.CropRect(ctx.mode);
        const EditOutcome moved = ed.MoveBy(ctx, {10, -1});
        EXPECT_TRUE(moved.handled);
        EXPECT_EQ(moved.cropEvents, 1);
        // The same shape as one set ten pixels right and one up.
        std::vector<P> shifted = s.points;
        const size_t positions = s.mode == CvROIMode::Polygon || s.mode == CvROIMode::Point ||
                                         s.mode == CvROIMode::Line
                                     ? shifted.size()
                                     : 1;
        for (size_t i = 0; i < positions; ++i) shifted[i] += P(10, -1);
        ROIEditor expected;
        cvROI roi;
        roi.mode = s.mode;
        roi.points = shifted;
        roi.angle = s.angle;
        expected.StoreROI(roi);
        EXPECT_TRUE(ed.Snapshot(ctx.mode).SameShape(expected.Snapshot(ctx.mode)));
        EXPECT_EQ(ed.CropRect(ctx.mode), crop + cv::Point(10, -1));
        // One step: an undo puts it back exactly.
        ASSERT_TRUE(ed.UndoEdit(ctx.mode).has_value());
        EXPECT_TRUE(ed.Snapshot(ctx.mode).SameShape(start));
    }

    // A rectangle centred at (985, 790) in a 1000 x 800 image: the centre stops at (999, 799).
    Set(CvROIMode::Rectangle, {{955, 770}, {60, 40}});
    EXPECT_EQ(ed.MoveBy(ctx, {10, 10}).cropEvents, 1);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(965, 779, 60, 40));
    EXPECT_EQ(ed.MoveBy(ctx, {10, 0}).cropEvents, 1);  // the last 4 pixels
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(969, 779, 60, 40));
    const EditOutcome stopped = ed.MoveBy(ctx, {10, 0});
    EXPECT_TRUE(stopped.handled);  // the key is still the shape's: the view does not scroll
    EXPECT_EQ(stopped.cropEvents, 0);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(969, 779, 60, 40));
    EXPECT_EQ(ed.MoveBy(ctx, {-10, 0}).cropEvents, 1);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(959, 779, 60, 40));
    // A circle set beyond the left border may come back, but not go farther out.
    Set(CvROIMode::Circle, {{-50, 400}, {30, 0}});
    EXPECT_EQ(ed.MoveBy(ctx, {-1, 0}).cropEvents, 0);
    EXPECT_EQ(ed.MoveBy(ctx, {1, 0}).cropEvents, 1);
    EXPECT_FLOAT_EQ(ed.m_roiRect.x, -49.0f);
}

TEST_F(Keys, DeleteAndArrowsActOnlyWhereTheMouseCould) {
    Set(CvROIMode::Rectangle, {{100, 100}, {50, 50}});
    ed.m_lockROI = true;
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    EXPECT_FALSE(ed.DeleteShape(ctx).handled);
    ed.m_lockROI = false;
    // Moving switched off: the arrows leave the shape alone, Delete still empties it.
    ed.StoreFuncEnable(false, true, false);
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    const EditOutcome deleted = ed.DeleteShape(ctx);
    EXPECT_TRUE(deleted.handled);
    EXPECT_EQ(deleted.cropEvents, 1);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(0, 0, 0, 0));
    // Nothing left to move or delete: the keys are left to others.
    ed.StoreFuncEnable(false, true, true);
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    EXPECT_FALSE(ed.DeleteShape(ctx).handled);
    ASSERT_TRUE(ed.UndoEdit(ctx.mode).has_value());
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(100, 100, 50, 50));

    // Not during a drag, nor without an image.
    (void)ed.Press(ctx, {125, 125});
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    EXPECT_FALSE(ed.DeleteShape(ctx).handled);
    (void)ed.Release(ctx);
    ctx.imageSize = {0, 0};
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    ctx.imageSize = {1000, 800};

    // An open polygon cannot be moved (the mouse cannot grab it whole either); Delete drops it
    // without reporting it, and the next press starts a new one.
    ctx.mode = CvROIMode::Polygon;
    ed.SetROIParamDefault();
    ctx.nowMs = 10000;
    for (const P& p : {P(100, 100), P(300, 100)}) {
        ctx.nowMs += 5000;
        (void)ed.Press(ctx, p);
        (void)ed.Release(ctx);
    }
    EXPECT_FALSE(ed.MoveBy(ctx, {1, 0}).handled);
    const EditOutcome dropped = ed.DeleteShape(ctx);
    EXPECT_TRUE(dropped.handled);
    EXPECT_EQ(dropped.cropEvents, 0);
    ctx.nowMs += 5000;
    (void)ed.Press(ctx, {500, 500});
    EXPECT_EQ(ed.m_roiPoints, std::vector<P>{P(500, 500)});
}

}  // namespace
