// Loads off the GUI thread on real panels: both panels' decode on a worker and adopt on the GUI
// thread, supersede, cancel and the panel's end while a decode runs (also built under
// ThreadSanitizer by scripts/check-tsan.sh). Skipped without an X display.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/frame.h>

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "imageio/tests/opencv_threads.h"
#include "imageio/image_dispatch.h"
#include "panels/background_load.h"
#include "panels/roi_adv_panel.h"
#include "panels/tests/wx_window_test.h"

namespace {

[[maybe_unused]] const bool kOpenCVThreads = ApplyOpenCVThreadLimit();

using namespace wx_window_test;

[[maybe_unused]] ::testing::Environment* const kEnv =
    ::testing::AddGlobalTestEnvironment(new Environment);

// Runs the GUI thread's queue until `done` holds (at most ten seconds).
template <class Done>
bool PumpUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
    return true;
}

// A decode that waits until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    void Open() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            open = true;
        }
        cv.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [this] { return open; });
    }
};

class BackgroundLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Ready()) GTEST_SKIP() << "no X display";
        dir = std::filesystem::temp_directory_path() /
              ("movra_bg_load_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        grey = (dir / "grey.png").string();
        colour = (dir / "colour.png").string();
        ASSERT_TRUE(cv::imwrite(grey, cv::Mat(120, 160, CV_8UC1, cv::Scalar(70))));
        ASSERT_TRUE(cv::imwrite(colour, cv::Mat(90, 100, CV_8UC3, cv::Scalar(10, 20, 30))));
        frame = new wxFrame(nullptr, wxID_ANY, "bg", wxPoint(0, 0), wxSize(500, 400));
        frame->Show();
    }
    void TearDown() override {
        if (frame != nullptr) frame->Destroy();
        if (Ready()) Settle();
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;
    std::string grey;
    std::string colour;
    wxFrame* frame = nullptr;
};

TEST_F(BackgroundLoadTest, RoiPanelTakesTheDecodedFileOnTheGuiThread) {
    auto* panel = new MovraROIAdvPanel(frame, wxID_ANY, wxDefaultPosition, wxSize(300, 200), 0,
                                       "roi");
    bool adopted = false;
    panel->m_backgroundLoad.Start([this, panel, &adopted] {
        auto file = std::make_shared<MovraROIAdvPanel::DecodedFile>(
            MovraROIAdvPanel::DecodeFile(grey, false));
        return BackgroundLoad::Adopt([panel, file, &adopted] {
            adopted = panel->AdoptDecodedFile(std::move(*file), false, false);
        });
    });
    EXPECT_TRUE(panel->m_backgroundLoad.IsPending());
    // The GUI thread goes on working the panel while the worker decodes.
    panel->SetZoomIn();
    ASSERT_TRUE(PumpUntil([&] { return adopted; }));
    EXPECT_FALSE(panel->m_backgroundLoad.IsPending());
    EXPECT_EQ(panel->m_imageInfo.width, 160);
    // The panel keeps the grey file as it is, one channel.
    EXPECT_EQ(panel->m_matBitmap.channels(), 1);
    EXPECT_EQ(panel->m_rawMat.data, panel->m_matBitmap.data);
    EXPECT_EQ(panel->m_matBitmap.at<uint8_t>(5, 5), 70);
}

TEST_F(BackgroundLoadTest, SupersededAndCancelledLoadsNeverReachThePanel) {
    auto* panel = new MovraPanel(frame, wxID_ANY, wxDefaultPosition, wxSize(300, 200), 0, "p");
    // Shared with the decodes: a dropped one may still be running when the test ends.
    auto decodes = std::make_shared<std::atomic<int>>(0);
    int adopts = 0;
    std::string shown;
    const auto load = [&](const std::string& path, std::shared_ptr<Gate> gate) {
        panel->m_backgroundLoad.Start([&adopts, &shown, panel, decodes, path, gate] {
            if (gate) gate->Wait();
            cv::Mat mat;
            (void)DecodeImageFile(path, 1, mat);
            *decodes += 1;
            return BackgroundLoad::Adopt([&adopts, &shown, panel, path, mat]() mutable {
                adopts++;
                shown = path;
                EXPECT_TRUE(panel->AdoptCVmat(std::move(mat)));
            });
        });
    };
    auto first = std::make_shared<Gate>();
    load(grey, first);
    load(colour, nullptr);  // supersedes the first, which waits to decode or is never decoded
    first->Open();
    ASSERT_TRUE(PumpUntil([&] { return adopts == 1; }));
    EXPECT_TRUE(PumpUntil([&] { return decodes->load() >= 1; }));
    Settle(20);
    EXPECT_EQ(adopts, 1);
    EXPECT_EQ(shown, colour);
    EXPECT_EQ(panel->m_matBitmap.size(), cv::Size(100, 90));

    auto second = std::make_shared<Gate>();
    load(grey, second);
    EXPECT_TRUE(panel->m_backgroundLoad.IsPending());
    EXPECT_TRUE(panel->m_backgroundLoad.Cancel());
    EXPECT_FALSE(panel->m_backgroundLoad.Cancel());
    EXPECT_FALSE(panel->m_backgroundLoad.IsPending());
    second->Open();
    Settle(20);
    EXPECT_EQ(adopts, 1);
    EXPECT_EQ(panel->m_matBitmap.size(), cv::Size(100, 90));
}

TEST_F(BackgroundLoadTest, APanelDestroyedWhileItsDecodeRunsGetsNothing) {
    auto* panel = new MovraROIAdvPanel(frame, wxID_ANY, wxDefaultPosition, wxSize(300, 200), 0,
                                       "roi");
    auto gate = std::make_shared<Gate>();
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    bool adopted = false;
    panel->m_backgroundLoad.Start([gate, started, finished, &adopted, path = colour] {
        *started = true;
        gate->Wait();
        auto file = std::make_shared<MovraROIAdvPanel::DecodedFile>(
            MovraROIAdvPanel::DecodeFile(path, false));
        *finished = true;
        return BackgroundLoad::Adopt([file, &adopted] { adopted = true; });
    });
    // The panel goes while its decode is under way.
    ASSERT_TRUE(PumpUntil([&] { return started->load(); }));
    frame->Destroy();
    frame = nullptr;
    Settle();
    gate->Open();
    ASSERT_TRUE(PumpUntil([&] { return finished->load(); }));
    Settle();
    EXPECT_FALSE(adopted);
}

// Last: the pool stays shut for the rest of the process.
TEST_F(BackgroundLoadTest, ShutdownJoinsTheWorkersAndLaterLoadsStillArrive) {
    auto* panel = new MovraPanel(frame, wxID_ANY, wxDefaultPosition, wxSize(300, 200), 0, "p");
    BackgroundLoad::Shutdown();
    bool adopted = false;
    std::thread::id decodedOn;
    panel->m_backgroundLoad.Start([&] {
        decodedOn = std::this_thread::get_id();
        return BackgroundLoad::Adopt([&adopted] { adopted = true; });
    });
    EXPECT_EQ(decodedOn, std::this_thread::get_id());
    ASSERT_TRUE(PumpUntil([&] { return adopted; }));
}

}  // namespace
