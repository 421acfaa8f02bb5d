// The ROI editing rules driven as a panel drives them: presses, motions and releases in image
// pixels, with the crop events and cursors the panel would act on.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "roi/roi_editor.h"

using P = cv::Point2f;

namespace {

class Editor : public ::testing::Test {
  protected:
    void SetUp() override {
        ed.StoreFuncEnable(false, true, true);
        ctx.imageSize = {1000, 1000};
        ctx.nowMs = 100000;
    }
    void Use(CvROIMode mode) { ctx.mode = mode; }
    // Press, the given motions, release; the crop events of all steps.
    int Drag(P from, std::initializer_list<P> path) {
        int events = ed.Press(ctx, from).cropEvents;
        for (const P& p : path) {
            events += ed.Motion(ctx, p).cropEvents;
        }
        return events + ed.Release(ctx).cropEvents;
    }
    int Click(P p, std::int64_t t) {
        ctx.nowMs = t;
        return Drag(p, {});
    }
    void Set(CvROIMode mode, std::vector<P> points, double angle = 0.0) {
        cvROI roi;
        roi.mode = mode;
        roi.points = std::move(points);
        roi.angle = angle;
        ctx.mode = mode;
        ed.StoreROI(roi);
    }
    P OnCircle(P centre, double radius, double deg) const {
        const double t = deg * CV_PI / 180.0;
        return {static_cast<float>(centre.x + radius * std::cos(t)),
                static_cast<float>(centre.y + radius * std::sin(t))};
    }

    ROIEditor ed;
    EditContext ctx;
};

void ExpectNear(const P& a, const P& b, float tol = 1e-3f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

}  // namespace

TEST_F(Editor, RectangleCreateClickEdgesAndBody) {
    Use(CvROIMode::Rectangle);
    EXPECT_EQ(ed.Press(ctx, {10, 10}).cropEvents, 0);
    EXPECT_EQ(ed.Motion(ctx, {5, 30}).cropEvents, 0);
    EXPECT_EQ(ed.Release(ctx).cropEvents, 1);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(5, 10, 5, 20));

    // A click on empty space discards the shape and still reports (the empty rectangle).
    EXPECT_EQ(Drag({500, 500}, {}), 1);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(0, 0, 0, 0));

    // The left edge dragged past the right one leaves an empty rectangle nothing can grab.
    ed.StoreRect(ctx.mode, {100, 100, 50, 20});
    EXPECT_EQ(Drag({100, 110}, {{170, 110}}), 1);
    EXPECT_FLOAT_EQ(ed.m_roiRect.width, -20);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(0, 0, 0, 0));
    EXPECT_EQ(ed.Motion(ctx, {160, 110}).cursor, EditCursor::Cross);

    // A body drag centres the rectangle on the pointer wherever it was grabbed.
    ed.StoreRect(ctx.mode, {100, 100, 200, 100});
    EXPECT_EQ(ed.Motion(ctx, {150, 130}).cursor, EditCursor::Hand);
    Drag({150, 130}, {{400, 400}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(300, 350, 200, 100));
    // Bottom edge; at zoom 4 the tolerance is 2.5 image pixels, so 3 pixels off misses.
    ctx.scale = 4.0;
    EXPECT_EQ(ed.Motion(ctx, {400, 453}).cursor, EditCursor::Cross);
    Drag({400, 451}, {{400, 470}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(300, 350, 200, 120));
}

TEST_F(Editor, LineAndPoint) {
    Use(CvROIMode::Line);
    Drag({10, 10}, {{50, 30}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(10, 10, 40, 20));
    Drag({50, 30}, {{80, 90}});  // the end
    ExpectNear(ed.m_leftMouseDownPoint, {10, 10});
    ExpectNear(ed.m_leftMouseUpPoint, {80, 90});
    Drag({45, 50}, {{55, 40}});  // the body, near the middle: both ends move by (10, -10)
    ExpectNear(ed.m_leftMouseDownPoint, {20, 0});
    ExpectNear(ed.m_leftMouseUpPoint, {90, 80});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(20, 0, 70, 80));

    Use(CvROIMode::Point);
    ed.SetROIParamDefault();
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(0, 0, 0, 0));  // a point at (0, 0) is none
    Drag({300.7f, 40.2f}, {});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(300, 40, 0, 0));
    Drag({302, 41}, {{310, 60}});  // grabbed and dragged
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(310, 60, 0, 0));
}

TEST_F(Editor, CircleRadiusHandleAndCircleSetAsRadius) {
    Use(CvROIMode::Circle);
    Drag({100, 100}, {{103, 104}});
    EXPECT_DOUBLE_EQ(ed.OuterRadius(), 5.0);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(100, 100, 3, 4));
    Drag({105, 100}, {{110, 100}});
    EXPECT_NEAR(ed.m_roiRect.width, 7.0710678f, 1e-6f);
    EXPECT_NEAR(ed.m_roiRect.height, 7.0710678f, 1e-6f);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(100, 100, 7, 7));

    // (centre, (radius, 0)) as Python gives it: still a circle the mouse can grab.
    Set(CvROIMode::Circle, {{200, 200}, {30, 0}});
    EXPECT_NEAR(ed.OuterRadius(), 30.0, 1e-5);
    EXPECT_EQ(ed.Motion(ctx, {230, 200}).cursor, EditCursor::Hand);
    Drag({230, 200}, {{240, 200}});
    EXPECT_NEAR(ed.OuterRadius(), 40.0, 1e-4);
    Drag({201, 201}, {{300, 310}});  // the centre handle moves it
    ExpectNear({ed.m_roiRect.x, ed.m_roiRect.y}, {300, 310});

    // Drawn straight along an axis, circle and annulus keep their radius and stay editable.
    for (const CvROIMode mode : {CvROIMode::Circle, CvROIMode::Annulus}) {
        Use(mode);
        ed.SetROIParamDefault();
        Drag({500, 500}, {{560, 500}});
        EXPECT_NEAR(ed.OuterRadius(), 60.0, 1e-4);
        EXPECT_EQ(ed.CropRect(mode), cv::Rect(500, 500, 42, 42));
        EXPECT_EQ(ed.Motion(ctx, {500, 440}).cursor, EditCursor::Hand);
    }
}

TEST_F(Editor, RotatedRectangleEdgeKeepsAngleAndOppositeEdge) {
    Set(CvROIMode::RotatedRectangle, {{100, 100}, {200, 100}}, 30.0);
    const std::vector<P> c = ed.m_roiPoints;
    ASSERT_EQ(c.size(), 4u);
    // A quarter along the left edge (corners 0-1): away from its rotation handle at the middle.
    const P press = c[0] + (c[1] - c[0]) * 0.25f;
    P n = c[0] - c[3];
    n *= 1.0f / static_cast<float>(cv::norm(n));
    EXPECT_EQ(Drag(press, {press + n * 10.0f, press + n * 20.0f}), 1);

    EXPECT_DOUBLE_EQ(ed.m_rotateAngle, 30.0);
    ExpectNear(ed.m_roiPoints[0], c[0] + n * 20.0f);
    ExpectNear(ed.m_roiPoints[1], c[1] + n * 20.0f);
    ExpectNear(ed.m_roiPoints[2], c[2]);
    ExpectNear(ed.m_roiPoints[3], c[3]);
    EXPECT_NEAR(ed.m_roiRect.width, 220.0f, 1e-3f);
    EXPECT_NEAR(ed.m_roiRect.height, 100.0f, 1e-3f);

    // Set at -90 (the same turn as 270): its edges still drag. The left edge lies level now.
    Set(CvROIMode::RotatedRectangle, {{100, 100}, {200, 100}}, -90.0);
    const P left = (ed.m_roiPoints[0] + ed.m_roiPoints[1]) * 0.5f + P(25, 0);
    Drag(left, {left + P(0, 15)});
    EXPECT_NEAR(ed.m_roiRect.width, 215.0f, 1e-3f);
    EXPECT_NEAR(ed.m_roiRect.height, 100.0f, 1e-3f);
    EXPECT_DOUBLE_EQ(ed.m_rotateAngle, -90.0);

    // A rectangle set by the host keeps the angle, and the corners read back are the new ones.
    ed.StoreRect(ctx.mode, {300, 200, 40, 20});
    const std::vector<P> moved = ROIEditor::RotatedCorners({300, 200, 40, 20}, -90.0);
    ASSERT_EQ(ed.m_roiPoints.size(), 4u);
    for (size_t i = 0; i < 4; ++i) ExpectNear(ed.m_roiPoints[i], moved[i]);
}

TEST_F(Editor, RotationFollowsPointerAndShiftSnaps) {
    Set(CvROIMode::RotatedRectangle, {{100, 100}, {200, 100}});
    const P centre(200, 150);
    ASSERT_EQ(ed.Press(ctx, {200, 100}).cropEvents, 0);  // mid top edge: the rotation handle
    ASSERT_EQ(ed.m_currentHit.handle, HitHandle::Rotate);
    for (double deg = -85; deg <= -70; deg += 5) {
        (void)ed.Motion(ctx, OnCircle(centre, 50, deg));
    }
    EXPECT_NEAR(ed.m_rotateAngle, 20.0, 1.5);  // clockwise on screen is positive
    ctx.shift = true;
    (void)ed.Motion(ctx, OnCircle(centre, 50, -55));
    EXPECT_EQ(ed.m_rotateAngle, 45.0);
    (void)ed.Motion(ctx, OnCircle(centre, 50, -80));
    EXPECT_EQ(ed.m_rotateAngle, 0.0);
    (void)ed.Motion(ctx, OnCircle(centre, 50, -100));  // below zero wraps round
    EXPECT_EQ(ed.m_rotateAngle, 360.0);
    ctx.shift = false;
    (void)ed.Motion(ctx, OnCircle(centre, 50, -60));
    EXPECT_EQ(ed.Release(ctx).cropEvents, 1);
    EXPECT_NEAR(ed.m_rotateAngle, 30.0, 1.5);
    // The corners read back are those of the turned rectangle, not those of the press.
    P e1, e2, e3, e4;
    ASSERT_TRUE(ed.RotatedRectEdges(ctx.mode, e1, e2, e3, e4));
    const auto expected = ROIEditor::RotatedCorners(ed.m_roiRect, ed.m_rotateAngle);
    ExpectNear(e1, expected[1]);
    ExpectNear(e4, expected[0]);
    EXPECT_FALSE(ed.RotatedRectEdges(CvROIMode::Rectangle, e1, e2, e3, e4));
}

TEST_F(Editor, AnnulusEndAngleStopsAtFullTurnAndAtStart) {
    Set(CvROIMode::Annulus, {{300, 300}, {100, 0}, {50, 0}, {0, 90}});
    EXPECT_NEAR(ed.OuterRadius(), 100.0, 1e-4);
    EXPECT_DOUBLE_EQ(ed.InnerRadius(), 50.0);
    const P centre(300, 300);
    ASSERT_EQ(ed.Press(ctx, {300, 380}).cropEvents, 0);
    ASSERT_EQ(ed.m_currentHit.handle, HitHandle::EndAngle);
    for (double deg = 120; deg <= 450; deg += 30) {
        (void)ed.Motion(ctx, OnCircle(centre, 80, deg));
    }
    EXPECT_DOUBLE_EQ(ed.m_endAngle, 360.0);
    for (double deg = 420; deg >= -60; deg -= 30) {
        (void)ed.Motion(ctx, OnCircle(centre, 80, deg));
    }
    EXPECT_DOUBLE_EQ(ed.m_endAngle, 0.0);
    EXPECT_DOUBLE_EQ(ed.m_startAngle, 0.0);
    (void)ed.Release(ctx);

    // Inner arc: its radius follows the pointer.
    Set(CvROIMode::Annulus, {{300, 300}, {100, 0}, {50, 0}, {0, 90}});
    Drag({300, 350}, {{300, 370}});
    EXPECT_DOUBLE_EQ(ed.InnerRadius(), 70.0);
}

TEST_F(Editor, PolygonClosingRules) {
    Use(CvROIMode::Polygon);
    EXPECT_EQ(Click({100, 100}, 1000), 0);
    EXPECT_EQ(Click({200, 100}, 3000), 0);
    EXPECT_EQ(Click({202, 101}, 3500), 0);  // quick second press with two vertices: nothing
    EXPECT_EQ(ed.m_roiPoints.size(), 2u);
    EXPECT_EQ(ed.DoubleClick(ctx, {202, 101}).cropEvents, 0);  // nor a double click
    EXPECT_TRUE(ed.m_polygonDrawing);
    EXPECT_EQ(Click({150, 200}, 6000), 0);
    EXPECT_EQ(Click({152, 201}, 7400), 2);  // closes: press and release both report
    EXPECT_FALSE(ed.m_polygonDrawing);
    ASSERT_EQ(ed.m_roiPoints.size(), 3u);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::boundingRect(ed.m_roiPoints));
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(100, 100, 101, 101));

    // Closed: moved by its centre, reshaped by a vertex.
    EXPECT_EQ(Drag({150, 150}, {{160, 170}}), 1);
    ExpectNear(ed.m_roiPoints[2], {160, 220});
    Drag({160, 221}, {{170, 230}});
    ExpectNear(ed.m_roiPoints[2], {170, 230});
    ExpectNear(ed.m_roiPoints[0], {110, 120});

    // Elsewhere a new one starts; a press on its first vertex closes it.
    EXPECT_EQ(Click({500, 500}, 20000), 0);
    EXPECT_EQ(ed.m_roiPoints.size(), 1u);
    EXPECT_EQ(Click({600, 500}, 30000), 0);
    EXPECT_EQ(ed.Motion(ctx, {580, 590}).repaint, true);  // the rubber band follows
    ExpectNear(ed.m_polygonHoverPoint, {580, 590});
    EXPECT_EQ(Click({550, 600}, 40000), 0);
    EXPECT_EQ(Click({503, 499}, 50000), 2);
    EXPECT_EQ(ed.m_roiPoints.size(), 3u);

    // A double click closes one of three vertices.
    Click({800, 800}, 60000);
    Click({900, 800}, 70000);
    Click({850, 900}, 80000);
    EXPECT_EQ(ed.DoubleClick(ctx, {0, 0}).cropEvents, 1);
    EXPECT_FALSE(ed.m_polygonDrawing);
}

TEST_F(Editor, DragStepsSayWhenAReportedShapeChanged) {
    Use(CvROIMode::Rectangle);
    EXPECT_FALSE(ed.Motion(ctx, {50, 50}).shapeChanged);  // hovering
    (void)ed.Press(ctx, {10, 10});
    EXPECT_TRUE(ed.Motion(ctx, {40, 30}).shapeChanged);
    ed.m_lockROI = true;  // a lock taken during the drag freezes the shape
    EXPECT_FALSE(ed.Motion(ctx, {60, 30}).shapeChanged);
    ed.m_lockROI = false;
    (void)ed.Release(ctx);

    // An open polygon is not reported, so its dragged vertex is no reported change either.
    Use(CvROIMode::Polygon);
    (void)ed.Press(ctx, {100, 100});
    EXPECT_FALSE(ed.Motion(ctx, {110, 100}).shapeChanged);
    (void)ed.Release(ctx);
    Set(CvROIMode::Polygon, {{100, 100}, {200, 100}, {150, 200}});
    (void)ed.Press(ctx, {150, 150});  // its centre
    EXPECT_TRUE(ed.Motion(ctx, {160, 160}).shapeChanged);
}

TEST_F(Editor, StoreROIByModeAndWrongCounts) {
    Set(CvROIMode::Line, {{50, 80}, {10, 20}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(10, 20, 40, 60));
    Set(CvROIMode::Rectangle, {{10, 20}, {30, 40}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(10, 20, 30, 40));
    ExpectNear(ed.m_leftMouseUpPoint, {40, 60});

    const ROIEditor before = ed;
    Set(CvROIMode::Mask, {{1, 2}});  // not an editing shape: nothing changes
    EXPECT_EQ(ed.m_roiRect, before.m_roiRect);

    Set(CvROIMode::Rectangle, {{10, 20}, {30, 40}, {1, 1}});
    EXPECT_EQ(ed.m_roiRect, cv::Rect_<float>(0, 0, 0, 0));
    Set(CvROIMode::Polygon, {{10, 20}, {30, 40}, {50, 10}});
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(10, 10, 41, 31));
    Set(CvROIMode::Polygon, {{10, 20}, {30, 40}});
    EXPECT_TRUE(ed.m_roiPoints.empty());
    Set(CvROIMode::Circle, {{10, 20}, {std::numeric_limits<float>::quiet_NaN(), 5}});
    EXPECT_EQ(ed.m_roiRect, cv::Rect_<float>(0, 0, 0, 0));
    Set(CvROIMode::RotatedRectangle, {{10, 20}, {30, 40}}, 15.0);
    EXPECT_EQ(ed.m_roiPoints.size(), 4u);
    Set(CvROIMode::RotatedRectangle, {{10, 20}, {30, 40}}, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(ed.m_roiPoints.empty());
    // A huge angle still gives finite corners.
    Set(CvROIMode::RotatedRectangle, {{10, 20}, {30, 40}}, 1e300);
    for (const P& c : ed.m_roiPoints) {
        EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    }
}

TEST_F(Editor, LockMoveCropFlagsAndNonFiniteEvents) {
    Use(CvROIMode::Rectangle);
    const cv::Rect_<float> rect(100, 100, 200, 100);
    ed.StoreRect(ctx.mode, rect);
    ed.m_lockROI = true;
    EXPECT_FALSE(ed.Press(ctx, {150, 150}).handled);
    EXPECT_FALSE(ed.Press(ctx, {600, 600}).handled);
    EXPECT_EQ(ed.Motion(ctx, {150, 150}).cursor, EditCursor::Cross);
    EXPECT_EQ(ed.m_roiRect, rect);
    ed.m_lockROI = false;
    EXPECT_EQ(ed.Motion(ctx, {150, 150}).cursor, EditCursor::Hand);

    ed.StoreFuncEnable(true, true, false);  // no moving, reshaping still works
    EXPECT_EQ(Drag({150, 150}, {{400, 400}}), 1);
    EXPECT_EQ(ed.m_roiRect, rect);
    Drag({300, 150}, {{350, 150}});
    EXPECT_FLOAT_EQ(ed.m_roiRect.width, 250);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(ed.Press(ctx, {nan, 10}).handled);
    ASSERT_TRUE(ed.Press(ctx, {350, 150}).handled);
    ASSERT_EQ(ed.m_currentHit.handle, HitHandle::Right);
    ed.UpdateROIFromDrag(ctx, {inf, 150});
    ed.UpdateROIFromDrag(ctx, {nan, 150});
    EXPECT_FLOAT_EQ(ed.m_roiRect.width, 250);
    EXPECT_EQ(ed.DoubleClick(ctx, {nan, nan}).cropEvents, 0);
    (void)ed.Release(ctx);

    // Editing off: presses pass through, hovering leaves the cursor alone, the shape is gone.
    ed.StoreFuncEnable(true, false, true);
    EXPECT_FALSE(ed.Press(ctx, {150, 150}).handled);
    EXPECT_EQ(ed.Motion(ctx, {150, 150}).cursor, EditCursor::Unchanged);
    EXPECT_FALSE(ed.Release(ctx).handled);
    EXPECT_EQ(ed.CropRect(ctx.mode), cv::Rect(0, 0, 0, 0));
}

namespace {

// Empty when every number the editor holds is finite and the crop rectangle is not negative.
std::string Violation(const ROIEditor& e, CvROIMode mode) {
    std::ostringstream bad;
    const auto f = [&](double v, const char* name) {
        if (!std::isfinite(v)) {
            bad << name << "=" << v << " ";
        }
    };
    const auto pt = [&](const P& p, const char* name) {
        f(p.x, name);
        f(p.y, name);
    };
    const auto& r = e.m_roiRect;
    f(r.x, "rect");
    f(r.y, "rect");
    f(r.width, "rect");
    f(r.height, "rect");
    const auto& s = e.m_dragStartRect;
    f(s.x + s.y + s.width + s.height, "dragStartRect");
    pt(e.m_leftMouseDownPoint, "down");
    pt(e.m_leftMouseUpPoint, "up");
    pt(e.m_polygonHoverPoint, "hover");
    pt(e.m_dragStartPoint, "dragStart");
    pt(e.m_lastClickPoint, "lastClick");
    f(e.m_innerRadius, "inner");
    f(e.m_startAngle, "start");
    f(e.m_endAngle, "end");
    f(e.m_rotateAngle, "rotate");
    f(e.m_rotateAccum, "accum");
    f(e.m_edgeSlope, "slope");
    f(e.m_currentHit.distance, "hitDistance");
    for (const P& p : e.m_roiPoints) {
        pt(p, "points");
    }
    for (const P& p : e.m_dragStartPoints) {
        pt(p, "dragStartPoints");
    }
    const cv::Rect crop = e.CropRect(mode);
    if (crop.width < 0 || crop.height < 0) {
        bad << "crop " << crop << " ";
    }
    return bad.str();
}

}  // namespace

TEST(EditorStorm, RandomEventsKeepEveryModeFinite) {
    std::mt19937 rng(20240611);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1, 11, 1000};
    const int sizes[] = {1, 2, 7, 640, 4000, 20000};
    for (const int mode : modes) {
        ROIEditor e;
        EditContext ctx;
        ctx.mode = static_cast<CvROIMode>(mode);
        e.StoreFuncEnable(true, true, true);
        P last(0, 0);
        for (int i = 0; i < 20000; ++i) {
            if (i % 400 == 0) {  // a new view now and then
                ctx.scale = std::exp(uniform(std::log(0.1), std::log(20.0)));
                ctx.imageSize = {sizes[pick(6)], sizes[pick(6)]};
            }
            const float w = static_cast<float>(ctx.imageSize.width);
            const float h = static_cast<float>(ctx.imageSize.height);
            P p;
            switch (pick(6)) {
                case 0:  // border
                    p = {pick(2) ? 0.f : std::nextafter(w, 0.f), static_cast<float>(uniform(0, h))};
                    break;
                case 1:  // far outside or on the far edge
                    p = {static_cast<float>(uniform(-1e6, 1e6)), pick(2) ? h : -1.f};
                    break;
                case 2:  // near the last point, for quick presses and small drags
                    p = last + P(static_cast<float>(uniform(-6, 6)),
                                 static_cast<float>(uniform(-6, 6)));
                    break;
                default:
                    p = {static_cast<float>(uniform(0, w)), static_cast<float>(uniform(0, h))};
            }
            last = p;
            ctx.shift = pick(2) == 1;
            const int jump = pick(50);  // clocks jump, also backwards
            ctx.nowMs = jump == 0   ? (pick(2) ? 1 : -1) * (std::int64_t{1} << 62)
                        : jump == 1 ? ctx.nowMs - 5000
                                    : ctx.nowMs + pick(2000);
            EditOutcome out;
            switch (pick(10)) {
                case 0:
                case 1:
                    out = e.Press(ctx, p);
                    break;
                case 2:
                    out = e.Release(ctx);
                    break;
                case 3:
                    out = e.DoubleClick(ctx, p);
                    break;
                case 4:
                    if (pick(20) == 0) {
                        e.StoreFuncEnable(true, pick(4) != 0, pick(2) == 1);
                        e.m_lockROI = pick(5) == 0;
                    }
                    [[fallthrough]];
                default:
                    out = e.Motion(ctx, p);
            }
            ASSERT_GE(out.cropEvents, 0);
            ASSERT_LE(out.cropEvents, 1);
            const std::string bad = Violation(e, ctx.mode);
            ASSERT_TRUE(bad.empty()) << "mode " << mode << " event " << i << ": " << bad;
        }
    }
}

TEST_F(Editor, CornerDragsMoveBothEdgesThatMeetThereAndKeepTheAngle) {
    // Rectangle: the bottom-right corner goes to the pointer, the top-left corner stays.
    Set(CvROIMode::Rectangle, {{100, 100}, {200, 100}});
    EXPECT_EQ(Drag({301, 199}, {{350, 260}}), 1);
    EXPECT_EQ(ed.CropRect(CvROIMode::Rectangle), cv::Rect(100, 100, 250, 160));
    // The top-left corner: both the left and the top edge follow, the others stay.
    EXPECT_EQ(Drag({101, 101}, {{120, 140}}), 1);
    EXPECT_EQ(ed.CropRect(CvROIMode::Rectangle), cv::Rect(120, 140, 230, 120));

    // Rotated rectangle at 30 degrees: a corner follows the pointer, the opposite corner stays
    // where it was, and the angle stays.
    Set(CvROIMode::RotatedRectangle, {{400, 400}, {200, 100}}, 30.0);
    const std::vector<P> before = ROIEditor::RotatedCorners(ed.m_roiRect, 30.0);
    const double rad = 30.0 * CV_PI / 180.0;
    const P u(static_cast<float>(std::cos(rad)), static_cast<float>(std::sin(rad)));
    const P v(-u.y, u.x);
    // Grab corner 2 and pull it outwards, 40 px along the width and 20 px along the height.
    const P diagonal = before[2] - before[0];
    const float su = diagonal.dot(u) > 0 ? 1.f : -1.f, sv = diagonal.dot(v) > 0 ? 1.f : -1.f;
    const P target = before[2] + u * (40.f * su) + v * (20.f * sv);
    EXPECT_EQ(Drag(before[2], {target}), 1);
    EXPECT_DOUBLE_EQ(ed.m_rotateAngle, 30.0);
    const std::vector<P> after = ROIEditor::RotatedCorners(ed.m_roiRect, ed.m_rotateAngle);
    ExpectNear(after[0], before[0], 0.05f);  // the opposite corner stays
    ExpectNear(after[2], target, 0.05f);
    EXPECT_NEAR(ed.m_roiRect.width, 240.f, 0.05f);
    EXPECT_NEAR(ed.m_roiRect.height, 120.f, 0.05f);
}
