// MovraROIAdvPanel under 20,000 random wx events (presses, drags, releases, double clicks, the
// middle button, the wheel with and without modifiers, right clicks and menu commands) at
// positions inside, on the border of and far outside images from 1 x 1 to 20000 x 20000 pixels,
// in every mode and at every zoom: nothing may throw or crash, and what the panel reports must
// stay finite and well formed. Deterministic: a fixed seed and the test's own clock.
#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "panels/display_scale.h"
#include "panels/tests/roi_input_fixture.h"

namespace {

using roi_input_test::kCtrl;
using roi_input_test::kShift;
using roi_input_test::RoiInputTest;

class RoiStormTest : public RoiInputTest {
  protected:
    // Small, so that the paints in between stay cheap.
    wxSize PanelSize() const override { return wxSize(320, 240); }
};

bool Finite(const cv::Point2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Everything the host can read back, checked for sanity; returns a description of the first
// fault, or an empty string.
std::string Fault(MovraROIAdvPanel& panel) {
    cv::Rect rect(-1, -1, -1, -1);
    panel.GetRect(rect);
    if (rect.width < 0 || rect.height < 0) return "negative crop rectangle";
    if (!Finite(panel.GetLeftMouseDownPoint()) || !Finite(panel.GetLeftMouseUpPoint())) {
        return "non-finite mouse point";
    }
    for (const double v : {panel.GetStartAngle(), panel.GetEndAngle(), panel.GetRotateAngle(),
                           panel.GetInnerRadius(), panel.GetOuterRadius()}) {
        if (!std::isfinite(v)) return "non-finite angle or radius";
    }
    if (panel.GetInnerRadius() < 0 || panel.GetOuterRadius() < 0) return "negative radius";
    std::vector<cv::Point2f> points;
    panel.GetPolygonPoints(points);
    for (const cv::Point2f& p : points) {
        if (!Finite(p)) return "non-finite polygon point";
    }
    cv::Point2f e[4];
    panel.GetRotatedRectEdges(e[0], e[1], e[2], e[3]);
    for (const cv::Point2f& p : e) {
        if (!Finite(p)) return "non-finite rotated corner";
    }
    // Below 10 % only as far as fitting the image needs.
    if (!(panel.m_scale >= display_scale::kMinFitZoom && panel.m_scale <= 20.0)) {
        return "zoom out of range";
    }
    if (panel.m_scale != panel.m_viewport.scale) return "zoom and viewport disagree";
    return {};
}

TEST_F(RoiStormTest, RandomEventsNeverBreakThePanel) {
    std::mt19937 rng(20260101);
    const auto uniform = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };

    // The 20000 x 20000 image is shared, never copied: the panel takes it as its working image
    // directly, as an internal update would.
    const cv::Mat huge(20000, 20000, CV_8UC1, cv::Scalar(90));
    const std::vector<cv::Mat> images = {
        cv::Mat(1, 1, CV_8UC3, cv::Scalar(1, 2, 3)),
        cv::Mat(3, 2, CV_8UC1, cv::Scalar(7)),
        cv::Mat(1, 20000, CV_8UC1, cv::Scalar(9)),
        cv::Mat(480, 640, CV_8UC3, cv::Scalar(40, 80, 120)),
        cv::Mat(30, 50, CV_8UC4, cv::Scalar(1, 2, 3, 4)),
        huge,
    };
    const CvROIMode modes[] = {CvROIMode::None,      CvROIMode::Point,
                               CvROIMode::Line,      CvROIMode::Rectangle,
                               CvROIMode::RotatedRectangle, CvROIMode::Circle,
                               CvROIMode::Annulus,   CvROIMode::Polygon,
                               CvROIMode::Mask};
    const double zooms[] = {0.1, 0.15, 0.37, 1.0, 1.005, 2.0, 3.7, 19.9, 20.0};

    int rightClicks = 0;
    panel_->m_onRightClick = [&](const cv::Point2f&, int) {
        ++rightClicks;
        return chance(0.5);  // the menu is off anyway: it would pop up modally
    };
    panel_->m_onLeftDClick = [](const cv::Point2f&) {};
    panel_->m_onMouseMove = [](const cv::Point2f&) {};
    int crops = 0;
    panel_->Bind(MOVRAPanel_EVT_CROP_CHANGE, [&](CropEvent& e) {
        ++crops;
        EXPECT_GE(e.m_cropRect.width, 0);
        EXPECT_GE(e.m_cropRect.height, 0);
        e.Skip();
    });

    cv::Size shown;
    const auto setView = [&] {
        const cv::Mat& image = images[uniform(0, static_cast<int>(images.size()) - 1)];
        panel_->ClearImg();
        panel_->m_matBitmap = image;
        panel_->m_scale = zooms[uniform(0, 8)];
        ASSERT_TRUE(panel_->SetCVmat(cv::Mat(), true, true));
        shown = image.size();
        panel_->SetCenterImageEnable(chance(0.5));
        panel_->Scroll(uniform(0, 30000), uniform(0, 30000));
    };
    // A window position inside the image, on its edge, or anywhere up to far away.
    const auto position = [&]() -> wxPoint {
        const cv::Point_<float> off = panel_->m_viewport.GetCenteringOffset();
        const int w = static_cast<int>(shown.width * panel_->m_scale);
        const int h = static_cast<int>(shown.height * panel_->m_scale);
        switch (uniform(0, 4)) {
            case 0:
                return {static_cast<int>(off.x) + uniform(0, std::max(0, std::min(w, 320))),
                        static_cast<int>(off.y) + uniform(0, std::max(0, std::min(h, 240)))};
            case 1:  // the image's or the window's border
                return {chance(0.5) ? static_cast<int>(off.x) + uniform(-1, 1) : uniform(318, 321),
                        chance(0.5) ? static_cast<int>(off.y) + uniform(-1, 1) : uniform(238, 241)};
            case 2:
                return {uniform(-2000, 2000), uniform(-2000, 2000)};
            case 3:
                return {uniform(-1'000'000, 1'000'000), uniform(-1'000'000, 1'000'000)};
            default:
                return {chance(0.5) ? INT_MIN : INT_MAX, chance(0.5) ? INT_MIN : INT_MAX};
        }
    };

    setView();
    panel_->SetFuncEnable(false, true, true);
    for (int i = 0; i < 20000; ++i) {
        panel_->now += uniform(0, 2000);
        if (i % 400 == 0) setView();
        if (uniform(0, 60) == 0) panel_->SetROIMode(modes[uniform(0, 8)]);
        if (uniform(0, 300) == 0) {
            panel_->SetFuncEnable(false, !chance(0.1), chance(0.7));
            panel_->SetLockROI(chance(0.1));
        }
        if (uniform(0, 500) == 0) {
            cvROI roi;
            roi.mode = modes[uniform(0, 8)];
            for (int k = uniform(0, 5); k > 0; --k) {
                roi.points.emplace_back(static_cast<float>(uniform(-50, 700)),
                                        static_cast<float>(uniform(-50, 700)));
            }
            roi.angle = uniform(-400, 400);
            panel_->SetROI(roi, chance(0.5));
        }
        const wxPoint at = position();
        int modifiers = (chance(0.3) ? kCtrl : 0) | (chance(0.3) ? kShift : 0);
        switch (uniform(0, 12)) {
            case 0:
            case 1:
                Mouse(wxEVT_LEFT_DOWN, at.x, at.y, modifiers);
                break;
            case 2:
                Mouse(wxEVT_LEFT_UP, at.x, at.y, modifiers);
                break;
            case 3:
            case 4:
            case 5:
                Mouse(wxEVT_MOTION, at.x, at.y, modifiers);
                break;
            case 6:
                Mouse(wxEVT_LEFT_DCLICK, at.x, at.y, modifiers);
                break;
            case 7:
                Mouse(wxEVT_RIGHT_DCLICK, at.x, at.y, modifiers);
                break;
            case 8:
                Mouse(chance(0.5) ? wxEVT_MIDDLE_DOWN : wxEVT_MIDDLE_UP, at.x, at.y, modifiers);
                break;
            case 9:
            case 10: {
                const int rotations[] = {120, -120, 0, 1, -1, 1'000'000, -1'000'000};
                Wheel(rotations[uniform(0, 6)], modifiers,
                      chance(0.2) ? wxMOUSE_WHEEL_HORIZONTAL : wxMOUSE_WHEEL_VERTICAL, at.x,
                      at.y);
                break;
            }
            case 11: {
                wxContextMenuEvent e(wxEVT_CONTEXT_MENU, panel_->GetId(),
                                     chance(0.2) ? wxDefaultPosition : at);
                e.SetEventObject(panel_);
                panel_->GetEventHandler()->ProcessEvent(e);
                break;
            }
            default:
                // The menu's commands, and ids around them that are nobody's.
                Command(uniform(398, 417));
                break;
        }
        const std::string fault = Fault(*panel_);
        ASSERT_EQ(fault, "") << "after event " << i;
        if (i % 500 == 0) {
            panel_->Refresh();
            panel_->Update();  // the layers drawn from whatever state the events left
        }
    }
    EXPECT_GT(crops, 100);
    EXPECT_GT(rightClicks, 100);
    EXPECT_TRUE(log_->messages.empty()) << log_->messages.front();
}

}  // namespace
