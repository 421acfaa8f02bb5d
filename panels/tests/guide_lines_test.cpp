// Exact geometry of the guide-line figures, computed without a window.
#include <gtest/gtest.h>

#include <vector>

#include "panels/guide_lines.h"

namespace {

using Kind = GuidePrimitive::Kind;

GuidePrimitive Line(int x1, int y1, int x2, int y2) { return {Kind::Line, x1, y1, x2, y2}; }
GuidePrimitive Box(Kind k, int x, int y, int w, int h) { return {k, x, y, w, h}; }

std::vector<GuidePrimitive> Figure(GuideLineMode mode, int w, int h,
                                   AspectRatio ratio = AspectRatio::AR_16_9) {
    return ComputeGuideLineFigure(static_cast<int>(mode), static_cast<int>(ratio), w, h);
}

std::vector<GuidePrimitive> Only(const std::vector<GuidePrimitive>& all, Kind kind) {
    std::vector<GuidePrimitive> out;
    for (const auto& p : all) {
        if (p.kind == kind) out.push_back(p);
    }
    return out;
}

TEST(DashedLine, DashesStartAtFirstPointAndAreCutAtTheEnd) {
    std::vector<GuidePrimitive> out;
    AppendDashedLine(out, 0, 5, 100, 5);
    const std::vector<GuidePrimitive> expected = {Line(0, 5, 20, 5), Line(40, 5, 60, 5),
                                                  Line(80, 5, 100, 5)};
    EXPECT_EQ(out, expected);

    out.clear();
    AppendDashedLine(out, 10, 50, 10, 0);  // upward: dashes follow the direction
    const std::vector<GuidePrimitive> up = {Line(10, 50, 10, 30), Line(10, 10, 10, 0)};
    EXPECT_EQ(out, up);

    out.clear();
    AppendDashedLine(out, 3, 3, 3.5f, 3.5f);  // shorter than one pixel: nothing
    EXPECT_TRUE(out.empty());
}

TEST(DashedLine, DiagonalEndpointsRoundHalfToEven) {
    std::vector<GuidePrimitive> out;
    AppendDashedLine(out, 0, 0, 30, 40);  // length 50, unit (0.6, 0.8)
    const std::vector<GuidePrimitive> expected = {Line(0, 0, 12, 16), Line(24, 32, 30, 40)};
    EXPECT_EQ(out, expected);
}

TEST(GuideFigures, CenterCrossIsBuiltOutwardFromTheCentre) {
    const std::vector<GuidePrimitive> expected = {
        Line(50, 30, 70, 30), Line(90, 30, 100, 30),  // rightward
        Line(30, 30, 50, 30), Line(0, 30, 10, 30),    // leftward
        Line(50, 30, 50, 50),                         // downward
        Line(50, 10, 50, 30),                         // upward
    };
    EXPECT_EQ(Figure(GuideLineMode::CenterCross, 100, 60), expected);
}

TEST(GuideFigures, RuleOfThirdsAndGoldenRatioCircles) {
    const auto thirds = Only(Figure(GuideLineMode::RuleOfThirds, 300, 300), Kind::Ellipse);
    const std::vector<GuidePrimitive> expected = {
        Box(Kind::Ellipse, 95, 95, 10, 10), Box(Kind::Ellipse, 95, 195, 10, 10),
        Box(Kind::Ellipse, 195, 95, 10, 10), Box(Kind::Ellipse, 195, 195, 10, 10)};
    EXPECT_EQ(thirds, expected);

    // 1000 x 500: x at 382 and 618, y at 191 and 309.
    const auto golden = Figure(GuideLineMode::GoldenRatio, 1000, 500);
    const auto circles = Only(golden, Kind::Ellipse);
    ASSERT_EQ(circles.size(), 4u);
    EXPECT_EQ(circles[0], Box(Kind::Ellipse, 377, 186, 10, 10));
    EXPECT_EQ(circles[3], Box(Kind::Ellipse, 613, 304, 10, 10));
    // First figure line: horizontal dashes at y1, starting at the left edge.
    EXPECT_EQ(golden.front(), Line(0, 191, 20, 191));
}

TEST(GuideFigures, SafeZonesAreTwoDashedRectanglesFromTheirCorners) {
    const auto lines = Figure(GuideLineMode::SafeZones, 200, 100);
    // 90 % zone: x 10, y 5, 180 x 90; 80 % zone: x 20, y 10, 160 x 80.
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), Line(10, 5, 30, 5));
    bool bottom90 = false, right80 = false;
    for (const auto& p : lines) {
        bottom90 |= p == Line(10, 95, 30, 95);
        right80 |= p == Line(180, 10, 180, 30);
    }
    EXPECT_TRUE(bottom90);
    EXPECT_TRUE(right80);
    EXPECT_EQ(lines.back(), Line(180, 50, 180, 70));
}

TEST(GuideFigures, AspectRatioOutline) {
    EXPECT_EQ(Figure(GuideLineMode::AspectRatioMask, 1000, 1000),
              std::vector<GuidePrimitive>{Box(Kind::Rectangle, 0, 219, 1000, 562)});
    EXPECT_EQ(Figure(GuideLineMode::AspectRatioMask, 1600, 900, AspectRatio::AR_1_1),
              std::vector<GuidePrimitive>{Box(Kind::Rectangle, 350, 0, 900, 900)});
    EXPECT_EQ(Figure(GuideLineMode::AspectRatioMask, 1000, 1000, AspectRatio::AR_9_16),
              std::vector<GuidePrimitive>{Box(Kind::Rectangle, 219, 0, 562, 1000)});
    // An unknown stored ratio is drawn as 16:9.
    EXPECT_EQ(ComputeGuideLineFigure(5, 42, 1000, 1000),
              std::vector<GuidePrimitive>{Box(Kind::Rectangle, 0, 219, 1000, 562)});
    EXPECT_DOUBLE_EQ(AspectRatioValue(static_cast<int>(AspectRatio::AR_2_39_1)), 2.39);
}

TEST(GuideFigures, DiagonalsRunCornerToCorner) {
    const auto lines = Figure(GuideLineMode::DiagonalLines, 300, 400);  // length 500
    ASSERT_EQ(lines.size(), 26u);                                       // 13 dashes each
    EXPECT_EQ(lines.front(), Line(0, 0, 12, 16));
    EXPECT_EQ(lines[12], Line(288, 384, 300, 400));
    EXPECT_EQ(lines[13], Line(300, 0, 288, 16));
    EXPECT_EQ(lines.back(), Line(12, 384, 0, 400));
}

TEST(GuideFigures, CornerMarkerLength) {
    const auto small = Figure(GuideLineMode::CornerMarkers, 300, 200);
    const std::vector<GuidePrimitive> expected = {
        Line(0, 0, 20, 0),        Line(0, 0, 0, 20),       Line(300, 0, 280, 0),
        Line(300, 0, 300, 20),    Line(0, 200, 20, 200),   Line(0, 200, 0, 180),
        Line(300, 200, 280, 200), Line(300, 200, 300, 180)};
    EXPECT_EQ(small, expected);
    EXPECT_EQ(Figure(GuideLineMode::CornerMarkers, 2000, 1800).front(), Line(0, 0, 80, 0));
    EXPECT_EQ(Figure(GuideLineMode::CornerMarkers, 1000, 1599).front(), Line(0, 0, 50, 0));
}

TEST(GuideFigures, NothingForOffUnknownModesOrEmptyTargets) {
    EXPECT_TRUE(Figure(GuideLineMode::Off, 100, 100).empty());
    EXPECT_TRUE(ComputeGuideLineFigure(8, 3, 100, 100).empty());
    EXPECT_TRUE(Figure(GuideLineMode::CenterCross, 0, 100).empty());
    EXPECT_TRUE(Figure(GuideLineMode::CornerMarkers, 100, 0).empty());
    // A 1 x 1 target still gets its solid centre dashes.
    EXPECT_EQ(Figure(GuideLineMode::CenterCross, 1, 1).size(), 4u);
}

}  // namespace
