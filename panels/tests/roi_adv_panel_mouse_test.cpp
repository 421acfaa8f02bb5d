// MovraROIAdvPanel's mouse and menu on a real window: where a pointer position lands in the
// image (checked against what the window shows there), drags that end in crop events, the
// switches that stop editing, panning, the wheel, the host callbacks, the status line and the
// context menu with its commands. Needs an X display (skipped without one).
#include <gtk/gtk.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "panels/tests/roi_input_fixture.h"

namespace {

using roi_input_test::kCtrl;
using roi_input_test::kNone;
using roi_input_test::RoiInputTest;
using wx_window_test::Grab;
using wx_window_test::Settle;

[[maybe_unused]] ::testing::Environment* const kWxEnv =
    ::testing::AddGlobalTestEnvironment(new wx_window_test::Environment);

// Pixel (x, y) = (x mod 256, y mod 256, 128 + (x / 256 + y / 256) mod 128): no two pixels of a
// 3000 x 2000 image share a colour within any 256 x 256 block.
cv::Mat Pattern(int cols, int rows) {
    cv::Mat m(rows, cols, CV_8UC3);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            m.at<cv::Vec3b>(y, x) = cv::Vec3b(x & 255, y & 255, 128 + ((x / 256 + y / 256) & 127));
        }
    }
    return m;
}

cvROI Shape(CvROIMode mode, std::vector<cv::Point2f> points) {
    cvROI roi;
    roi.mode = mode;
    roi.points = std::move(points);
    return roi;
}

GdkCursorType CursorType(wxWindow* window) {
    GdkCursor* cursor = window->GetCursor().GetCursor();
    return cursor != nullptr ? gdk_cursor_get_cursor_type(cursor) : GDK_BLANK_CURSOR;
}

TEST_F(RoiInputTest, APressLandsOnTheImagePixelTheWindowShowsThere) {
    const cv::Mat image = Pattern(3000, 2000);
    struct View {
        double zoom;
        wxPoint scroll;  // in units of 20 pixels
        bool centred;
    };
    for (const View& v : {View{1.0, {0, 0}, false}, View{4.0, {50, 25}, false},
                          View{0.5, {13, 7}, false}, View{2.5, {37, 11}, true},
                          View{0.1, {0, 0}, true}, View{20.0, {3001, 2001}, false}}) {
        SCOPED_TRACE(testing::Message() << "zoom " << v.zoom << " scroll " << v.scroll.x << ","
                                        << v.scroll.y << (v.centred ? " centred" : ""));
        panel_->SetCenterImageEnable(v.centred);
        ShowAt(image, v.zoom, CvROIMode::Point);
        panel_->Scroll(v.scroll);
        // What the window shows, before any press: the presses below do not repaint first.
        const cv::Mat shown = Grab(panel_);
        const cv::Point_<float> offset = panel_->m_viewport.GetCenteringOffset();
        // GTK draws its overlay scrollbars over the right and bottom edges.
        int checked = 0;
        for (int y = 3; y < 580; y += 23) {
            for (int x = 5; x < 780; x += 31) {
                if (x < offset.x || y < offset.y) continue;
                const cv::Vec3b seen = shown.at<cv::Vec3b>(y, x);
                if (seen == cv::Vec3b(30, 20, 10)) continue;  // background beyond the image
                // The point far away, so that the press cannot grab it instead of placing it.
                panel_->SetROI(Shape(CvROIMode::Point, {{-1000.f, -1000.f}}), false);
                Mouse(wxEVT_LEFT_DOWN, x, y);
                Mouse(wxEVT_LEFT_UP, x, y);
                const cv::Point2f p = panel_->GetLeftMouseDownPoint();
                const cv::Point pixel(static_cast<int>(p.x), static_cast<int>(p.y));
                ASSERT_TRUE(pixel.inside(cv::Rect(0, 0, image.cols, image.rows)))
                    << "window (" << x << ", " << y << ")";
                ASSERT_EQ(image.at<cv::Vec3b>(pixel), seen)
                    << "window (" << x << ", " << y << ") mapped to " << p;
                ++checked;
            }
        }
        EXPECT_GT(checked, 30);
    }
}

TEST_F(RoiInputTest, PressMappingFollowsZoomScrollAndCentring) {
    ShowAt(Pattern(3000, 2000), 4.0, CvROIMode::Point);
    panel_->Scroll(50, 25);  // 1000 x 500 zoomed pixels
    Mouse(wxEVT_LEFT_DOWN, 10, 11);
    EXPECT_EQ(panel_->GetLeftMouseDownPoint(), cv::Point2f(252.5f, 127.75f));
    Mouse(wxEVT_LEFT_UP, 10, 11);

    // Centred at zoom 0.5: a 400 x 300 image shows 200 x 150 at (300, 225).
    panel_->Scroll(0, 0);
    panel_->SetCenterImageEnable(true);
    ShowAt(Pattern(400, 300), 0.5, CvROIMode::Point);
    Mouse(wxEVT_LEFT_DOWN, 310, 235);
    EXPECT_EQ(panel_->GetLeftMouseDownPoint(), cv::Point2f(20.f, 20.f));
    Mouse(wxEVT_LEFT_UP, 310, 235);
    crops_.clear();
    // Left of the image and below it: skipped, nothing changes, nothing is reported.
    EXPECT_FALSE(Mouse(wxEVT_LEFT_DOWN, 299, 300));
    EXPECT_FALSE(Mouse(wxEVT_LEFT_DOWN, 400, 375));
    EXPECT_FALSE(Mouse(wxEVT_LEFT_UP, 400, 375));
    EXPECT_EQ(panel_->GetLeftMouseDownPoint(), cv::Point2f(20.f, 20.f));
    EXPECT_TRUE(crops_.empty());
}

TEST_F(RoiInputTest, ARectangleDragIsDrawnAndReportedOnceToTheParent) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    // Image (10, 10) to (5, 30): window (20, 20) to (10, 60).
    Drag({{20, 20}, {15, 40}, {10, 60}});
    cv::Rect rect;
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(5, 10, 5, 20));
    ASSERT_EQ(crops_.size(), 1u);
    EXPECT_EQ(crops_[0], cv::Rect(5, 10, 5, 20));
    EXPECT_EQ(cropIds_[0], panel_->GetId());
    const cv::Mat shown = Grab(panel_);
    const cv::Vec3b lime(0, 255, 0);
    EXPECT_EQ(shown.at<cv::Vec3b>(20, 15), lime);  // top edge
    EXPECT_EQ(shown.at<cv::Vec3b>(30, 10), lime);  // left edge
    EXPECT_EQ(shown.at<cv::Vec3b>(59, 15), lime);  // bottom edge
    EXPECT_EQ(shown.at<cv::Vec3b>(30, 25), cv::Vec3b(90, 90, 90));  // outside

    // Hovering the edge offers the hand; empty space the cross.
    Mouse(wxEVT_MOTION, 20, 40);
    EXPECT_EQ(CursorType(panel_), GDK_HAND2);
    Mouse(wxEVT_MOTION, 200, 200);
    EXPECT_EQ(CursorType(panel_), GDK_CROSSHAIR);

    // A click on empty space clears the rectangle, and says so.
    Mouse(wxEVT_LEFT_DOWN, 200, 200);
    Mouse(wxEVT_LEFT_UP, 200, 200);
    ASSERT_EQ(crops_.size(), 2u);
    EXPECT_EQ(crops_[1], cv::Rect(0, 0, 0, 0));
    const cv::Mat cleared = Grab(panel_);
    EXPECT_EQ(cleared.at<cv::Vec3b>(20, 15), cv::Vec3b(90, 90, 90));
}

TEST_F(RoiInputTest, SwitchesThatStopOrLimitEditing) {
    // No image yet: the mouse handlers are not bound, the press goes by.
    panel_->SetFuncEnable(false, true, true);
    panel_->SetROIMode(CvROIMode::Rectangle);
    EXPECT_FALSE(Mouse(wxEVT_LEFT_DOWN, 20, 20));
    Mouse(wxEVT_LEFT_UP, 20, 20);

    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    Drag({{20, 20}, {100, 100}});  // image (10, 10, 40, 40)
    crops_.clear();

    // Crop editing off: presses are skipped, nothing is reported, hovering offers no hand.
    panel_->SetFuncEnable(false, false, true);
    cv::Rect rect;
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(0, 0, 0, 0));  // switching it off empties the ROI
    panel_->SetROI(Shape(CvROIMode::Rectangle, {{10, 10}, {40, 40}}), true);
    panel_->SetCursor(wxCursor(wxCURSOR_ARROW));
    EXPECT_FALSE(Mouse(wxEVT_LEFT_DOWN, 20, 40));
    Mouse(wxEVT_MOTION, 60, 60);
    EXPECT_FALSE(Mouse(wxEVT_LEFT_UP, 60, 60));
    EXPECT_NE(CursorType(panel_), GDK_HAND2);
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(10, 10, 40, 40));
    EXPECT_TRUE(crops_.empty());

    // Locked: the ROI neither changes nor offers the hand; the press is not the editor's.
    panel_->SetFuncEnable(false, true, true);
    panel_->SetLockROI(true);
    Mouse(wxEVT_MOTION, 20, 40);
    EXPECT_EQ(CursorType(panel_), GDK_CROSSHAIR);
    EXPECT_FALSE(Mouse(wxEVT_LEFT_DOWN, 20, 40));
    Mouse(wxEVT_MOTION, 60, 60);
    Mouse(wxEVT_LEFT_UP, 60, 60);
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(10, 10, 40, 40));
    EXPECT_TRUE(crops_.empty());
    panel_->SetLockROI(false);

    // Moving switched off: the body does not follow, an edge still does.
    panel_->SetFuncEnable(false, true, false);
    Drag({{60, 60}, {160, 160}});
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(10, 10, 40, 40));
    Drag({{100, 60}, {140, 60}});  // right edge to image x = 70
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(10, 10, 60, 40));

    // A circle given as (centre, (radius, 0)) can be grabbed by its rim and resized.
    panel_->SetFuncEnable(false, true, true);
    panel_->SetROI(Shape(CvROIMode::Circle, {{50, 50}, {20, 0}}), true);
    EXPECT_NEAR(panel_->GetOuterRadius(), 20.0, 1e-6);
    Mouse(wxEVT_MOTION, 140, 100);  // image (70, 50): on the rim
    EXPECT_EQ(CursorType(panel_), GDK_HAND2);
    Drag({{140, 100}, {160, 100}});
    EXPECT_NEAR(panel_->GetOuterRadius(), 30.0, 1e-4);
}

TEST_F(RoiInputTest, PolygonClosesOnADoubleClickWithThreeVertices) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0, CvROIMode::Polygon);
    std::vector<cv::Point2f> clicks;
    panel_->m_onLeftDClick = [&](const cv::Point2f& p) { clicks.push_back(p); };
    for (const wxPoint& at : {wxPoint(20, 20), wxPoint(200, 40)}) {
        panel_->now += 3000;
        Mouse(wxEVT_LEFT_DOWN, at.x, at.y);
        Mouse(wxEVT_LEFT_UP, at.x, at.y);
    }
    // Two vertices: the double click neither closes nor adds; the host still hears it.
    Mouse(wxEVT_LEFT_DCLICK, 200, 40);
    EXPECT_TRUE(panel_->m_editor.m_polygonDrawing);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], cv::Point2f(100, 20));

    panel_->now += 3000;
    Mouse(wxEVT_LEFT_DOWN, 100, 180);
    Mouse(wxEVT_LEFT_UP, 100, 180);
    EXPECT_TRUE(crops_.empty());  // an open polygon is not reported
    Mouse(wxEVT_LEFT_DCLICK, 100, 180);
    EXPECT_FALSE(panel_->m_editor.m_polygonDrawing);
    std::vector<cv::Point2f> vertices;
    panel_->GetPolygonPoints(vertices);
    EXPECT_EQ(vertices, (std::vector<cv::Point2f>{{10, 10}, {100, 20}, {50, 90}}));
    ASSERT_EQ(crops_.size(), 1u);
    EXPECT_EQ(crops_[0], cv::Rect(10, 10, 91, 81));
    EXPECT_EQ(clicks.size(), 2u);
    // The closing segment is drawn: its midpoint (image (30, 50), window (60, 100)) is lime.
    EXPECT_EQ(Grab(panel_).at<cv::Vec3b>(100, 60), cv::Vec3b(0, 255, 0));
}

TEST_F(RoiInputTest, HostCallbacksGetImagePoints) {
    panel_->SetCenterImageEnable(true);
    ShowAt(Pattern(100, 80), 2.0);  // 200 x 160 centred at (300, 220)
    std::vector<cv::Point2f> moves, rightClicks;
    panel_->m_onMouseMove = [&](const cv::Point2f& p) { moves.push_back(p); };
    panel_->m_onRightDClick = [&](const cv::Point2f& p) { rightClicks.push_back(p); };
    Mouse(wxEVT_MOTION, 10, 300);  // left of the image
    Mouse(wxEVT_MOTION, 311, 225);
    panel_->SetFuncEnable(false, false, false);  // reported whether editing is on or not
    Mouse(wxEVT_MOTION, 799, 599);
    Mouse(wxEVT_RIGHT_DCLICK, 302, 222);
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0], cv::Point2f(-145.f, 40.f));
    EXPECT_EQ(panel_->m_mouseImagePos, cv::Point(249, 189));
    EXPECT_EQ(moves[1], cv::Point2f(5.5f, 2.5f));
    ASSERT_EQ(rightClicks.size(), 1u);
    EXPECT_EQ(rightClicks[0], cv::Point2f(1.f, 1.f));

    // Binding is idempotent: bound twice, one unbind leaves nothing bound.
    panel_->SetMouseEventConnect(true);
    panel_->SetMouseEventConnect(false);
    Mouse(wxEVT_MOTION, 311, 225);
    EXPECT_EQ(moves.size(), 3u);
    panel_->m_onMouseMove = nullptr;
    panel_->SetMouseEventConnect(true);
    Mouse(wxEVT_MOTION, 311, 225);  // an empty callback is not called
}

TEST_F(RoiInputTest, StatusLineShowsThePixelUnderThePointer) {
    auto* status = new wxTextCtrl(frame_, wxID_ANY, "", wxPoint(0, 700), wxSize(600, 30));
    panel_->SetStatusTextCtrl(status);
    int textEvents = 0;
    status->Bind(wxEVT_TEXT, [&](wxCommandEvent&) { ++textEvents; });
    ShowAt(Pattern(100, 80), 2.0);
    Mouse(wxEVT_MOTION, 11, 15);
    EXPECT_EQ(status->GetValue(), "100x80 2.00X 24-bit image value (128,7,5) (5,7)");
    Mouse(wxEVT_MOTION, 500, 15);  // outside: the line stays
    EXPECT_EQ(status->GetValue(), "100x80 2.00X 24-bit image value (128,7,5) (5,7)");

    cv::Mat grey(30, 40, CV_8UC1, cv::Scalar(77));
    ShowAt(grey, 1.0);
    Mouse(wxEVT_MOTION, 39, 29);
    EXPECT_EQ(status->GetValue(), "40x30 1.00X 8-bit image value 77 (39,29)");
    ShowAt(cv::Mat(30, 40, CV_8UC4, cv::Scalar(1, 2, 3, 4)), 0.5);
    Mouse(wxEVT_MOTION, 0, 0);
    EXPECT_EQ(status->GetValue(), "40x30 0.50X 32-bit image value (4,3,2,1) (0,0)");
    EXPECT_EQ(textEvents, 0);

    // The host may destroy its control first.
    status->Destroy();
    Settle(2);
    Mouse(wxEVT_MOTION, 5, 5);
}

TEST_F(RoiInputTest, MiddleButtonPans) {
    ShowAt(Pattern(3000, 2000), 1.0);
    panel_->Scroll(10, 10);
    std::vector<cv::Point2f> moves;
    panel_->m_onMouseMove = [&](const cv::Point2f& p) { moves.push_back(p); };
    EXPECT_TRUE(Mouse(wxEVT_MIDDLE_DOWN, 400, 300));
    EXPECT_EQ(CursorType(panel_), GDK_SIZING);
    // Dragging 100 right and 50 down shows what lies left and above: 5 and 2 units back.
    EXPECT_TRUE(Mouse(wxEVT_MOTION, 500, 350));
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(5, 8));
    Mouse(wxEVT_MOTION, 300, 230);
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(15, 13));
    EXPECT_EQ(moves.size(), 2u);  // the host hears motion while panning too
    // The view shows the new position.
    const cv::Rect inner(0, 0, 780, 580);
    EXPECT_EQ(cv::norm(Grab(panel_)(inner), Pattern(3000, 2000)(inner + cv::Point(300, 260)),
                       cv::NORM_INF),
              0);
    EXPECT_TRUE(Mouse(wxEVT_MIDDLE_UP, 300, 230));
    EXPECT_EQ(CursorType(panel_), GDK_LEFT_PTR);
    Mouse(wxEVT_MOTION, 100, 100);
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(15, 13));

    // Nothing to scroll: no panning.
    ShowAt(Pattern(300, 200), 1.0);
    Mouse(wxEVT_MIDDLE_DOWN, 100, 100);
    EXPECT_FALSE(panel_->m_middleDown);
}

TEST_F(RoiInputTest, WheelScrollsAndCtrlWheelZoomsAboutThePointer) {
    const cv::Mat image = Pattern(3000, 2000);
    ShowAt(image, 1.0);
    panel_->Scroll(20, 10);
    EXPECT_TRUE(Wheel(120, kNone));  // one notch away from the user: 3 units up
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(20, 7));
    Wheel(-240, kNone);
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(20, 13));
    Wheel(120, kNone, wxMOUSE_WHEEL_HORIZONTAL);
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(23, 13));

    // Ctrl: one zoom step; the image point under the pointer comes to the middle of the view.
    Mouse(wxEVT_MOTION, 200, 100);  // image (660, 360)
    EXPECT_TRUE(Wheel(120, kCtrl));
    EXPECT_DOUBLE_EQ(panel_->m_scale, 1.25);
    EXPECT_DOUBLE_EQ(panel_->m_viewport.scale, 1.25);
    EXPECT_EQ(panel_->GetVirtualSize(), wxSize(3750, 2500));
    const cv::Mat shown = Grab(panel_);
    const cv::Vec3b middle = shown.at<cv::Vec3b>(300, 400);
    cv::Mat zoomed;
    cv::resize(image, zoomed, cv::Size(), 1.25, 1.25, cv::INTER_NEAREST);
    const wxPoint start = panel_->GetViewStart() * 20;
    EXPECT_EQ(middle, zoomed.at<cv::Vec3b>(start.y + 300, start.x + 400));
    EXPECT_NEAR(start.x + 400, 660 * 1.25, 20);  // within one scroll unit
    EXPECT_NEAR(start.y + 300, 360 * 1.25, 20);

    // At the limits nothing changes and nothing is repainted.
    CountPaints();
    ShowAt(image, 20.0);
    Grab(panel_);
    paints_ = 0;
    const wxPoint before = panel_->GetViewStart();
    Wheel(120, kCtrl);
    Settle();
    EXPECT_EQ(panel_->m_scale, 20.0);
    EXPECT_EQ(panel_->GetViewStart(), before);
    EXPECT_EQ(paints_, 0);
    ShowAt(image, 0.15);
    Wheel(-120, kCtrl);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 0.1);
    EXPECT_EQ(panel_->m_viewport.GetVirtualSize(), cv::Size(300, 200));
}

// --- Context menu.

struct Item {
    int id;
    std::string label;
    wxItemKind kind;
    bool checked;
    bool operator==(const Item& o) const {
        return id == o.id && label == o.label && kind == o.kind && checked == o.checked;
    }
};

std::ostream& operator<<(std::ostream& os, const Item& i) {
    return os << i.id << " " << i.label << " kind " << i.kind << (i.checked ? " checked" : "");
}

std::vector<Item> Items(const wxMenu& menu) {
    std::vector<Item> out;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        out.push_back({item->IsSeparator() ? -1 : item->GetId(),
                       item->GetItemLabelText().utf8_string(), item->GetKind(),
                       item->IsCheckable() && item->IsChecked()});
    }
    return out;
}

const Item kSep{-1, "", wxITEM_SEPARATOR, false};

TEST_F(RoiInputTest, ContextMenuOffersWhatIsEnabled) {
    const std::vector<Item> zoom = {{400, "Scale Up", wxITEM_NORMAL, false},
                                    {401, "Scale Down", wxITEM_NORMAL, false},
                                    {402, "Zoom to Fit", wxITEM_NORMAL, false},
                                    {403, "Original Size", wxITEM_NORMAL, false},
                                    kSep};
    std::unique_ptr<wxMenu> menu(panel_->BuildContextMenu());
    EXPECT_EQ(Items(*menu), zoom);

    panel_->SetMenuROIEnable(true, true, true, true, true, true, true);
    panel_->SetSIMDMenuEnable(true);
    panel_->m_sseLevel = 2;
    panel_->m_simdMode = -1;
    std::vector<Item> full = zoom;
    for (const Item& i : {Item{404, "Point", wxITEM_NORMAL, false},
                          Item{405, "Line", wxITEM_NORMAL, false},
                          Item{407, "Rectangle", wxITEM_NORMAL, false},
                          Item{406, "Rotated Rectangle", wxITEM_NORMAL, false},
                          Item{408, "Circle", wxITEM_NORMAL, false},
                          Item{409, "Annulus", wxITEM_NORMAL, false},
                          Item{410, "Polygon", wxITEM_NORMAL, false}, kSep,
                          Item{412, "AVX2", wxITEM_NORMAL, false},
                          Item{413, "SSE4", wxITEM_NORMAL, false},
                          Item{414, "CPU", wxITEM_NORMAL, false},
                          Item{415, "Default", wxITEM_CHECK, true}}) {
        full.push_back(i);
    }
    menu.reset(panel_->BuildContextMenu());
    EXPECT_EQ(Items(*menu), full);

    // Only some tools; the CPU's level decides the SIMD entries; the choice is the check.
    panel_->SetMenuROIEnable(false, true, false, true, false, false, true);
    panel_->m_sseLevel = 3;
    panel_->m_simdMode = 3;
    menu.reset(panel_->BuildContextMenu());
    std::vector<Item> some = zoom;
    for (const Item& i : {Item{405, "Line", wxITEM_NORMAL, false},
                          Item{406, "Rotated Rectangle", wxITEM_NORMAL, false},
                          Item{410, "Polygon", wxITEM_NORMAL, false}, kSep,
                          Item{411, "AVX512", wxITEM_CHECK, true},
                          Item{412, "AVX2", wxITEM_NORMAL, false},
                          Item{413, "SSE4", wxITEM_NORMAL, false},
                          Item{414, "CPU", wxITEM_NORMAL, false},
                          Item{415, "Default", wxITEM_NORMAL, false}}) {
        some.push_back(i);
    }
    EXPECT_EQ(Items(*menu), some);
}

TEST_F(RoiInputTest, MenuCommandsChangeToolZoomAndSimdChoice) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    Drag({{20, 20}, {100, 100}});
    crops_.clear();

    EXPECT_TRUE(Command(407));
    EXPECT_EQ(panel_->m_roiMode, 3);
    cv::Rect rect;
    panel_->GetRect(rect);
    EXPECT_EQ(rect, cv::Rect(0, 0, 0, 0));  // the same tool again starts afresh
    Command(406);
    EXPECT_EQ(panel_->m_roiMode, 4);
    Command(406);
    Command(410);
    EXPECT_EQ(panel_->m_roiMode, 7);
    EXPECT_EQ(tools_, (std::vector<int>{3, 4, 4, 7}));
    EXPECT_TRUE(crops_.empty());

    // The next press after choosing the polygon starts a new one.
    Mouse(wxEVT_LEFT_DOWN, 40, 40);
    Mouse(wxEVT_LEFT_UP, 40, 40);
    std::vector<cv::Point2f> vertices;
    panel_->GetPolygonPoints(vertices);
    EXPECT_EQ(vertices, (std::vector<cv::Point2f>{{20, 20}}));

    Command(400);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 2.5);
    Command(401);
    Command(401);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 1.75);
    Command(403);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 1.0);
    Command(402);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 800.0 / 300.0);

    const std::vector<std::pair<int, int>> simd = {{411, 3}, {412, 2}, {413, 1}, {414, 0},
                                                   {415, -1}};
    for (const auto& [id, value] : simd) {
        Command(id);
        EXPECT_EQ(panel_->m_simdMode, value) << id;
    }
}

TEST_F(RoiInputTest, RightClickGoesToTheHostFirst) {
    panel_->SetCenterImageEnable(true);
    ShowAt(Pattern(100, 80), 2.0);  // centred at (300, 220)
    std::vector<cv::Point2f> points;
    std::vector<int> seconds;
    bool take = true;
    panel_->m_onRightClick = [&](const cv::Point2f& p, int second) {
        points.push_back(p);
        seconds.push_back(second);
        return take;
    };
    // The menu pops up modally; closing it as soon as it opens lets the test see whether it
    // opened at all.
    std::vector<std::vector<Item>> opened;
    panel_->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& e) {
        if (e.GetMenu() == nullptr || !e.IsPopup()) return;
        opened.push_back(Items(*e.GetMenu()));
        gtk_menu_popdown(GTK_MENU(e.GetMenu()->m_menu));
    });
    const auto rightClick = [&](int x, int y) {
        wxContextMenuEvent e(wxEVT_CONTEXT_MENU, panel_->GetId(),
                             panel_->ClientToScreen(wxPoint(x, y)));
        e.SetEventObject(panel_);
        return panel_->GetEventHandler()->ProcessEvent(e);
    };
    panel_->SetFuncEnable(true, true, true);
    EXPECT_TRUE(rightClick(320, 230));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0], cv::Point2f(10, 5));
    EXPECT_EQ(seconds[0], -1);
    EXPECT_TRUE(opened.empty());  // taken by the host

    take = false;
    EXPECT_TRUE(rightClick(100, 100));
    EXPECT_EQ(points.size(), 2u);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].size(), 5u);  // the zoom entries and the separator

    // Menu switched off and no callback: nothing at all.
    panel_->m_onRightClick = nullptr;
    panel_->SetFuncEnable(false, true, true);
    EXPECT_TRUE(rightClick(100, 100));
    EXPECT_EQ(opened.size(), 1u);
}

}  // namespace
