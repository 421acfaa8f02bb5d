// MovraROIAdvPanel's keys and undo history on a real window: real key presses through
// wxUIActionSimulator after a real click has given the panel the focus (what the window shows
// read back from the screen), and synthetic key events for the rules around them. Needs an X
// display (skipped without one).
#include <vector>

#include "panels/tests/roi_input_fixture.h"

namespace {

using wx_window_test::Grab;
using wx_window_test::Settle;

constexpr int kRectangleTool = 407;
constexpr int kCircleTool = 408;

// The editing ROI's lime in a window read back.
cv::Mat LimeMask(const cv::Mat& shown) {
    cv::Mat lime;
    cv::inRange(shown, cv::Scalar(0, 255, 0), cv::Scalar(0, 255, 0), lime);
    return lime;
}

int LimePixels(const cv::Mat& shown) { return cv::countNonZero(LimeMask(shown)); }

class RoiKeysTest : public roi_input_test::RoiSimulatedInputTest {
  protected:
    void Press(int key, int modifiers = wxMOD_NONE) {
        sim_.Char(key, modifiers);
        Settle(3);
    }
    // A key-down event as GTK delivers it; true when the panel used it (did not skip it).
    bool Key(int code, int modifiers = wxMOD_NONE) {
        wxKeyEvent e(wxEVT_KEY_DOWN);
        e.SetEventObject(panel_);
        e.m_keyCode = code;
        e.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
        e.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
        e.SetAltDown((modifiers & wxMOD_ALT) != 0);
        return panel_->GetEventHandler()->ProcessEvent(e);
    }
    cv::Rect Rect() const {
        cv::Rect r;
        panel_->GetRect(r);
        return r;
    }
};

TEST_F(RoiKeysTest, RealKeysUndoRedoAndEscapeAfterAClickFocusedThePanel) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    ASSERT_EQ(LimePixels(Grab(panel_)), 0);
    RealDrag({{20, 20}, {60, 40}, {100, 60}});
    ASSERT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    ASSERT_EQ(wxWindow::FindFocus(), panel_);
    const int drawn = LimePixels(Grab(panel_));
    EXPECT_GT(drawn, 2 * (80 + 40));  // the outline at zoom 2, two pixels wide

    Press('z', wxMOD_CONTROL);
    EXPECT_EQ(Rect(), cv::Rect(0, 0, 0, 0));
    EXPECT_EQ(LimePixels(Grab(panel_)), 0);
    Press('y', wxMOD_CONTROL);
    EXPECT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    EXPECT_EQ(LimePixels(Grab(panel_)), drawn);
    Press('z', wxMOD_CONTROL);
    Press('z', wxMOD_CONTROL | wxMOD_SHIFT);
    EXPECT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    EXPECT_EQ(crops_, (std::vector<cv::Rect>{{10, 10, 40, 20},
                                             {0, 0, 0, 0},
                                             {10, 10, 40, 20},
                                             {0, 0, 0, 0},
                                             {10, 10, 40, 20}}));

    // Esc while the rectangle is being dragged: back where it was, and nothing reported.
    MoveTo(60, 40);
    sim_.MouseDown();
    Settle(3);
    MoveTo(200, 150);
    MoveTo(300, 250);
    ASSERT_NE(Rect(), cv::Rect(10, 10, 40, 20));
    Press(WXK_ESCAPE);
    EXPECT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    MoveTo(350, 300);
    sim_.MouseUp();
    Settle(3);
    EXPECT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    EXPECT_EQ(crops_.size(), 5u);
    EXPECT_EQ(LimePixels(Grab(panel_)), drawn);
    // Only the drawing and nothing of the dropped drag is left to undo.
    EXPECT_TRUE(panel_->Undo());
    EXPECT_FALSE(panel_->CanUndo());
}

TEST_F(RoiKeysTest, RealArrowKeysMoveTheDrawnROIAndDeleteClearsIt) {
    // Larger than the window at zoom 2: the arrow keys could scroll the view.
    ShowAt(cv::Mat(800, 1000, CV_8UC3, cv::Scalar(90, 90, 90)), 2.0);
    RealDrag({{20, 20}, {60, 40}, {100, 60}});
    ASSERT_EQ(Rect(), cv::Rect(10, 10, 40, 20));
    const cv::Mat drawn = LimeMask(Grab(panel_));
    ASSERT_GT(cv::countNonZero(drawn), 0);

    Press(WXK_RIGHT);
    Press(WXK_DOWN, wxMOD_SHIFT);
    EXPECT_EQ(Rect(), cv::Rect(11, 20, 40, 20));
    EXPECT_EQ(crops_,
              (std::vector<cv::Rect>{{10, 10, 40, 20}, {11, 10, 40, 20}, {11, 20, 40, 20}}));
    // The whole outline and its centre mark moved by (1, 10) image pixels, (2, 20) on screen,
    // and the view did not scroll.
    EXPECT_EQ(panel_->GetViewStart(), wxPoint(0, 0));
    cv::Mat shifted = cv::Mat::zeros(drawn.size(), drawn.type());
    const cv::Size kept(drawn.cols - 2, drawn.rows - 20);
    drawn(cv::Rect(cv::Point(0, 0), kept)).copyTo(shifted(cv::Rect(cv::Point(2, 20), kept)));
    EXPECT_EQ(cv::countNonZero(LimeMask(Grab(panel_)) != shifted), 0);

    Press(WXK_DELETE);
    EXPECT_EQ(Rect(), cv::Rect(0, 0, 0, 0));
    EXPECT_EQ(crops_.back(), cv::Rect(0, 0, 0, 0));
    EXPECT_EQ(LimePixels(Grab(panel_)), 0);
    // With no ROI to move the arrow keys are the view's again.
    Press(WXK_RIGHT);
    EXPECT_GT(panel_->GetViewStart().x, 0);
    EXPECT_EQ(crops_.size(), 4u);
    Press('z', wxMOD_CONTROL);
    EXPECT_EQ(Rect(), cv::Rect(11, 20, 40, 20));
}

TEST_F(RoiKeysTest, HostChangesAndToolChangesAreStepsThatReportWhenUndone) {
    ShowAt(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 90, 90)), 1.0);
    cvROI rect;
    rect.mode = CvROIMode::Rectangle;
    rect.points = {{20, 30}, {40, 50}};
    panel_->SetROI(rect, true);
    ASSERT_TRUE(Command(kCircleTool));  // empties the rectangle: a step
    ASSERT_EQ(tools_, std::vector<int>{5});
    // Choosing a tool with nothing drawn is no step: the next undo brings the rectangle.
    ASSERT_TRUE(Command(kRectangleTool));
    ASSERT_TRUE(Command(kCircleTool));
    EXPECT_TRUE(crops_.empty());

    EXPECT_TRUE(panel_->Undo());
    EXPECT_EQ(panel_->m_roiMode, static_cast<int>(CvROIMode::Rectangle));
    EXPECT_EQ(tools_.back(), 3);
    EXPECT_EQ(crops_, std::vector<cv::Rect>{cv::Rect(20, 30, 40, 50)});
    EXPECT_TRUE(panel_->Redo());
    EXPECT_EQ(tools_.back(), 5);
    EXPECT_EQ(crops_.back(), cv::Rect(0, 0, 0, 0));
    EXPECT_TRUE(panel_->Undo());

    // SetRect and HideROI are steps as well; a step within one mode sends no tool change.
    panel_->SetRect(cv::Rect(5, 5, 10, 10));
    panel_->HideROI();
    const size_t tools = tools_.size();
    EXPECT_TRUE(Key('Z', wxMOD_CONTROL));
    EXPECT_EQ(crops_.back(), cv::Rect(5, 5, 10, 10));
    EXPECT_TRUE(Key('Z', wxMOD_CONTROL));
    EXPECT_EQ(crops_.back(), cv::Rect(20, 30, 40, 50));
    EXPECT_EQ(tools_.size(), tools);

    // The keys edit only where the mouse could; the host's own calls always work.
    panel_->SetLockROI(true);
    EXPECT_FALSE(Key('Y', wxMOD_CONTROL));
    EXPECT_EQ(Rect(), cv::Rect(20, 30, 40, 50));
    EXPECT_TRUE(panel_->Redo());
    EXPECT_EQ(Rect(), cv::Rect(5, 5, 10, 10));
    panel_->SetLockROI(false);
    EXPECT_FALSE(Key('Y', wxMOD_ALT | wxMOD_CONTROL));  // not a redo: left to the host
    EXPECT_TRUE(Key('Y', wxMOD_CONTROL));
    EXPECT_EQ(Rect(), cv::Rect(0, 0, 0, 0));
    EXPECT_FALSE(panel_->CanRedo());
    EXPECT_FALSE(Key('Y', wxMOD_CONTROL));  // nothing to redo: the key goes on
    EXPECT_FALSE(Key(WXK_ESCAPE));          // no drag to drop
}

TEST_F(RoiKeysTest, AnUndoWhoseToolChangeHandlerDestroysThePanelStopsThere) {
    // A panel of its own: the fixture's must outlive the test.
    auto* host = new wxWindow(frame_, wxID_ANY, wxPoint(0, 0), wxSize(400, 300));
    auto* panel = new MovraROIAdvPanel(host, wxID_ANY, wxPoint(0, 0), wxSize(300, 200), 0, "q");
    ASSERT_TRUE(panel->SetCVmat(cv::Mat(100, 100, CV_8UC3, cv::Scalar(9, 9, 9)), false, false));
    panel->SetFuncEnable(false, true, true);
    panel->SetROIMode(CvROIMode::Rectangle);
    panel->SetRect(cv::Rect(5, 5, 10, 10));
    panel->SetROIMode(CvROIMode::Circle);
    int crops = 0;
    panel->Bind(MOVRAPanel_EVT_TOOL_CHANGE, [host](wxCommandEvent&) { delete host; });
    panel->Bind(MOVRAPanel_EVT_CROP_CHANGE, [&crops](CropEvent&) { ++crops; });
    const wxWeakRef<wxWindow> alive(panel);
    wxKeyEvent e(wxEVT_KEY_DOWN);
    e.SetEventObject(panel);
    e.m_keyCode = 'Z';
    e.SetControlDown(true);
    EXPECT_TRUE(panel->GetEventHandler()->ProcessEvent(e));
    EXPECT_FALSE(alive);
    EXPECT_EQ(crops, 0);  // nothing more was sent from the destroyed panel
    Settle(2);
}

}  // namespace
