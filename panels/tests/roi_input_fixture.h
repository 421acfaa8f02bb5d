// A MovraROIAdvPanel on a real window that tests drive with synthetic wx events, sent through
// the panel's event handler as the toolkit delivers them. Crop and tool-change events are
// counted on the frame, so only those that propagate up from the panel are seen.
#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"
#include "panels/tests/wx_window_test.h"

namespace roi_input_test {

// A panel whose clock is the test's, so that the polygon's quick second press is deterministic.
class ClockedPanel : public MovraROIAdvPanel {
  public:
    using MovraROIAdvPanel::MovraROIAdvPanel;
    std::int64_t now = 1'000'000;

  protected:
    std::int64_t NowMs() const override { return now; }
};

enum Modifier { kNone = 0, kCtrl = 1, kShift = 2 };

class RoiInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!wx_window_test::Ready()) GTEST_SKIP() << "no X display";
        frame_ = new wxFrame(nullptr, wxID_ANY, "roi input", wxPoint(0, 0), wxSize(1100, 900));
        // A frame stretches a sole child over its client area; a plain host window does not.
        host_ = new wxWindow(frame_, wxID_ANY);
        panel_ = new ClockedPanel(host_, wxID_ANY, wxPoint(0, 0), PanelSize(), 0, "p");
        panel_->SetCanvasBgColor(10, 20, 30);
        frame_->Bind(MOVRAPanel_EVT_CROP_CHANGE, [this](CropEvent& e) {
            crops_.push_back(e.m_cropRect);
            cropIds_.push_back(e.GetId());
        });
        frame_->Bind(MOVRAPanel_EVT_TOOL_CHANGE,
                     [this](wxCommandEvent& e) { tools_.push_back(e.GetInt()); });
        frame_->Show();
        log_ = new wx_window_test::CaptureLog;
        previousLog_ = wxLog::SetActiveTarget(log_);
        wx_window_test::Settle();
    }
    void TearDown() override {
        if (!wx_window_test::Ready()) return;
        // The callbacks may refer to the test's locals, and events still arrive until the
        // frame is gone.
        panel_->m_onRightClick = nullptr;
        panel_->m_onLeftDClick = nullptr;
        panel_->m_onRightDClick = nullptr;
        panel_->m_onMouseMove = nullptr;
        wxLog::SetActiveTarget(previousLog_);
        delete log_;
        frame_->Destroy();
        wx_window_test::Settle(2);
    }
    virtual wxSize PanelSize() const { return wxSize(800, 600); }

    // Shows `image` at exactly `zoom`, with mouse editing on in `mode`.
    void ShowAt(const cv::Mat& image, double zoom, CvROIMode mode = CvROIMode::Rectangle) {
        panel_->m_scale = zoom;
        ASSERT_TRUE(panel_->SetCVmat(image, false, true));
        panel_->SetFuncEnable(false, true, true);
        panel_->SetROIMode(mode);
    }

    // Sends a mouse event at a window position; true when the panel used it (did not skip it).
    bool Mouse(wxEventType type, int x, int y, int modifiers = kNone) {
        wxMouseEvent e(type);
        e.SetEventObject(panel_);
        e.SetId(panel_->GetId());
        e.SetPosition(wxPoint(x, y));
        if (type == wxEVT_LEFT_DOWN) leftHeld_ = true;
        if (type == wxEVT_LEFT_UP) leftHeld_ = false;
        e.SetLeftDown(leftHeld_);
        e.SetControlDown((modifiers & kCtrl) != 0);
        e.SetShiftDown((modifiers & kShift) != 0);
        return panel_->GetEventHandler()->ProcessEvent(e);
    }
    // Press, motion through `path`, release: a drag as the toolkit reports it.
    void Drag(std::vector<wxPoint> path) {
        Mouse(wxEVT_LEFT_DOWN, path.front().x, path.front().y);
        for (size_t i = 1; i < path.size(); ++i) Mouse(wxEVT_MOTION, path[i].x, path[i].y);
        Mouse(wxEVT_LEFT_UP, path.back().x, path.back().y);
    }
    bool Wheel(int rotation, int modifiers, wxMouseWheelAxis axis = wxMOUSE_WHEEL_VERTICAL,
               int x = 100, int y = 100) {
        wxMouseEvent e(wxEVT_MOUSEWHEEL);
        e.SetEventObject(panel_);
        e.SetPosition(wxPoint(x, y));
        e.m_wheelRotation = rotation;
        e.m_wheelDelta = 120;
        e.m_linesPerAction = 3;
        e.m_wheelAxis = axis;
        e.SetControlDown((modifiers & kCtrl) != 0);
        e.SetShiftDown((modifiers & kShift) != 0);
        return panel_->GetEventHandler()->ProcessEvent(e);
    }
    // From now on paints_ counts the panel's paints.
    void CountPaints() {
        panel_->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
            ++paints_;
            e.Skip();
        });
    }
    bool Command(int id) {
        wxCommandEvent e(wxEVT_MENU, id);
        e.SetEventObject(panel_);
        return panel_->GetEventHandler()->ProcessEvent(e);
    }

    wxFrame* frame_ = nullptr;
    wxWindow* host_ = nullptr;
    ClockedPanel* panel_ = nullptr;
    wx_window_test::CaptureLog* log_ = nullptr;
    wxLog* previousLog_ = nullptr;
    bool leftHeld_ = false;
    int paints_ = 0;
    std::vector<cv::Rect> crops_;
    std::vector<int> cropIds_;
    std::vector<int> tools_;
};

// The same panel driven by real input: wxUIActionSimulator moves the X pointer and presses
// buttons and keys (XTest), so the events come through GTK as a user's would.
class RoiSimulatedInputTest : public RoiInputTest {
  protected:
    void TearDown() override {
        if (wx_window_test::Ready()) {
            // Out of every test window, so that the next test sees no stray pointer events.
            sim_.MouseMove(wxPoint(1590, 1190));
            wx_window_test::Settle(3);
        }
        RoiInputTest::TearDown();
    }
    // Moves the pointer to a position in the panel's client area and lets GTK deliver it.
    void MoveTo(int x, int y) {
        sim_.MouseMove(panel_->ClientToScreen(wxPoint(x, y)));
        wx_window_test::Settle(3);
    }
    // Press at the first client position, move through the others, release there.
    void RealDrag(const std::vector<wxPoint>& path) {
        MoveTo(path.front().x, path.front().y);
        sim_.MouseDown();
        wx_window_test::Settle(3);
        for (size_t i = 1; i < path.size(); ++i) MoveTo(path[i].x, path[i].y);
        sim_.MouseUp();
        wx_window_test::Settle(3);
    }

    wxUIActionSimulator sim_;
};

}  // namespace roi_input_test
