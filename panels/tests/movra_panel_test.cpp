// MovraPanel's image paths on a real wx window. Needs an X display (GDK_BACKEND=x11, e.g. under
// xvfb-run); without one every test is skipped.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/rawbmp.h>

#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "panels/movra_panel.h"

namespace {

class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

bool g_wxReady = false;

class WxEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) return;
        static char arg0[] = "movra_panel_test";
        static char* argv[] = {arg0, nullptr};
        int argc = 1;
        wxApp::SetInstance(new TestApp);
        g_wxReady = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }
    void TearDown() override {
        if (g_wxReady) {
            wxTheApp->OnExit();
            wxEntryCleanup();
        }
    }
};

[[maybe_unused]] ::testing::Environment* const kWxEnv =
    ::testing::AddGlobalTestEnvironment(new WxEnvironment);

// Collects wxLogError texts instead of showing them.
class CaptureLog : public wxLog {
  public:
    std::vector<std::string> messages;

  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override {
        messages.push_back(msg.utf8_string());
    }
};

struct TestPanel : MovraPanel {
    using MovraPanel::DoGetBestClientSize;
    using MovraPanel::MovraPanel;
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!g_wxReady) GTEST_SKIP() << "no X display";
        frame_ = new wxFrame(nullptr, wxID_ANY, "t", wxDefaultPosition, wxSize(500, 400));
        panel_ = new TestPanel(frame_, wxID_ANY, wxPoint(0, 0), wxSize(400, 300), 0, "p");
        log_ = new CaptureLog;
        previousLog_ = wxLog::SetActiveTarget(log_);
        dir_ = std::filesystem::temp_directory_path() /
               ("movra_panel_test_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (!g_wxReady) return;
        wxLog::SetActiveTarget(previousLog_);
        delete log_;
        frame_->Destroy();
        std::filesystem::remove_all(dir_);
    }
    wxString PathOf(const std::string& name) const {
        return wxString::FromUTF8((dir_ / name).string());
    }

    wxFrame* frame_ = nullptr;
    TestPanel* panel_ = nullptr;
    CaptureLog* log_ = nullptr;
    wxLog* previousLog_ = nullptr;
    std::filesystem::path dir_;
};

// RGBA of one pixel of a 32-bit bitmap.
cv::Vec4b PixelAt(wxBitmap& bmp, int x, int y) {
    wxAlphaPixelData data(bmp);
    wxAlphaPixelData::Iterator it(data);
    it.Offset(data, x, y);
    return {it.Red(), it.Green(), it.Blue(), it.Alpha()};
}

TEST_F(PanelTest, BitmapConversionKeepsColoursForEveryChannelCount) {
    cv::Mat bgr(2, 3, CV_8UC3, cv::Scalar(10, 20, 30));
    wxBitmap b = MovraPanel::ConvertMatToBitmap(bgr);
    ASSERT_TRUE(b.IsOk());
    EXPECT_EQ(b.GetSize(), wxSize(3, 2));
    EXPECT_EQ(PixelAt(b, 2, 1), cv::Vec4b(30, 20, 10, 255));

    cv::Mat bgra(2, 2, CV_8UC4, cv::Scalar(1, 2, 3, 77));
    wxBitmap a = MovraPanel::ConvertMatToBitmap(bgra);
    EXPECT_EQ(PixelAt(a, 1, 1), cv::Vec4b(3, 2, 1, 77));

    cv::Mat grey(2, 2, CV_8UC1, cv::Scalar(99));
    wxBitmap g = MovraPanel::ConvertMatToBitmap(grey);
    EXPECT_EQ(PixelAt(g, 0, 1), cv::Vec4b(99, 99, 99, 255));

    EXPECT_FALSE(MovraPanel::ConvertMatToBitmap(cv::Mat()).IsOk());
    wxBitmap small(1, 1, 32);
    EXPECT_FALSE(MovraPanel::ConvertMatBitmapTowxBitmap(bgr, small));  // would overrun it
}

TEST_F(PanelTest, SixteenBitIsSaturatedNotRescaled) {
    cv::Mat u16 = (cv::Mat_<uint16_t>(1, 4) << 0, 100, 300, 65535);
    MovraPanel::Convert16bitTo8bit(u16);
    EXPECT_EQ(u16.type(), CV_8UC1);
    EXPECT_EQ(u16.at<uint8_t>(0, 1), 100);
    EXPECT_EQ(u16.at<uint8_t>(0, 2), 255);
    cv::Mat s16 = (cv::Mat_<int16_t>(1, 2) << -5, 7);
    MovraPanel::Convert16bitTo8bit(s16);
    EXPECT_EQ(s16.at<uint8_t>(0, 0), 0);
    EXPECT_EQ(s16.at<uint8_t>(0, 1), 7);
}

TEST_F(PanelTest, SourceKeptAsItArrivedWorkingImageMadeOnRequest) {
    EXPECT_EQ(panel_->DoGetBestClientSize(), wxSize(64, 48));
    EXPECT_EQ(panel_->m_aspectRatio, static_cast<int>(AspectRatio::AR_16_9));
    EXPECT_TRUE(panel_->SetCVmat(cv::Mat(5, 7, CV_8UC1, cv::Scalar(40)), false, false));
    EXPECT_EQ(panel_->m_matBitmap.type(), CV_8UC1);
    EXPECT_EQ(panel_->GetWorkingMat().type(), CV_8UC3);
    EXPECT_EQ(panel_->GetWorkingMat().at<cv::Vec3b>(4, 6), cv::Vec3b(40, 40, 40));
    EXPECT_EQ(panel_->DoGetBestClientSize(), wxSize(7, 5));
    EXPECT_TRUE(panel_->SetCVmat(cv::Mat(3, 3, CV_8UC4, cv::Scalar(1, 2, 3, 4)), false, false));
    EXPECT_EQ(panel_->m_matBitmap.type(), CV_8UC4);
    EXPECT_EQ(panel_->GetWorkingMat().at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));
    EXPECT_FALSE(panel_->SetCVmat(cv::Mat(), false, false));
    EXPECT_TRUE(panel_->m_matBitmap.empty());
    EXPECT_FALSE(panel_->GetBitmap().IsOk());
}

TEST_F(PanelTest, FilesByExtension) {
    cv::Mat img(6, 8, CV_8UC3, cv::Scalar(5, 6, 7));
    ASSERT_TRUE(cv::imwrite((dir_ / "upper.TIFF").string(), img));
    EXPECT_TRUE(panel_->SetCVmat(PathOf("upper.TIFF"), false, false));
    EXPECT_EQ(panel_->m_matBitmap.size(), cv::Size(8, 6));

    // A six-character extension is refused even when the bytes are a readable PNG; the image
    // shown before stays.
    ASSERT_TRUE(cv::imwrite((dir_ / "x.png").string(), cv::Mat(2, 2, CV_8UC3)));
    std::filesystem::copy_file(dir_ / "x.png", dir_ / "x.jpeg2k");
    EXPECT_FALSE(panel_->SetCVmat(PathOf("x.jpeg2k"), false, false));
    EXPECT_EQ(panel_->m_matBitmap.size(), cv::Size(8, 6));
    EXPECT_FALSE(panel_->DisplayedSize().empty());

    cv::Mat deep(1, 2, CV_16UC1);
    deep.at<uint16_t>(0, 0) = 1000;
    deep.at<uint16_t>(0, 1) = 12;
    ASSERT_TRUE(cv::imwrite((dir_ / "deep.png").string(), deep));
    EXPECT_TRUE(panel_->SetCVmat(PathOf("deep.png"), false, false));
    EXPECT_EQ(panel_->m_matBitmap.type(), CV_16UC1);  // kept at its depth
    EXPECT_EQ(panel_->GetWorkingMat().at<cv::Vec3b>(0, 0), cv::Vec3b(255, 255, 255));
    EXPECT_EQ(panel_->GetWorkingMat().at<cv::Vec3b>(0, 1), cv::Vec3b(12, 12, 12));

    std::FILE* junk = std::fopen((dir_ / "junk.jpg").string().c_str(), "wb");
    std::fputs("no image here", junk);
    std::fclose(junk);
    EXPECT_FALSE(panel_->SetCVmat(PathOf("junk.jpg"), false, false));
    EXPECT_EQ(panel_->m_matBitmap.size(), cv::Size(2, 1));

    EXPECT_FALSE(panel_->SetCVmat(PathOf("missing.png"), false, false));
    EXPECT_TRUE(panel_->m_matBitmap.empty());  // a missing file clears the panel
}

TEST_F(PanelTest, HeifFilesShowWhateverTheirExtensionCase) {
    cv::Mat img(20, 30, CV_8UC3);
    cv::randu(img, 0, 256);
    const std::string png = (dir_ / "src.png").string();
    ASSERT_TRUE(cv::imwrite(png, img));
    for (const std::string name : {"a.heif", "b.HEIF", "c.heic"}) {
        const std::string heif = (dir_ / name).string();
        const std::string cmd = "heif-enc -L -o '" + heif + "' '" + png + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "heif-enc not available";
        panel_->ClearImg();
        ASSERT_TRUE(panel_->SetCVmat(PathOf(name), false, false)) << name;
        EXPECT_EQ(cv::norm(panel_->m_matBitmap, img, cv::NORM_INF), 0.0) << name;  // lossless
        panel_->ClearImg();
        EXPECT_TRUE(panel_->SetCVmatDisplay(PathOf(name))) << name;
        EXPECT_EQ(panel_->GetBitmap().GetSize(), wxSize(30, 20)) << name;
    }
}

TEST_F(PanelTest, NamedPipesAreRefusedAtOnceAndClearThePanel) {
    ::alarm(30);  // a blocked open ends the process instead of hanging the run
    for (const std::string name : {"p.png", "p.heif", "p.jxl", "p"}) {
        ASSERT_EQ(::mkfifo((dir_ / name).c_str(), 0600), 0);
        ASSERT_TRUE(panel_->SetCVmat(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3)), false, false));
        EXPECT_FALSE(panel_->SetCVmat(PathOf(name), false, false)) << name;
        EXPECT_TRUE(panel_->m_matBitmap.empty()) << name;
        ASSERT_TRUE(panel_->SetCVmat(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3)), false, false));
        EXPECT_FALSE(panel_->SetCVmatDisplay(PathOf(name))) << name;
        EXPECT_FALSE(panel_->GetBitmap().IsOk()) << name;
    }
    ::alarm(0);
}

TEST_F(PanelTest, DisplayOnlyPathsAndClientSize) {
    panel_->m_displayMode = static_cast<int>(CvDisplayMode::ZoomToFit);
    panel_->SetSize(0, 300);
    cv::Mat img(10, 20, CV_8UC3, cv::Scalar(1, 1, 1));
    EXPECT_FALSE(panel_->SetCVmatDisplay(img));
    EXPECT_FALSE(panel_->GetBitmap().IsOk());

    panel_->SetSize(400, 300);
    ASSERT_EQ(panel_->GetClientSize(), wxSize(400, 300));
    EXPECT_TRUE(panel_->SetCVmatDisplay(img));
    EXPECT_EQ(panel_->GetBitmap().GetSize(), wxSize(400, 200));
    EXPECT_TRUE(panel_->m_matBitmap.empty());  // shown, not stored

    // An undecodable file is a failure, not a shown image.
    std::FILE* junk = std::fopen((dir_ / "junk.png").string().c_str(), "wb");
    std::fputs("no image here", junk);
    std::fclose(junk);
    EXPECT_FALSE(panel_->SetCVmatDisplay(PathOf("junk.png")));
}

TEST_F(PanelTest, ZoomStepsAndFit) {
    ASSERT_TRUE(panel_->SetCVmat(cv::Mat(100, 50, CV_8UC3, cv::Scalar(9, 9, 9)), false, false));
    panel_->m_scale = 0.95;
    panel_->SetZoomIn();
    EXPECT_NEAR(panel_->m_scale, 1.05, 1e-9);
    panel_->SetZoomIn();
    EXPECT_NEAR(panel_->m_scale, 1.30, 1e-9);
    EXPECT_EQ(panel_->DisplayedSize(), cv::Size(65, 130));
    panel_->m_scale = 19.8;
    panel_->SetZoomIn();
    EXPECT_DOUBLE_EQ(panel_->m_scale, 20.0);
    panel_->SetZoomIn();
    EXPECT_DOUBLE_EQ(panel_->m_scale, 20.0);
    panel_->m_scale = 0.15;
    panel_->SetZoomOut();
    EXPECT_DOUBLE_EQ(panel_->m_scale, 0.1);
    panel_->SetZoomToFit();  // 50 x 100 in 400 x 300: scale 3
    EXPECT_DOUBLE_EQ(panel_->m_scale, 3.0);
    EXPECT_EQ(panel_->DisplayedSize(), cv::Size(150, 300));
    panel_->SetOriginal(true);
    EXPECT_DOUBLE_EQ(panel_->m_scale, 1.0);
    EXPECT_EQ(panel_->DisplayedSize(), cv::Size(50, 100));
    // No image-sized bitmap is kept for a source image: paints cut the window's part.
    EXPECT_FALSE(panel_->GetBitmap().IsOk());
}

TEST_F(PanelTest, SaveImageAndItsMessages) {
    panel_->SaveImage(PathOf("none.png"), 1);
    panel_->SaveImage(PathOf("none.png"), 0);
    ASSERT_EQ(log_->messages.size(), 2u);
    EXPECT_NE(log_->messages[0].find("MovraPanel::SaveImage failed! , m_matBitmap is empty!"),
              std::string::npos);
    EXPECT_NE(log_->messages[1].find("MovraPanel::SaveImage failed! , m_drawmatBitmap is empty!"),
              std::string::npos);

    ASSERT_TRUE(panel_->SetCVmat(cv::Mat(4, 4, CV_8UC3, cv::Scalar(1, 2, 3)), false, false));
    panel_->SaveImage(PathOf("two.png"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "two.png"));
    EXPECT_EQ(log_->messages.size(), 2u);
    panel_->SaveImage(PathOf("one.png"), 1);
    EXPECT_EQ(cv::imread((dir_ / "one.png").string()).at<cv::Vec3b>(3, 3), cv::Vec3b(1, 2, 3));
}

}  // namespace
