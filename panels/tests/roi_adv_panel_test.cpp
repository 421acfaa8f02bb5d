// MovraROIAdvPanel on a real window: what it paints (read back from the screen), how it loads
// images, zooms and stores overlays, and how bad input fails. Needs an X display (skipped
// without one).
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "panels/crop_event.h"
#include "panels/roi_adv_panel.h"
#include "panels/tests/wx_window_test.h"

namespace {

using wx_window_test::CaptureLog;
using wx_window_test::Grab;
using wx_window_test::Settle;

[[maybe_unused]] ::testing::Environment* const kWxEnv =
    ::testing::AddGlobalTestEnvironment(new wx_window_test::Environment);

const cv::Vec3b kBackground(30, 20, 10);  // BGR of SetCanvasBgColor(10, 20, 30)

// Pixel (x, y) = (x / d, y / d, 128) mod 256: every d x d block has its own colour, so a
// window showing the image at zoom 1 / d can be predicted pixel for pixel.
cv::Mat Pattern(int cols, int rows, int d) {
    cv::Mat m(rows, cols, CV_8UC3);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            m.at<cv::Vec3b>(y, x) = cv::Vec3b((x / d) & 255, (y / d) & 255, 128);
        }
    }
    return m;
}

class RoiPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!wx_window_test::Ready()) GTEST_SKIP() << "no X display";
        frame_ = new wxFrame(nullptr, wxID_ANY, "roi", wxPoint(0, 0), wxSize(1100, 900));
        // A frame stretches a sole child over its client area; a plain host window does not.
        auto* host = new wxWindow(frame_, wxID_ANY);
        panel_ = new MovraROIAdvPanel(host, wxID_ANY, wxPoint(0, 0), wxSize(800, 600), 0, "p");
        panel_->SetCanvasBgColor(10, 20, 30);
        frame_->Show();
        log_ = new CaptureLog;
        previousLog_ = wxLog::SetActiveTarget(log_);
        const ::testing::UnitTest* run = ::testing::UnitTest::GetInstance();
        dir_ = std::filesystem::temp_directory_path() /
               ("roi_panel_test_" + std::to_string(run->random_seed()) + "_" +
                run->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        Settle();
    }
    void TearDown() override {
        if (!wx_window_test::Ready()) return;
        wxLog::SetActiveTarget(previousLog_);
        delete log_;
        frame_->Destroy();
        Settle(2);
        std::filesystem::remove_all(dir_);
    }
    wxString Write(const std::string& name, const cv::Mat& image) const {
        EXPECT_TRUE(cv::imwrite((dir_ / name).string(), image));
        return wxString::FromUTF8((dir_ / name).string());
    }
    wxString WriteBytes(const std::string& name, const char* bytes) const {
        std::FILE* f = std::fopen((dir_ / name).string().c_str(), "wb");
        std::fputs(bytes, f);
        std::fclose(f);
        return wxString::FromUTF8((dir_ / name).string());
    }
    // Shows `image` at exactly `zoom`.
    void ShowAt(const cv::Mat& image, double zoom) {
        panel_->m_scale = zoom;
        ASSERT_TRUE(panel_->SetCVmat(image, false, true));
    }

    wxFrame* frame_ = nullptr;
    MovraROIAdvPanel* panel_ = nullptr;
    CaptureLog* log_ = nullptr;
    wxLog* previousLog_ = nullptr;
    std::filesystem::path dir_;
    int paints_ = 0;
};

TEST_F(RoiPanelTest, CentredHalfZoomImageIsPaintedAtItsOffset) {
    ASSERT_EQ(panel_->GetClientSize(), wxSize(800, 600));
    panel_->SetCenterImageEnable(true);
    ShowAt(Pattern(400, 300, 2), 0.5);
    // 200 x 150 on screen, centred: at (300, 225), background everywhere else.
    cv::Mat expected(600, 800, CV_8UC3, cv::Scalar(kBackground));
    Pattern(200, 150, 1).copyTo(expected(cv::Rect(300, 225, 200, 150)));
    EXPECT_EQ(cv::norm(Grab(panel_), expected, cv::NORM_INF), 0);

    panel_->SetCenterImageEnable(false);
    expected.setTo(cv::Scalar(kBackground));
    Pattern(200, 150, 1).copyTo(expected(cv::Rect(0, 0, 200, 150)));
    EXPECT_EQ(cv::norm(Grab(panel_), expected, cv::NORM_INF), 0);
}

TEST_F(RoiPanelTest, ScrolledViewShowsTheVisiblePartOfALargeImage) {
    const cv::Mat image = Pattern(3000, 2000, 1);
    ShowAt(image, 1.0);
    EXPECT_EQ(panel_->GetVirtualSize(), wxSize(3000, 2000));
    panel_->Scroll(10, 5);  // 20 pixels per unit
    // GTK draws its overlay scrollbars over the right and bottom edges.
    const cv::Rect inner(0, 0, 780, 580);
    EXPECT_EQ(cv::norm(Grab(panel_)(inner), image(inner + cv::Point(200, 100)), cv::NORM_INF), 0);

    // At zoom 4 every image pixel is a 4 x 4 block, starting at the scrolled-to pixel.
    ShowAt(image, 4.0);
    panel_->Scroll(50, 25);  // 1000 x 500 zoomed pixels: image pixel (250, 125)
    cv::Mat expected;
    cv::resize(image(cv::Rect(250, 125, 200, 150)), expected, cv::Size(), 4, 4,
               cv::INTER_NEAREST);
    EXPECT_EQ(cv::norm(Grab(panel_)(inner), expected(inner), cv::NORM_INF), 0);
}

TEST_F(RoiPanelTest, GreyImagesKeepOneChannelWhereTheyShould) {
    const cv::Mat grey(40, 80, CV_8UC1, cv::Scalar(77));
    EXPECT_TRUE(panel_->SetCVmat(Write("grey.png", grey), false, false));
    // One image: the working picture's three channels are made on request.
    EXPECT_EQ(panel_->m_matBitmap.type(), CV_8UC1);
    EXPECT_EQ(panel_->m_rawMat.data, panel_->m_matBitmap.data);
    EXPECT_EQ(panel_->GetWorkingMat().type(), CV_8UC3);
    EXPECT_EQ(panel_->m_imageInfo.format, "PNG");
    EXPECT_EQ(panel_->m_imageInfo.channels, 1);

    // A matrix is kept as it is: one copy, shared by the raw and working images.
    EXPECT_TRUE(panel_->SetCVmat(grey, false, false));
    EXPECT_EQ(panel_->m_matBitmap.type(), CV_8UC1);
    EXPECT_EQ(panel_->m_rawMat.data, panel_->m_matBitmap.data);
    EXPECT_NE(panel_->m_matBitmap.data, grey.data);
    EXPECT_EQ(panel_->m_imageInfo.format, "");
    EXPECT_DOUBLE_EQ(panel_->m_scale, 10.0);  // fitted: 800 x 400 of the 800 x 600 window
    const cv::Mat shown = Grab(panel_);
    EXPECT_EQ(shown.at<cv::Vec3b>(10, 10), cv::Vec3b(77, 77, 77));
    EXPECT_EQ(shown.at<cv::Vec3b>(399, 799), cv::Vec3b(77, 77, 77));
    EXPECT_EQ(shown.at<cv::Vec3b>(400, 10), kBackground);
}

TEST_F(RoiPanelTest, DeepSamplesAreKeptAndTheirPictureSaturated) {
    cv::Mat deep(4, 4, CV_16UC3, cv::Scalar(1000, 12, 255));
    EXPECT_TRUE(panel_->SetCVmat(Write("deep.tiff", deep), false, false));
    EXPECT_EQ(panel_->m_rawMat.type(), CV_16UC3);
    EXPECT_EQ(panel_->m_rawMat.at<cv::Vec3w>(3, 3), cv::Vec3w(1000, 12, 255));
    EXPECT_EQ(panel_->GetWorkingMat().at<cv::Vec3b>(3, 3), cv::Vec3b(255, 12, 255));
    EXPECT_EQ(panel_->m_imageInfo.bitDepth, 16);

    EXPECT_TRUE(panel_->SetCVmat(cv::Mat(2, 2, CV_16UC1, cv::Scalar(300)), false, false));
    EXPECT_EQ(panel_->m_rawMat.type(), CV_16UC1);
    EXPECT_EQ(panel_->GetWorkingMat().at<uint8_t>(1, 1), 255);
}

TEST_F(RoiPanelTest, LoadingReplacesWhatItShouldAndFailuresKeepTheImage) {
    const cv::Mat first = Pattern(8, 6, 1);
    EXPECT_TRUE(panel_->SetCVmat(Write("a.png", first), false, false));
    const uchar* shownData = panel_->m_matBitmap.data;

    // internal: the file becomes the raw image and its information, not the shown image.
    const wxString second = Write("b.png", cv::Mat(5, 9, CV_8UC1, cv::Scalar(3)));
    EXPECT_TRUE(panel_->SetCVmat(second, true, false));
    EXPECT_EQ(panel_->m_matBitmap.data, shownData);
    EXPECT_EQ(panel_->m_rawMat.size(), cv::Size(9, 5));
    EXPECT_EQ(panel_->m_imageInfo.width, 9);

    // Missing, undecodable and unshowable input: false, and the image stays.
    panel_->SetDisplayOverlay(true);
    EXPECT_FALSE(panel_->SetCVmat(wxString::FromUTF8((dir_ / "none.png").string()), false, false));
    EXPECT_TRUE(panel_->GetDisplayOverlay());  // a missing file changes nothing
    EXPECT_FALSE(panel_->SetCVmat(WriteBytes("junk.jpg", "not an image"), false, false));
    EXPECT_FALSE(panel_->GetDisplayOverlay());
    EXPECT_EQ(panel_->m_imageInfo.format, "JPEG");  // the information is the new file's
    EXPECT_FALSE(panel_->SetCVmat(cv::Mat(3, 3, CV_8UC2), false, false));
    EXPECT_FALSE(panel_->SetCVmatDisplay(wxString::FromUTF8((dir_ / "none.png").string())));
    EXPECT_FALSE(panel_->SetCVmatDisplay(WriteBytes("junk.png", "not an image")));
    EXPECT_EQ(panel_->m_matBitmap.data, shownData);
    EXPECT_TRUE(log_->messages.empty());

    // An empty matrix clears the panel; the window shows the background only.
    EXPECT_FALSE(panel_->SetCVmat(cv::Mat(), false, false));
    EXPECT_TRUE(panel_->m_rawMat.empty());
    const cv::Mat shown = Grab(panel_);
    EXPECT_EQ(cv::norm(shown, cv::Mat(shown.size(), CV_8UC3, cv::Scalar(kBackground)),
                       cv::NORM_INF),
              0);
}

TEST_F(RoiPanelTest, DisplayOnlyPaintsAtOnceAndKeepsTheStoredImage) {
    ShowAt(cv::Mat(300, 400, CV_8UC3, cv::Scalar(0, 0, 200)), 1.0);
    Grab(panel_);
    cv::Mat green(100, 100, CV_8UC4, cv::Scalar(0, 200, 0, 0));
    EXPECT_TRUE(panel_->SetCVmatDisplay(green));
    // Painted at once (alpha dropped), with nothing else changed.
    EXPECT_EQ(wx_window_test::ReadClient(panel_).at<cv::Vec3b>(50, 50), cv::Vec3b(0, 200, 0));
    EXPECT_EQ(panel_->m_matBitmap.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 200));
}

TEST_F(RoiPanelTest, DisplayOnlyFeedKeepsTheBackgroundAroundEachFrameRight) {
    // Frames shown through a client DC fill the background around themselves only when it
    // changed; whatever changed, the window must show the frame and the background only.
    const auto expect = [&](const cv::Mat& frame, const cv::Vec3b& background) {
        cv::Mat expected(600, 800, CV_8UC3, cv::Scalar(background));
        frame.copyTo(expected(cv::Rect(0, 0, frame.cols, frame.rows)));
        return cv::norm(wx_window_test::ReadClient(panel_), expected, cv::NORM_INF);
    };
    ShowAt(cv::Mat(300, 400, CV_8UC3, cv::Scalar(0, 0, 200)), 1.0);
    Grab(panel_);
    cv::Mat big = Pattern(400, 300, 1), small = Pattern(100, 80, 1);
    ASSERT_TRUE(panel_->SetCVmatDisplay(big));
    EXPECT_EQ(expect(big, kBackground), 0);
    ASSERT_TRUE(panel_->SetCVmatDisplay(big));  // same frame again: nothing else to fill
    EXPECT_EQ(expect(big, kBackground), 0);
    ASSERT_TRUE(panel_->SetCVmatDisplay(small));  // a smaller frame uncovers more
    EXPECT_EQ(expect(small, kBackground), 0);
    {
        // Something else draws over the background; a paint event of a stored image of the
        // frame's size (the same area around it) repaints it all.
        wxClientDC dc(panel_);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawRectangle(300, 300, 200, 200);
    }
    const cv::Mat red(80, 100, CV_8UC3, cv::Scalar(0, 0, 200));
    ShowAt(red, 1.0);
    Grab(panel_);
    EXPECT_EQ(expect(red, kBackground), 0);
    panel_->SetCanvasBgColor(90, 60, 30);
    Settle();
    ASSERT_TRUE(panel_->SetCVmatDisplay(small));
    EXPECT_EQ(expect(small, cv::Vec3b(30, 60, 90)), 0);
}

TEST_F(RoiPanelTest, ZoomStepsAndFitClamp) {
    ShowAt(cv::Mat(10, 10, CV_8UC3), 1.0);
    struct Step {
        double from;
        bool in;
        double to;
    };
    for (const Step& s : {Step{0.95, true, 1.05}, Step{1.05, true, 1.30}, Step{1.9, true, 2.15},
                          Step{19.8, true, 20.0}, Step{1.0, false, 0.9}, Step{0.15, false, 0.1}}) {
        panel_->m_scale = s.from;
        s.in ? panel_->SetZoomIn() : panel_->SetZoomOut();
        EXPECT_NEAR(panel_->m_scale, s.to, 1e-12) << s.from << (s.in ? " in" : " out");
        EXPECT_DOUBLE_EQ(panel_->m_viewport.scale, panel_->m_scale);
    }

    // At a limit nothing changes and nothing is repainted.
    panel_->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
        ++paints_;
        e.Skip();
    });
    for (const double limit : {0.1, 20.0}) {
        ShowAt(cv::Mat(10, 10, CV_8UC3), limit);
        Grab(panel_);
        paints_ = 0;
        limit < 1 ? panel_->SetZoomOut() : panel_->SetZoomIn();
        Settle();
        EXPECT_EQ(panel_->m_scale, limit);
        EXPECT_EQ(paints_, 0);
    }

    panel_->SetSize(400, 300);
    ASSERT_TRUE(panel_->SetCVmat(cv::Mat(3000, 4000, CV_8UC3), false, false));
    EXPECT_DOUBLE_EQ(panel_->m_scale, 0.1);
    EXPECT_EQ(panel_->GetVirtualSize(), wxSize(400, 300));
    panel_->SetSize(1000, 800);
    ASSERT_TRUE(panel_->SetCVmat(cv::Mat(10, 10, CV_8UC3), false, false));
    EXPECT_DOUBLE_EQ(panel_->m_scale, 20.0);
}

TEST_F(RoiPanelTest, OverlaysShowOnlyWhileDisplayedAndAFileLoadHidesThem) {
    const cv::Mat grey(100, 100, CV_8UC3, cv::Scalar(90, 90, 90));
    ShowAt(grey, 2.0);
    cvROI box;
    box.visible = true;
    box.mode = CvROIMode::Rectangle;
    box.points = {{10, 10}, {30, 20}};
    box.color = cv::Scalar(0, 0, 255, 255);
    EXPECT_EQ(panel_->AppendOverlay(box), 0);
    cvROI line = box;
    line.mode = CvROIMode::Line;
    line.points = {{0, 90}, {99, 90}};
    line.color = cv::Scalar(255, 0, 0, 255);
    std::vector<cvROI*> external = {&line, nullptr};
    panel_->SetExtDisplay(&external);

    const cv::Vec3b plain(90, 90, 90);
    const cv::Point onBox(50, 20);  // top edge at zoom 2
    const cv::Point onLine(100, 180);
    cv::Mat shown = Grab(panel_);
    EXPECT_EQ(shown.at<cv::Vec3b>(onBox), plain);
    EXPECT_EQ(shown.at<cv::Vec3b>(onLine), plain);
    panel_->SetDisplayOverlay(true);
    shown = Grab(panel_);
    EXPECT_EQ(shown.at<cv::Vec3b>(onBox), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(shown.at<cv::Vec3b>(onLine), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(shown.at<cv::Vec3b>(40, 50), plain);  // inside the outline

    EXPECT_TRUE(panel_->SetCVmat(Write("second.png", grey), false, true));
    shown = Grab(panel_);
    EXPECT_EQ(shown.at<cv::Vec3b>(onBox), plain);
    EXPECT_EQ(shown.at<cv::Vec3b>(onLine), plain);
    panel_->SetExtDisplay(nullptr);
}

TEST_F(RoiPanelTest, OverlayStorage) {
    cvROI box;
    box.visible = true;
    box.mode = CvROIMode::Rectangle;
    box.points = {{10, 10}, {20, 20}};
    EXPECT_EQ(panel_->AppendOverlay(box), 0);
    EXPECT_EQ(panel_->AppendOverlay(box), 1);
    cvROI hidden = box;
    hidden.visible = false;
    panel_->UpdateOverlayByIndex(0, hidden, false);
    EXPECT_FALSE(panel_->m_overlays[0].visible);
    panel_->UpdateOverlayByIndex(1, hidden, true);
    EXPECT_TRUE(panel_->m_overlays[1].visible);
    for (const int bad : {-1, 2, std::numeric_limits<int>::max()}) {
        panel_->UpdateOverlayByIndex(bad, cvROI(), true);
        panel_->UpdateOverlayByIndex(bad, cvText(), true);
    }
    EXPECT_EQ(panel_->m_overlays.size(), 2u);
    EXPECT_EQ(panel_->m_overlays[1].points.size(), 2u);
    panel_->ClearOverlay();
    EXPECT_EQ(panel_->AppendOverlay(box), 0);

    EXPECT_EQ(panel_->AppendMaskOverlay(cv::Mat(), cv::Scalar(1, 2, 3), 0.5), -1);
    cv::Mat mask(4, 4, CV_8UC1, cv::Scalar(255));
    EXPECT_EQ(panel_->AppendMaskOverlay(mask, cv::Scalar(1, 2, 3), 0.5), 1);
    mask.setTo(0);  // the panel holds its own copy
    const cvROI& stored = panel_->m_overlays[1];
    EXPECT_EQ(stored.mode, CvROIMode::Mask);
    EXPECT_EQ(stored.color, cv::Scalar(1, 2, 3, 127.5));
    EXPECT_EQ(stored.mask.at<uint8_t>(3, 3), 255);

    // The outline of the larger of two blobs; none from an empty or all-zero mask.
    cv::Mat blobs(100, 100, CV_8UC1, cv::Scalar(0));
    blobs(cv::Rect(5, 5, 10, 10)).setTo(255);
    blobs(cv::Rect(50, 40, 20, 20)).setTo(255);
    const std::vector<cv::Point2f> outline = {{50, 40}, {50, 59}, {69, 59}, {69, 40}};
    EXPECT_EQ(panel_->ConvertMaskToPolygon(blobs), outline);
    EXPECT_TRUE(panel_->ConvertMaskToPolygon(cv::Mat(5, 5, CV_8UC1, cv::Scalar(0))).empty());
    EXPECT_TRUE(panel_->ConvertMaskToPolygon(cv::Mat()).empty());
    EXPECT_THROW((void)panel_->ConvertMaskToPolygon(cv::Mat(5, 5, CV_64FC3)), cv::Exception);

    panel_->UpdatePassFailRecycleLogo(true, 1, "", "OK", "NG", "RE");
    panel_->m_logoFontHeight = 30;
    panel_->UpdatePassFailRecycleLogo(false, 2, "x", "a", "b", "c");
    EXPECT_EQ(panel_->m_logoResult, 1);
    EXPECT_EQ(panel_->m_passText, "OK");
    EXPECT_EQ(panel_->m_logoFontHeight, 30);
    panel_->UpdatePassFailRecycleLogo(true, 0, "", "OK", "NG", "RE");
    EXPECT_EQ(panel_->m_logoFontHeight, 30);  // nothing new to fit
    panel_->UpdatePassFailRecycleLogo(true, 0, "", "PASS", "NG", "RE");
    EXPECT_EQ(panel_->m_logoFontHeight, -1);
}

TEST_F(RoiPanelTest, UnreadableFontsFailTheCallAndChangeNothing) {
    const wxString junk = WriteBytes("junk.ttf", "not a font");
    cvText text;
    text.visible = true;
    text.lines.push_back("hello");
    EXPECT_EQ(panel_->AppendOverlay(text), 0);  // no font path: the default font
    text.fontPath = std::string(junk.utf8_str());
    EXPECT_THROW(panel_->AppendOverlay(text), cv::Exception);
    EXPECT_EQ(panel_->m_texts.size(), 1u);
    EXPECT_EQ(panel_->m_textFonts.size(), 1u);
    EXPECT_THROW(panel_->UpdateOverlayByIndex(0, text, true), cv::Exception);
    EXPECT_EQ(panel_->m_texts[0].fontPath, "");

    // External texts with an unreadable font: the call throws, paints still work.
    cvText external = text;
    std::vector<cvText*> list = {&external, nullptr};
    EXPECT_THROW(panel_->SetExtText(&list), cv::Exception);
    ShowAt(cv::Mat(100, 100, CV_8UC3, cv::Scalar(0, 0, 200)), 1.0);
    panel_->SetDisplayOverlay(true);
    EXPECT_EQ(Grab(panel_).at<cv::Vec3b>(90, 90), cv::Vec3b(0, 0, 200));
    EXPECT_EQ(panel_->m_extTextFonts.size(), 2u);  // rebuilt at the paint with the default font
    panel_->SetExtText(nullptr);
}

TEST_F(RoiPanelTest, BadOverlaysPaintWithoutHarm) {
    panel_->SetDisplayOverlay(true);  // no image: the panel stays empty
    EXPECT_TRUE(panel_->m_matBitmap.empty());
    const cv::Mat empty = Grab(panel_);
    EXPECT_EQ(empty.at<cv::Vec3b>(300, 400), kBackground);

    ShowAt(cv::Mat(100, 100, CV_8UC3, cv::Scalar(0, 0, 200)), 2.0);
    panel_->SetDisplayOverlay(true);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = 3e38f;
    for (const CvROIMode mode : {CvROIMode::Point, CvROIMode::Line, CvROIMode::Rectangle,
                                 CvROIMode::RotatedRectangle, CvROIMode::Circle,
                                 CvROIMode::Annulus, CvROIMode::Polygon}) {
        cvROI roi;
        roi.visible = true;
        roi.mode = mode;
        roi.points = {{nan, 5}, {huge, -huge}, {5, nan}, {huge, huge}};
        panel_->AppendOverlay(roi);
    }
    (void)panel_->AppendMaskOverlay(cv::Mat(7, 3, CV_8UC1, cv::Scalar(1)), cv::Scalar(0, 255, 0),
                                    0.5);
    (void)panel_->AppendMaskOverlay(cv::Mat(500, 500, CV_8UC4, cv::Scalar::all(1)),
                                    cv::Scalar(0, 255, 0), 0.5);
    const cv::Mat shown = Grab(panel_);
    cv::Mat red;
    cv::inRange(shown(cv::Rect(0, 0, 200, 200)), cv::Scalar(0, 0, 200), cv::Scalar(0, 0, 200),
                red);
    EXPECT_GT(cv::countNonZero(red), 200 * 200 / 2);  // the image still shows
    EXPECT_EQ(shown.at<cv::Vec3b>(250, 250), kBackground);
}

TEST_F(RoiPanelTest, CropEventsCloneAndReachTheParent) {
    EXPECT_NE(MOVRAPanel_EVT_CROP_CHANGE, wxEVT_NULL);
    EXPECT_LT(MOVRAPanel_EVT_CROP_CHANGE, MOVRAPanel_EVT_TOOL_CHANGE);  // allocated crop first

    CropEvent event(MOVRAPanel_EVT_CROP_CHANGE, panel_->GetId());
    event.m_cropRect = cv::Rect(5, 10, 5, 20);
    std::unique_ptr<wxEvent> copy(event.Clone());
    auto* crop = dynamic_cast<CropEvent*>(copy.get());
    ASSERT_NE(crop, nullptr);
    EXPECT_EQ(crop->GetEventType(), MOVRAPanel_EVT_CROP_CHANGE);
    EXPECT_EQ(crop->GetId(), panel_->GetId());
    EXPECT_EQ(crop->m_cropRect, cv::Rect(5, 10, 5, 20));

    cv::Rect seen;
    int skipped = 0;
    panel_->Bind(MOVRAPanel_EVT_CROP_CHANGE, [&](CropEvent& e) {
        ++skipped;
        e.Skip();
    });
    frame_->Bind(MOVRAPanel_EVT_CROP_CHANGE, [&](CropEvent& e) { seen = e.m_cropRect; });
    EXPECT_TRUE(panel_->GetEventHandler()->ProcessEvent(event));
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(seen, cv::Rect(5, 10, 5, 20));
}

}  // namespace
