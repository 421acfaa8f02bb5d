// The ROI panel's buffer layers, drawn into real visible buffers cut by the viewport and
// checked pixel by pixel against the image positions they stand for.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "panels/roi_layers.h"
#include "roi/named_colors.h"
#include "roi/roi_renderer.h"
#include "roi/tests/draw_test_util.h"

namespace {

using Px = cv::Vec3b;
const Px kLime(0, 255, 0);
const std::string kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

Viewport View(cv::Size image, double zoom, cv::Size window, cv::Point scroll = {0, 0},
              bool centre = false) {
    Viewport vp;
    vp.SetOriginalSize(image);
    vp.SetScale(zoom);
    vp.SetWindowSize(window);
    vp.SetScrollPosition(scroll);
    vp.SetCenteringEnabled(centre);
    return vp;
}

// The visible buffer of a uniform image of `grey`, as a paint cuts it.
cv::Mat Buffer(const Viewport& vp, int grey = 0) {
    return vp.ExtractVisibleRegion(cv::Mat(vp.originalSize, CV_8UC3, cv::Scalar::all(grey)));
}

Px At(const cv::Mat& m, int x, int y) { return m.at<Px>(y, x); }

// Some pixel within `r` of (x, y) has colour `c` (for anti-aliased and arc rasterisation).
bool Near(const cv::Mat& m, int x, int y, const Px& c, int r = 1) {
    for (int yy = std::max(0, y - r); yy <= std::min(m.rows - 1, y + r); ++yy) {
        for (int xx = std::max(0, x - r); xx <= std::min(m.cols - 1, x + r); ++xx) {
            if (At(m, xx, yy) == c) return true;
        }
    }
    return false;
}

int Count(const cv::Mat& m, const Px& c) {
    cv::Mat hit;
    cv::inRange(m, cv::Scalar(c[0], c[1], c[2]), cv::Scalar(c[0], c[1], c[2]), hit);
    return cv::countNonZero(hit);
}

std::string GarbageFont() {
    const std::string path = ::testing::TempDir() + "not_a_font.ttf";
    std::ofstream(path) << "GIF89a this is no font file at all, FreeType must refuse it";
    return path;
}

}  // namespace

TEST(Guides, AspectRatioMaskDarkensOutsideTheCentredSquare) {
    const Viewport vp = View({400, 200}, 1.0, {400, 200});
    cv::Mat buf = Buffer(vp, 200);
    const GuideLineStyle style{{0, 255, 0, 255}, 1};
    roi_layers::DrawGuides(buf, vp, static_cast<int>(GuideLineMode::AspectRatioMask), true, style,
                           static_cast<int>(AspectRatio::AR_1_1));
    EXPECT_EQ(At(buf, 50, 100), Px(100, 100, 100));
    EXPECT_EQ(At(buf, 350, 100), Px(100, 100, 100));
    EXPECT_EQ(At(buf, 100, 100), kLime);  // outline on the square's left column
    cv::Mat inside = buf(cv::Rect(101, 1, 198, 198));
    EXPECT_EQ(Count(inside, Px(200, 200, 200)), static_cast<int>(inside.total()));

    // Zoomed into the left band: the square is out of view, so all of the buffer is band and
    // no outline is drawn along the buffer's edges.
    const Viewport zoomed = View({400, 200}, 4.0, {100, 100});
    cv::Mat band = Buffer(zoomed, 200);
    roi_layers::DrawGuides(band, zoomed, static_cast<int>(GuideLineMode::AspectRatioMask), true,
                           style, static_cast<int>(AspectRatio::AR_1_1));
    EXPECT_EQ(Count(band, Px(100, 100, 100)), static_cast<int>(band.total()));

    // Hidden, Off, or no image: nothing.
    cv::Mat same = Buffer(vp, 200);
    roi_layers::DrawGuides(same, vp, static_cast<int>(GuideLineMode::DiagonalLines), false,
                           style, 0);
    roi_layers::DrawGuides(same, vp, static_cast<int>(GuideLineMode::Off), true, style, 0);
    roi_layers::DrawGuides(same, View({0, 0}, 1.0, {400, 200}),
                           static_cast<int>(GuideLineMode::DiagonalLines), true, style, 0);
    EXPECT_EQ(Count(same, Px(200, 200, 200)), static_cast<int>(same.total()));
}

TEST(Guides, FiguresFollowTheZoomWithDashesInBufferPixels) {
    // Centre cross of a 100 x 60 image at zoom 2, centred in a 300 x 200 window: the centre
    // maps to buffer (100, 60) and the dashes are 20 buffer pixels on, 20 off.
    const Viewport vp = View({100, 60}, 2.0, {300, 200}, {0, 0}, true);
    const GuideLineStyle style{{0, 255, 0, 255}, 1};
    cv::Mat cross = Buffer(vp);
    ASSERT_EQ(cross.size(), cv::Size(200, 120));
    roi_layers::DrawGuides(cross, vp, static_cast<int>(GuideLineMode::CenterCross), true, style,
                           0);
    for (int x : {10, 50, 85, 110, 150, 199}) EXPECT_EQ(At(cross, x, 60), kLime) << x;
    for (int x : {30, 70, 130, 170}) EXPECT_EQ(At(cross, x, 60), Px(0, 0, 0)) << x;
    for (int y : {10, 45, 75, 119}) EXPECT_EQ(At(cross, 100, y), kLime) << y;
    for (int y : {30, 90}) EXPECT_EQ(At(cross, 100, y), Px(0, 0, 0)) << y;

    // Thirds of a 300 x 300 image at zoom 2, scrolled by 100 pixels down: the line at image
    // x = 100 is buffer column 200, dashed 10 on / 10 off from the buffer's top; the circle
    // at the crossing (100, 100) has radius 5 around buffer (200, 100). The pen is the
    // style's own width at any zoom.
    const Viewport thirds = View({300, 300}, 2.0, {400, 400}, {0, 100});
    cv::Mat grid = Buffer(thirds);
    roi_layers::DrawGuides(grid, thirds, static_cast<int>(GuideLineMode::RuleOfThirds), true,
                           style, 0);
    EXPECT_EQ(At(grid, 200, 5), kLime);
    EXPECT_EQ(At(grid, 200, 15), Px(0, 0, 0));
    EXPECT_EQ(At(grid, 200, 25), kLime);
    EXPECT_EQ(At(grid, 199, 5), Px(0, 0, 0));
    EXPECT_EQ(At(grid, 201, 5), Px(0, 0, 0));
    EXPECT_EQ(At(grid, 205, 100), kLime);
    EXPECT_EQ(At(grid, 203, 97), Px(0, 0, 0));  // inside the ring, off both lines
}

TEST(EditingROI, ShapesAndHandlesLandOnTheirBufferPixels) {
    const Viewport vp = View({200, 200}, 1.0, {200, 200});
    ROIEditor ed;
    ed.m_cropEnable = true;
    const auto draw = [&](CvROIMode mode) {
        cv::Mat buf = Buffer(vp);
        roi_layers::DrawEditingROI(buf, vp, mode, ed);
        return buf;
    };

    ed.m_roiRect = {20, 20, 40, 20};
    const cv::Mat rect = draw(CvROIMode::Rectangle);
    EXPECT_EQ(At(rect, 20, 30), kLime);
    EXPECT_EQ(At(rect, 59, 30), kLime);
    EXPECT_EQ(At(rect, 40, 39), kLime);
    EXPECT_EQ(At(rect, 40, 30), kLime);  // centre mark
    EXPECT_EQ(At(rect, 30, 25), Px(0, 0, 0));
    EXPECT_EQ(At(rect, 60, 30), Px(0, 0, 0));

    // Angle 0: corners 0-3 are bottom-left, top-left, top-right, bottom-right.
    const cv::Mat rotated = draw(CvROIMode::RotatedRectangle);
    EXPECT_EQ(At(rotated, 40, 20), Px(0, 0, 255));  // red handle on edge 1-2
    EXPECT_EQ(At(rotated, 20, 30), Px(255, 0, 0));  // blue handle on edge 0-1
    EXPECT_EQ(At(rotated, 46, 20), Px(0, 0, 0));    // black ring around the red one
    EXPECT_EQ(At(rotated, 30, 40), kLime);

    // Circle: centre at the rectangle's corner, radius the length of (30, 40) = 50.
    ed.m_roiRect = {100, 100, 30, 40};
    ed.m_leftMouseUpPoint = {150, 100};
    EXPECT_TRUE(Near(draw(CvROIMode::Circle), 100, 150, kLime));
    EXPECT_EQ(At(draw(CvROIMode::Circle), 150, 100), kLime);
    ed.m_currentHit.handle = HitHandle::Radius;
    EXPECT_EQ(At(draw(CvROIMode::Circle), 150, 100), Px(0, 0, 255));

    // Annulus sector 0..90 degrees, radii 50 and 25: radial lines and arcs inside it only,
    // the start angle's handle (red) and the end angle's (blue) half-way along the radial
    // lines, where the hit test finds them.
    ed.m_startAngle = 0;
    ed.m_endAngle = 90;
    const cv::Mat ring = draw(CvROIMode::Annulus);
    EXPECT_EQ(At(ring, 145, 100), kLime);
    EXPECT_EQ(At(ring, 100, 145), kLime);
    EXPECT_EQ(At(ring, 137, 100), Px(0, 0, 255));
    EXPECT_EQ(At(ring, 100, 137), Px(255, 0, 0));
    EXPECT_EQ(ROIHitTest::TestAnnulus({137, 100}, {100, 100}, 25, 50, 0, 90, 10).handle,
              HitHandle::StartAngle);
    EXPECT_EQ(ROIHitTest::TestAnnulus({100, 137}, {100, 100}, 25, 50, 0, 90, 10).handle,
              HitHandle::EndAngle);
    EXPECT_TRUE(Near(ring, 135, 135, kLime));
    EXPECT_TRUE(Near(ring, 118, 118, kLime));
    EXPECT_EQ(Count(ring(cv::Rect(0, 0, 200, 95)), kLime), 0);  // nothing above the centre

    // An arrow from the press to the release point.
    ed.m_leftMouseDownPoint = {10, 150};
    ed.m_leftMouseUpPoint = {110, 150};
    const cv::Mat line = draw(CvROIMode::Line);
    EXPECT_EQ(At(line, 80, 150), kLime);
    EXPECT_TRUE(Near(line, 96, 145, kLime));
    EXPECT_TRUE(Near(line, 96, 155, kLime));

    ed.m_cropEnable = false;
    EXPECT_EQ(Lit(draw(CvROIMode::Line)), 0);
}

TEST(EditingROI, PolygonRubberBandWhileDrawingAndHandlesWhenClosed) {
    const Viewport vp = View({200, 200}, 2.0, {200, 200}, {20, 20});  // image (10, 10) at 0
    ROIEditor ed;
    ed.m_cropEnable = true;
    ed.m_roiPoints = {{20, 20}, {60, 20}, {60, 40}, {20, 40}};  // buffer 20..100 x 20..60
    ed.m_polygonHoverPoint = {40, 70};
    const auto draw = [&] {
        cv::Mat buf = Buffer(vp);
        roi_layers::DrawEditingROI(buf, vp, CvROIMode::Polygon, ed);
        return buf;
    };
    const cv::Mat open = draw();
    EXPECT_EQ(At(open, 20, 40), Px(0, 0, 0));  // not closed yet
    EXPECT_TRUE(Near(open, 40, 90, kLime));    // band from (20, 60) to buffer (60, 120)

    ed.m_polygonDrawing = false;
    ed.m_currentHit.handle = HitHandle::Body;
    ed.m_activeVertex = 0;
    const cv::Mat closed = draw();
    EXPECT_EQ(At(closed, 20, 40), kLime);
    EXPECT_FALSE(Near(closed, 40, 90, kLime));
    EXPECT_EQ(At(closed, 60, 40), Px(0, 0, 255));  // move handle at the box centre
    EXPECT_EQ(At(closed, 15, 20), kLime);          // ring around the active vertex
    EXPECT_EQ(At(closed, 27, 29), Px(0, 0, 0));
}

TEST(Overlays, EveryGroupLandsWhereTheRendererDrawsTheZoomedImage) {
    // Several rectangles and annuli in one record each, at zoom 2 scrolled by (40, 20): the
    // buffer must equal the renderer's drawing of the whole zoomed image, cut.
    const Viewport vp = View({200, 150}, 2.0, {300, 200}, {40, 20});
    const cv::Scalar red(0, 0, 255);
    cvROI rects =
        VisibleRoi(CvROIMode::Rectangle, {{40, 30}, {30, 20}, {100, 60}, {25, 15}}, 2, red);
    cvROI rings = VisibleRoi(CvROIMode::Annulus, {{60, 70}, {20, 0}, {8, 0}, {0, 180},
                                                  {130, 60}, {0, 15}, {0, 0}, {90, 300}}, 1, red);
    cvROI lit = VisibleRoi(CvROIMode::Line, {{30, 100}, {170, 100}}, 2, red);
    lit.highlightIndex = 0;
    const std::vector<cvROI> stored = {rects, rings};
    std::vector<cvROI*> external = {nullptr, &lit};
    cv::Mat buf = Buffer(vp);
    roi_layers::DrawOverlays(buf, vp, stored, &external, cv::Scalar(0, 255, 255));

    cv::Mat whole = Blank(400, 300);
    lit.color = cv::Scalar(0, 255, 255);
    ROIRenderer::RenderAll(whole, std::vector<cvROI*>{&rects, &rings, &lit}, 2.0, 2.0);
    const cv::Mat expected = whole(cv::Rect(40, 20, buf.cols, buf.rows));
    EXPECT_TRUE(Equal(buf, expected)) << Lit(buf) << " vs " << Lit(expected);
    EXPECT_EQ(At(buf, 100, 180), Px(0, 255, 255));  // the highlighted line

    // Ellipse triples: centres (90, 80) and (150, 90) land at buffer (140, 140) and
    // (260, 160), their semi-axes doubled.
    cvROI arcs = VisibleRoi(CvROIMode::Ellipse, {{90, 80}, {20, 10}, {0, 90},
                                                 {150, 90}, {10, 20}, {180, 0}}, 1, red);
    cv::Mat ell = Buffer(vp);
    roi_layers::DrawOverlays(ell, vp, {arcs}, nullptr, {});
    for (const cv::Point& p : {cv::Point(180, 140), cv::Point(140, 160), cv::Point(260, 200)}) {
        EXPECT_TRUE(Near(ell, p.x, p.y, Px(0, 0, 255))) << p;
    }
    EXPECT_FALSE(Near(ell, 100, 140, Px(0, 0, 255), 3));  // outside both arcs
}

TEST(Overlays, LineThicknessGrowsWithZoomButNeverShrinks) {
    for (const double zoom : {0.5, 3.0}) {
        const Viewport vp = View({400, 400}, zoom, {300, 300});
        cvROI line = VisibleRoi(CvROIMode::Line, {{10, 40}, {90, 40}}, 2, {255, 255, 255});
        cv::Mat buf = Buffer(vp);
        roi_layers::DrawOverlays(buf, vp, {line}, nullptr, {});
        cv::Mat expected = Buffer(vp);
        cv::line(expected, cv::Point(static_cast<int>(10 * zoom), static_cast<int>(40 * zoom)),
                 cv::Point(static_cast<int>(90 * zoom), static_cast<int>(40 * zoom)),
                 cv::Scalar::all(255), zoom < 1 ? 2 : 6);
        EXPECT_TRUE(Equal(buf, expected)) << zoom;
    }
}

TEST(Overlays, CulledExactlyWhenTheBoxLeavesTheVisibleRectangle) {
    // Window 200 wide: image columns 0..201 are visible. A thick marker reaches 7 pixels
    // from its point, its culling box 5.
    const Viewport vp = View({1000, 1000}, 1.0, {200, 200});
    const auto draw = [&](float x, bool cull) {
        cvROI p = VisibleRoi(CvROIMode::Point, {{x, 100}}, 10, {255, 255, 255});
        cv::Mat buf = Buffer(vp);
        if (cull) {
            roi_layers::DrawOverlays(buf, vp, {p}, nullptr, {});
        } else {
            roi_layers::DrawOverlay(buf, vp, p, vp.OriginalToView(p.points), {});
        }
        return Lit(buf);
    };
    EXPECT_GT(draw(206, true), 0);
    EXPECT_GT(draw(207, false), 0);  // would reach into view
    EXPECT_EQ(draw(207, true), 0);   // but its box [202, 212) misses [0, 202)

    // A record whose first rectangle is out of view is still drawn for its second one, and a
    // circle centred left of the image still shows the part that reaches in.
    cvROI two = VisibleRoi(CvROIMode::Rectangle, {{500, 500}, {10, 10}, {50, 50}, {20, 20}}, 1,
                           {255, 255, 255});
    cvROI leftCircle = VisibleRoi(CvROIMode::Circle, {{-10, 100}, {40, 0}}, 1, {255, 255, 255});
    for (const cvROI& r : {two, leftCircle}) {
        cv::Mat buf = Buffer(vp);
        roi_layers::DrawOverlays(buf, vp, {r}, nullptr, {});
        EXPECT_GT(Lit(buf), 0);
    }
}

TEST(Overlays, MaskBlendsAtItsAlphaOnlyWithTheImageSize) {
    const Viewport vp = View({100, 100}, 2.0, {100, 100}, {40, 40});  // image 20..71 in view
    cv::Mat mask(100, 100, CV_8UC1, cv::Scalar(0));
    mask(cv::Rect(30, 30, 10, 10)).setTo(255);
    cvROI m;
    m.visible = true;
    m.mode = CvROIMode::Mask;
    m.mask = mask;
    m.color = cv::Scalar(0, 0, 200, 0.5 * 255);
    cv::Mat buf = Buffer(vp, 100);
    roi_layers::DrawOverlays(buf, vp, {m}, nullptr, {});
    EXPECT_EQ(At(buf, 25, 25), Px(50, 50, 150));  // image (32, 32)
    EXPECT_EQ(At(buf, 19, 25), Px(100, 100, 100));
    EXPECT_EQ(Count(buf, Px(50, 50, 150)), 20 * 20);

    for (const cv::Mat& bad : {cv::Mat(), cv::Mat(50, 50, CV_8UC1, cv::Scalar(255))}) {
        m.mask = bad;
        cv::Mat same = Buffer(vp, 100);
        roi_layers::DrawOverlays(same, vp, {m}, nullptr, {});
        EXPECT_EQ(Count(same, Px(100, 100, 100)), static_cast<int>(same.total()));
    }
}

TEST(Overlays, NonFiniteAndFarOffGeometryDrawsNothingAndReturns) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Viewport vp = View({500, 500}, 20.0, {400, 300}, {2000, 2000});
    std::vector<cvROI> bad;
    for (int mode = 1; mode <= 9; ++mode) {
        for (const cv::Point2f& p : {cv::Point2f(nan, 5), cv::Point2f(5, inf)}) {
            bad.push_back(VisibleRoi(static_cast<CvROIMode>(mode),
                                     {p, p, {110, 110}, p, p, {1, 2}}, 3, {255, 255, 255}));
        }
    }
    cv::Mat buf = Buffer(vp);
    roi_layers::DrawOverlays(buf, vp, bad, nullptr, {});
    EXPECT_EQ(Lit(buf), 0);

    // Far-off and huge shapes come back at once with at most their visible part.
    std::vector<cvROI> far;
    for (int mode = 1; mode <= 9; ++mode) {
        far.push_back(VisibleRoi(static_cast<CvROIMode>(mode),
                                 {{-1e30f, 3e9f}, {1e30f, 1e30f}, {1e9f, 1e9f}, {0, 360}}, 50,
                                 {255, 255, 255}));
    }
    roi_layers::DrawOverlays(buf, vp, far, nullptr, {});

    // The editing state is no safer: every shape with NaN and far-off geometry.
    ROIEditor ed;
    ed.m_cropEnable = true;
    ed.m_roiRect = {nan, 1e30f, 1e30f, 5};
    ed.m_leftMouseDownPoint = {nan, 0};
    ed.m_leftMouseUpPoint = {1e30f, -1e30f};
    ed.m_roiPoints = {{nan, nan}, {1e30f, 0}, {0, inf}, {5, 5}};
    ed.m_innerRadius = 1e300;
    ed.m_endAngle = 1e300;
    ed.m_polygonDrawing = false;
    for (int mode = 1; mode <= 7; ++mode) {
        cv::Mat b = Buffer(vp);
        roi_layers::DrawEditingROI(b, vp, static_cast<CvROIMode>(mode), ed);
    }
}

TEST(Texts, PlacedByTheViewportAndSkippedFarLeft) {
    const Viewport vp = View({400, 200}, 1.0, {400, 200}, {200, 0});  // image x 200 at 0
    cvText t;
    t.visible = true;
    t.lines.push_back("WWWWWWWWWWWW");
    t.fontHeight = 30;
    t.color = cv::Scalar(255, 255, 255);
    const std::vector<cv::Ptr<cv::freetype::FreeType2>> fonts = {
        roi_layers::LoadFont("/no/such/font.ttf", kDefaultFont)};
    const auto draw = [&](float x) {
        t.position = {x, 50};
        cv::Mat buf = Buffer(vp);
        roi_layers::DrawTexts(buf, vp, {&t}, fonts);
        return buf;
    };
    EXPECT_GT(Lit(draw(150)), 0);  // 50 pixels left of the buffer: its tail shows
    EXPECT_EQ(Lit(draw(50)), 0);   // 150 pixels left: skipped, though it would reach in

    // Lines stack downwards, background boxes behind them; the height follows the zoom.
    t.lines.push_back("W");
    t.drawBackground = true;
    t.backgroundColor = cv::Scalar(0, 0, 255);
    const cv::Mat two = draw(210);
    EXPECT_GT(Count(two(cv::Rect(0, 40, 200, 45)), Px(0, 0, 255)), 0);
    EXPECT_GT(Count(two(cv::Rect(0, 85, 200, 40)), Px(0, 0, 255)), 0);
    const Viewport zoomed = View({400, 200}, 2.0, {800, 400});
    t.position = {0, 0};
    t.drawBackground = false;
    cv::Mat big = Buffer(zoomed);
    roi_layers::DrawTexts(big, zoomed, {&t}, fonts);
    cv::Mat small = Buffer(View({400, 200}, 1.0, {400, 200}));
    roi_layers::DrawTexts(small, View({400, 200}, 1.0, {400, 200}), {&t}, fonts);
    cv::Mat g1, g2;
    cv::cvtColor(small, g1, cv::COLOR_BGR2GRAY);
    cv::cvtColor(big, g2, cv::COLOR_BGR2GRAY);
    EXPECT_NEAR(cv::boundingRect(g2).height, 2 * cv::boundingRect(g1).height, 3);
}

TEST(Texts, OverlappingTextsAndBoxesDrawWhatPlainOpenCVRenderersDraw) {
    // The panel's renderers keep glyphs and leave out what later boxes cover; OpenCV's own
    // renderers draw everything, line by line. Same pixels, over an image of noise, at zooms
    // where zoomed texts overlap each other and the buffer's edges.
    cv::RNG rng(7);
    for (const double zoom : {0.5, 1.0, 4.0, 20.0}) {
        const Viewport vp = View({400, 300}, zoom, {640, 360}, {int(40 * zoom), int(30 * zoom)});
        std::vector<cvText> texts(14);
        std::vector<cv::Ptr<cv::freetype::FreeType2>> cached, plain;
        for (size_t i = 0; i < texts.size(); ++i) {
            cvText& t = texts[i];
            t.visible = i != 3;
            t.position = {rng.uniform(30.f, 90.f), rng.uniform(25.f, 60.f)};
            t.lines.push_back(wxString::Format("Value %zu: %d mm", i, rng.uniform(0, 99999)).ToStdString());
            if (i % 3 == 0) t.lines.push_back("second line, Tj");
            t.fontHeight = rng.uniform(8, 30);
            t.color = cv::Scalar(rng.uniform(0, 256), rng.uniform(0, 256), rng.uniform(0, 256));
            t.drawBackground = i % 2 == 0;
            t.backgroundColor = cv::Scalar(rng.uniform(0, 256), 40, 90);
            const std::string file = i % 4 == 1 ? "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
                                                : kDefaultFont;
            cached.push_back(roi_layers::LoadFont(file, kDefaultFont));
            plain.push_back(cv::freetype::createFreeType2());
            plain.back()->loadFontData(file, 0);
        }
        std::vector<const cvText*> list;
        for (const cvText& t : texts) list.push_back(&t);
        cv::Mat image(vp.originalSize, CV_8UC3);
        rng.fill(image, cv::RNG::UNIFORM, 0, 256);
        cv::Mat mine, theirs = vp.ExtractVisibleRegion(image);
        for (int pass = 0; pass < 2; ++pass) {  // the second from the kept glyphs
            mine = vp.ExtractVisibleRegion(image);
            roi_layers::DrawTexts(mine, vp, list, cached);
        }
        roi_layers::DrawTexts(theirs, vp, list, plain);
        EXPECT_EQ(cv::norm(mine, theirs, cv::NORM_INF), 0) << "zoom " << zoom;
        EXPECT_GT(cv::norm(mine, vp.ExtractVisibleRegion(image), cv::NORM_L1), 0);
    }
}

TEST(Texts, FontFilesFreeTypeCannotReadThrowOnLoadButNeverOnDraw) {
    const std::string garbage = GarbageFont();
    EXPECT_THROW(static_cast<void>(roi_layers::LoadFont(garbage, kDefaultFont)), cv::Exception);
    cv::Ptr<cv::freetype::FreeType2> font = roi_layers::LoadFont("", kDefaultFont);
    EXPECT_THROW(roi_layers::ReloadFont(*font, garbage, kDefaultFont), cv::Exception);

    const Viewport vp = View({200, 100}, 1.0, {200, 100});
    cvText t;
    t.visible = true;
    t.lines.push_back("text");
    t.position = {10, 10};
    t.color = cv::Scalar(255, 255, 255);
    cv::Mat buf = Buffer(vp);
    roi_layers::DrawTexts(buf, vp, {&t, nullptr, &t}, {font, nullptr});  // font holds no face
    EXPECT_EQ(Lit(buf), 0);
    roi_layers::ReloadFont(*font, "", kDefaultFont);
    roi_layers::DrawTexts(buf, vp, {&t}, {font});
    EXPECT_GT(Lit(buf), 0);
}

TEST(ResultLogo, BoxInTheTopRightCornerWithFittedTextFittedOnce) {
    cv::Mat buf = Blank(600, 400);
    cv::Ptr<cv::freetype::FreeType2> font;
    int height = -1, baseline = 0;
    cv::Size fitted;
    const auto draw = [&](cv::Mat& b, int result, const wxString& fontPath) {
        roi_layers::DrawResultLogo(b, result, "PASS", "FAIL", "RECYCLE", fontPath, kDefaultFont,
                                   font, height, baseline, fitted);
    };
    draw(buf, 0, "");
    const Px frame(136, 136, 18), lightYellow(224, 255, 255);
    EXPECT_EQ(At(buf, 497, 30), frame);
    EXPECT_EQ(At(buf, 597, 30), frame);
    EXPECT_EQ(At(buf, 540, 3), frame);
    EXPECT_EQ(At(buf, 540, 53), frame);
    EXPECT_EQ(At(buf, 500, 8), kLime);
    EXPECT_EQ(Count(buf(cv::Rect(0, 0, 495, 400)), Px(0, 0, 0)), 495 * 400);
    EXPECT_EQ(Count(buf(cv::Rect(0, 56, 600, 344)), Px(0, 0, 0)), 600 * 344);
    EXPECT_GT(Count(buf(cv::Rect(499, 5, 97, 47)), lightYellow), 50);

    const cv::freetype::FreeType2* first = font.get();
    const int firstHeight = height;
    draw(buf, 1, "");
    EXPECT_EQ(font.get(), first);  // same size and texts: not refitted
    EXPECT_EQ(At(buf, 500, 8), Px(0, 0, 255));
    cv::Mat narrow = Blank(300, 200);
    draw(narrow, 2, "");
    EXPECT_LT(height, firstHeight);
    EXPECT_EQ(At(narrow, 250, 5), Px(192, 192, 192));

    cv::Mat none = Blank(600, 400);
    draw(none, 3, "");
    draw(none, -1, "");
    EXPECT_EQ(Lit(none), 0);

    // An unreadable logo font: the box without text, and no retry until asked.
    height = -1;
    draw(none, 0, GarbageFont());
    EXPECT_FALSE(font);
    EXPECT_EQ(Count(none, lightYellow), 0);
    EXPECT_EQ(At(none, 500, 8), kLime);
}
