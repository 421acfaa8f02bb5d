// MovraROIAdvPanel driven by real input: wxUIActionSimulator moves the X pointer and presses
// buttons and keys (XTest), so the events come through GTK as a user's would. Needs an X
// display (skipped without one).
#include <cmath>
#include <vector>

#include "panels/tests/roi_input_fixture.h"

namespace {

using wx_window_test::Settle;

using RoiSimulatedTest = roi_input_test::RoiSimulatedInputTest;

TEST_F(RoiSimulatedTest, ARealDragDrawsARectangle) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    RealDrag({{20, 20}, {60, 40}, {100, 60}});
    ASSERT_EQ(crops_.size(), 1u);
    EXPECT_EQ(crops_[0], cv::Rect(10, 10, 40, 20));
}

TEST_F(RoiSimulatedTest, ARealDoubleClickClosesAPolygon) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0, CvROIMode::Polygon);
    std::vector<cv::Point2f> doubleClicks;
    panel_->m_onLeftDClick = [&](const cv::Point2f& p) { doubleClicks.push_back(p); };
    for (const wxPoint& at : {wxPoint(20, 20), wxPoint(200, 40), wxPoint(100, 180)}) {
        MoveTo(at.x, at.y);
        sim_.MouseClick();
        Settle(3);
        // Further apart in time than a double click, as a user's separate clicks are.
        wxMilliSleep(600);
    }
    EXPECT_TRUE(panel_->m_editor.m_polygonDrawing);
    MoveTo(20, 160);
    sim_.MouseDblClick();
    Settle(6);
    EXPECT_FALSE(panel_->m_editor.m_polygonDrawing);
    std::vector<cv::Point2f> vertices;
    panel_->GetPolygonPoints(vertices);
    EXPECT_EQ(vertices, (std::vector<cv::Point2f>{{10, 10}, {100, 20}, {50, 90}, {10, 80}}));
    ASSERT_GE(crops_.size(), 1u);
    EXPECT_EQ(crops_.back(), cv::Rect(10, 10, 91, 81));
    ASSERT_EQ(doubleClicks.size(), 1u);
    EXPECT_EQ(doubleClicks[0], cv::Point2f(10, 80));
}

TEST_F(RoiSimulatedTest, ChoosingAToolFromTheRealMenu) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    panel_->SetFuncEnable(true, true, true);
    panel_->SetMenuROIEnable(false, false, true, true, false, false, false);
    int opened = 0;
    panel_->Bind(wxEVT_MENU_OPEN, [this, &opened](wxMenuEvent& e) {
        if (e.GetMenu() == nullptr || !e.IsPopup()) return;
        ++opened;
        // From no selection, Up selects the last entry: "Rotated Rectangle".
        sim_.Char(WXK_UP);
        sim_.Char(WXK_RETURN);
    });
    MoveTo(100, 100);
    sim_.MouseClick(wxMOUSE_BTN_RIGHT);
    Settle(10);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(panel_->m_roiMode, static_cast<int>(CvROIMode::RotatedRectangle));
    EXPECT_EQ(tools_, std::vector<int>{4});
}

// The annulus sector's angle handles (half-way along its radial edges) turn the edges under
// real pointer drags, and the radii stay, also on a band narrower than the grab tolerance on
// either side (where the circles used to take every press).
TEST_F(RoiSimulatedTest, RealDragsOfTheAngleHandlesTurnTheSectorEdges) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0, CvROIMode::Annulus);
    cvROI ring;
    ring.mode = CvROIMode::Annulus;
    ring.points = {{100, 80}, {36, 48}, {52, 0}, {0, 90}};  // outer 60, inner 52
    panel_->SetROI(ring, true);
    Settle(3);
    // In window pixels the centre is (200, 160) and the handles sit 112 px from it.
    const auto onArc = [](double deg) {
        const double t = deg * CV_PI / 180.0;
        return wxPoint(static_cast<int>(std::lround(200 + 112 * std::cos(t))),
                       static_cast<int>(std::lround(160 + 112 * std::sin(t))));
    };
    RealDrag({onArc(90), onArc(100), onArc(115), onArc(135)});
    EXPECT_NEAR(panel_->GetEndAngle(), 135.0, 3.0);
    EXPECT_NEAR(panel_->GetStartAngle(), 0.0, 1e-9);
    RealDrag({onArc(0), onArc(-10), onArc(-25), onArc(-45)});
    EXPECT_NEAR(panel_->GetStartAngle(), -45.0, 3.0);
    EXPECT_NEAR(panel_->GetEndAngle(), 135.0, 3.0);
    EXPECT_NEAR(panel_->GetOuterRadius(), 60.0, 1e-4);
    EXPECT_NEAR(panel_->GetInnerRadius(), 52.0, 1e-4);
}

}  // namespace
