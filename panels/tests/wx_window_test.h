// Helpers for tests on real wx windows: one wx application for the test program (every test
// skips without an X display), a log target that collects messages instead of showing
// dialogs, and a read-back of what a window shows on the screen.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <string>
#include <vector>

namespace wx_window_test {

inline bool& Ready() {
    static bool ready = false;
    return ready;
}

class Environment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) return;
        static char arg0[] = "wx_window_test";
        static char* argv[] = {arg0, nullptr};
        int argc = 1;
        wxApp::SetInstance(new App);
        Ready() = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }
    void TearDown() override {
        if (Ready()) {
            wxTheApp->OnExit();
            wxEntryCleanup();
        }
    }

  private:
    class App : public wxApp {
      public:
        bool OnInit() override { return true; }
    };
};

// Collects log texts instead of showing them.
class CaptureLog : public wxLog {
  public:
    std::vector<std::string> messages;

  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override {
        messages.push_back(msg.utf8_string());
    }
};

// Lets wx handle pending paints, sizes and idle work.
inline void Settle(int rounds = 6) {
    for (int i = 0; i < rounds; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
}

// BGR pixels of the window's client area as the X server holds them, read without repainting.
inline cv::Mat ReadClient(wxWindow* window) {
    const wxSize size = window->GetClientSize();
    wxBitmap bitmap(size.x, size.y, 24);
    {
        wxMemoryDC memory(bitmap);
        wxClientDC client(window);
        memory.Blit(0, 0, size.x, size.y, &client, 0, 0);
    }
    const wxImage image = bitmap.ConvertToImage();
    cv::Mat rgb(size.y, size.x, CV_8UC3, image.GetData());
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

// What the window shows after a full repaint. GTK 3 paints on its frame clock rather than
// when asked, so the screen is read until two reads a frame apart agree.
inline cv::Mat Grab(wxWindow* window) {
    window->Refresh();
    window->Update();
    Settle();
    cv::Mat last = ReadClient(window);
    for (int i = 0; i < 40; ++i) {
        Settle(3);
        cv::Mat now = ReadClient(window);
        if (now.size() == last.size() && cv::norm(now, last, cv::NORM_INF) == 0) return now;
        last = now;
    }
    return last;
}

}  // namespace wx_window_test
