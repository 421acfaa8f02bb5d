// Undo, redo and the cancelled drag of the ROI editor, driven as a panel drives them.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "roi/roi_editor.h"
#include "roi/roi_history.h"

using P = cv::Point2f;

namespace {

class History : public ::testing::Test {
  protected:
    void SetUp() override {
        ed.StoreFuncEnable(false, true, true);
        ctx.imageSize = {1000, 1000};
        ctx.nowMs = 100000;
        ctx.mode = CvROIMode::Rectangle;
    }
    int Drag(P from, std::initializer_list<P> path) {
        int events = ed.Press(ctx, from).cropEvents;
        for (const P& p : path) {
            events += ed.Motion(ctx, p).cropEvents;
        }
        return events + ed.Release(ctx).cropEvents;
    }
    // A polygon vertex clicked well apart in time from the previous one.
    int Click(P p) {
        ctx.nowMs += 5000;
        return Drag(p, {});
    }
    bool Undo() {
        const std::optional<CvROIMode> mode = ed.UndoEdit(ctx.mode);
        if (mode) ctx.mode = *mode;
        return mode.has_value();
    }
    bool Redo() {
        const std::optional<CvROIMode> mode = ed.RedoEdit(ctx.mode);
        if (mode) ctx.mode = *mode;
        return mode.has_value();
    }
    cv::Rect Crop() const { return ed.CropRect(ctx.mode); }

    ROIEditor ed;
    EditContext ctx;
};

TEST_F(History, ADragIsOneStepAndANewEditDropsTheRedoSide) {
    EXPECT_FALSE(Undo());
    Drag({10, 10}, {{20, 20}, {40, 30}, {60, 50}});
    Drag({35, 30}, {{100, 100}, {200, 200}});  // the body, in many motions
    ASSERT_EQ(Crop(), cv::Rect(175, 180, 50, 40));
    EXPECT_EQ(ed.m_history.UndoDepth(), 2u);

    EXPECT_TRUE(Undo());
    EXPECT_EQ(Crop(), cv::Rect(10, 10, 50, 40));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Crop(), cv::Rect(0, 0, 0, 0));
    EXPECT_FALSE(Undo());
    EXPECT_TRUE(Redo());
    EXPECT_EQ(Crop(), cv::Rect(10, 10, 50, 40));
    // The restored rectangle is grabbed where it is now, not where the redone drag left it.
    EXPECT_EQ(ed.Motion(ctx, {58, 30}).cursor, EditCursor::Hand);

    Drag({30, 50}, {{30, 80}});  // the bottom edge: a new edit, so the moved one cannot return
    EXPECT_FALSE(ed.m_history.CanRedo());
    EXPECT_FALSE(Redo());
    EXPECT_EQ(Crop(), cv::Rect(10, 10, 50, 70));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Crop(), cv::Rect(10, 10, 50, 40));
}

TEST_F(History, NothingOnScreenChangedIsNoStep) {
    // Clicks on empty space leave an empty rectangle empty, in whichever mode.
    Drag({10, 10}, {});
    Drag({500, 500}, {});
    EXPECT_FALSE(ed.m_history.CanUndo());
    ctx.mode = CvROIMode::Circle;
    Drag({300, 300}, {});
    EXPECT_FALSE(ed.m_history.CanUndo());
    // Grabbing a circle and letting go where it was is no step either.
    Drag({300, 300}, {{330, 340}});
    Drag({300, 300}, {{300, 300}});
    EXPECT_EQ(ed.m_history.UndoDepth(), 1u);
    // A programmatic change of another mode that empties the shape is one.
    const ROISnapshot before = ed.BeginEdit(ctx.mode);
    ed.SetROIParamDefault();
    ctx.mode = CvROIMode::Polygon;
    EXPECT_TRUE(ed.EndEdit(before, ctx.mode));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(ctx.mode, CvROIMode::Circle);
    EXPECT_EQ(Crop(), cv::Rect(300, 300, 30, 40));
}

TEST_F(History, EscapeRestoresThePressedShapeWithoutEventOrStep) {
    Drag({100, 100}, {{300, 200}});
    const cv::Rect drawn = Crop();
    (void)ed.Press(ctx, {100, 150});  // the left edge
    (void)ed.Motion(ctx, {250, 150});
    (void)ed.Motion(ctx, {400, 150});  // past the right edge: negative width
    const EditOutcome cancelled = ed.CancelDrag();
    EXPECT_TRUE(cancelled.handled);
    EXPECT_TRUE(cancelled.repaint);
    EXPECT_EQ(cancelled.cropEvents, 0);
    EXPECT_EQ(Crop(), drawn);
    // The release of the held button and further motion change nothing and report nothing.
    EXPECT_EQ(ed.Motion(ctx, {500, 150}).repaint, false);
    const EditOutcome release = ed.Release(ctx);
    EXPECT_FALSE(release.handled);
    EXPECT_EQ(release.cropEvents, 0);
    EXPECT_EQ(Crop(), drawn);
    EXPECT_EQ(ed.m_history.UndoDepth(), 1u);
    EXPECT_FALSE(ed.CancelDrag().handled);  // no drag any more

    // A new shape started on empty space goes away again, and the old one is back.
    (void)ed.Press(ctx, {600, 600});
    (void)ed.Motion(ctx, {700, 700});
    (void)ed.CancelDrag();
    EXPECT_EQ(Crop(), drawn);
    EXPECT_EQ(ed.Motion(ctx, {200, 150}).cursor, EditCursor::Hand);
}

TEST_F(History, PolygonVerticesCloseAndUndoneVertexNotTakenForQuickPress) {
    ctx.mode = CvROIMode::Polygon;
    Click({100, 100});
    Click({300, 100});
    Click({300, 300});
    EXPECT_EQ(ed.m_history.UndoDepth(), 3u);
    // A quick second press closes; Esc during it does not reopen what the host was told.
    ctx.nowMs += 100;
    EXPECT_EQ(ed.Press(ctx, {301, 301}).cropEvents, 1);
    (void)ed.CancelDrag();
    EXPECT_FALSE(ed.m_polygonDrawing);
    EXPECT_EQ(ed.Release(ctx).cropEvents, 0);
    EXPECT_EQ(ed.m_history.UndoDepth(), 4u);

    EXPECT_TRUE(Undo());  // open again
    EXPECT_TRUE(ed.m_polygonDrawing);
    EXPECT_EQ(ed.m_roiPoints.size(), 3u);
    EXPECT_TRUE(Undo());  // the third vertex goes
    ASSERT_EQ(ed.m_roiPoints, (std::vector<P>{{100, 100}, {300, 100}}));
    // A press at once beside the vertex that went adds a vertex: it is no quick second press
    // of a click that no longer exists.
    ctx.nowMs += 100;
    Drag({301, 301}, {});
    EXPECT_EQ(ed.m_roiPoints.size(), 3u);
    EXPECT_FALSE(ed.m_history.CanRedo());

    // A double click outside a press closes as a step of its own.
    EXPECT_EQ(ed.DoubleClick(ctx, {200, 200}).cropEvents, 1);
    EXPECT_TRUE(Undo());
    EXPECT_TRUE(ed.m_polygonDrawing);
    EXPECT_TRUE(Redo());
    EXPECT_FALSE(ed.m_polygonDrawing);
    EXPECT_EQ(Crop(), cv::Rect(100, 100, 202, 202));
}

TEST_F(History, ProgrammaticChangeDuringADragAndUndoDuringOne) {
    Drag({100, 100}, {{200, 200}});
    (void)ed.Press(ctx, {150, 150});  // the body
    (void)ed.Motion(ctx, {160, 150});
    // The host sets a rectangle mid-drag: one step from the pressed shape, not from the
    // half-dragged one; the drag goes on from the new shape.
    const ROISnapshot before = ed.BeginEdit(ctx.mode);
    ed.StoreRect(ctx.mode, {500, 500, 20, 20});
    EXPECT_TRUE(ed.EndEdit(before, ctx.mode));
    (void)ed.Motion(ctx, {600, 600});
    (void)ed.Release(ctx);
    EXPECT_EQ(Crop(), cv::Rect(590, 590, 20, 20));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Crop(), cv::Rect(500, 500, 20, 20));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Crop(), cv::Rect(100, 100, 100, 100));

    // Undo in the middle of a drag first drops the drag.
    EXPECT_TRUE(Redo());
    (void)ed.Press(ctx, {510, 510});
    (void)ed.Motion(ctx, {900, 900});
    EXPECT_TRUE(Undo());
    EXPECT_FALSE(ed.m_leftDown);
    EXPECT_EQ(Crop(), cv::Rect(100, 100, 100, 100));
    EXPECT_EQ(ed.Release(ctx).cropEvents, 0);
}

TEST(HistoryDepth, OldestStepsGoBeyondTheDepthAndThePointBudget) {
    ROIEditor ed;
    ed.StoreFuncEnable(false, true, true);
    for (int i = 1; i <= 150; ++i) {
        const ROISnapshot before = ed.BeginEdit(CvROIMode::Rectangle);
        ed.StoreRect(CvROIMode::Rectangle, {i, i, 10, 10});
        (void)ed.EndEdit(before, CvROIMode::Rectangle);
    }
    int undone = 0;
    while (ed.UndoEdit(CvROIMode::Rectangle)) ++undone;
    EXPECT_EQ(undone, static_cast<int>(ROIHistory::kDefaultDepth));
    EXPECT_GE(undone, 100);
    EXPECT_EQ(ed.CropRect(CvROIMode::Rectangle), cv::Rect(150 - undone, 150 - undone, 10, 10));
    int redone = 0;
    while (ed.RedoEdit(CvROIMode::Rectangle)) ++redone;
    EXPECT_EQ(redone, undone);
    EXPECT_EQ(ed.CropRect(CvROIMode::Rectangle), cv::Rect(150, 150, 10, 10));

    // Huge outlines: only as many steps as the vertex budget holds, but always the last one.
    ROIHistory history(100, 2500);
    ROISnapshot shape;
    shape.shape.mode = CvROIMode::Polygon;
    shape.polygonDrawing = false;
    for (int i = 0; i < 5; ++i) {
        ROISnapshot next = shape;
        next.shape.points.assign(1000, P(static_cast<float>(i), 0.f));
        EXPECT_TRUE(history.Record(shape, next));
        shape = next;
    }
    EXPECT_EQ(history.UndoDepth(), 2u);  // two outlines of 1000 vertices fit, a third would not
    ROIHistory tight(100, 10);
    ROISnapshot big = shape;
    big.shape.points.assign(50, P(9.f, 9.f));
    EXPECT_TRUE(tight.Record(shape, big));
    EXPECT_EQ(tight.UndoDepth(), 1u);
    ASSERT_TRUE(tight.Undo(big).has_value());
}

}  // namespace
