// Scale of MovraROIAdvPanel's set of named ROIs on a real window: a 1920 x 1080 panel over an
// 8000 x 6000 image at zoom 1, scrolled to the middle, holding 10,000 named ROIs of the seven
// shapes of which 10 lie in view. The paint with that set against the paint with no ROI and with
// only the 10 in view (same run, interleaved); the hit test a press makes (ROISet::HitTop, the
// topmost ROI under the pointer) on an ROI in view and on empty space; the index's query for the
// view; and adding 10,000 ROIs to a set. Prints markdown tables and the load average. Needs an X
// display of at least 1920 x 1080 (bench/run.sh: Xvfb).
#include <gdk/gdk.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/log.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_timing.h"
#include "panels/roi_adv_panel.h"

namespace {

using bench::Median;
using bench::MedianMs;

class BenchApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// Medians of several kinds of work run in turn, so all see the same load from other processes.
std::vector<double> MedianEachMs(int runs, const std::vector<std::function<void()>>& work) {
    std::vector<std::vector<double>> ms(work.size());
    for (const auto& w : work) w();
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < work.size(); ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            work[k]();
            const auto elapsed = std::chrono::steady_clock::now() - t0;
            ms[k].push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        }
    }
    std::vector<double> medians;
    for (const auto& m : ms) medians.push_back(Median(m));
    return medians;
}

std::string LoadAverage() {
    std::string load;
    std::ifstream("/proc/loadavg") >> load;
    return load.empty() ? "unknown" : load;
}

void Settle() {
    for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
}

// One of the seven shapes, about 40 pixels across, with its corner at (x, y).
ROIShape Shape(int kind, float x, float y) {
    switch (kind % 7) {
        case 0: return {CvROIMode::Point, {{x, y}}, 0.0};
        case 1: return {CvROIMode::Line, {{x, y}, {x + 40, y + 25}}, 0.0};
        case 2: return {CvROIMode::Rectangle, {{x, y}, {40, 30}}, 0.0};
        case 3: return {CvROIMode::RotatedRectangle, {{x + 20, y + 15}, {40, 30}}, 30.0};
        case 4: return {CvROIMode::Circle, {{x + 20, y + 20}, {14, 14}}, 0.0};
        case 5: return {CvROIMode::Annulus, {{x + 20, y + 20}, {14, 14}, {8, 0}, {0, 270}}, 0.0};
        default: return {CvROIMode::Polygon, {{x, y}, {x + 40, y + 5}, {x + 30, y + 35}}, 0.0};
    }
}

// `count` named ROIs: `inside` of them spread over `view`, the rest at random over the image
// but clear of the view (and of its labels' reach), where the index must leave them out.
ROISet MakeSet(int count, int inside, const cv::Rect& view, cv::Size image) {
    ROISet set;
    cv::RNG rng(7);
    const cv::Rect clear(view.x - 400, view.y - 100, view.width + 500, view.height + 200);
    for (int i = 0; i < count; ++i) {
        cv::Point2f at;
        if (i < inside) {
            const float f = (static_cast<float>(i) + 0.5f) / static_cast<float>(inside);
            at = {view.x + f * view.width * 0.9f, view.y + f * view.height * 0.9f};
        } else {
            do {
                at = {rng.uniform(0.f, image.width - 50.f), rng.uniform(0.f, image.height - 50.f)};
            } while (clear.contains(at));
        }
        (void)set.Add(Shape(i, at.x, at.y), "ROI " + std::to_string(i),
                      ROISet::PaletteColor(i + 1));
    }
    return set;
}

double MedianUs(int runs, const std::function<void()>& work) {
    return MedianMs(runs, work) * 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "bench_roi_set: no X display\n");
        return 1;
    }
    wxLog::SetActiveTarget(new wxLogStderr);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(2000, 1200));
    auto* host = new wxWindow(frame, wxID_ANY);  // a frame would stretch a sole child
    auto* panel =
        new MovraROIAdvPanel(host, wxID_ANY, wxPoint(0, 0), wxSize(1920, 1080), 0, "roi");
    frame->Show();
    Settle();
    std::printf("Load average (1 min) at the start: %s\n\n", LoadAverage().c_str());

    const cv::Size imageSize(8000, 6000);
    cv::Mat image(imageSize, CV_8UC3);
    for (int y = 0; y < image.rows; ++y) {
        std::memset(image.ptr(y), (y * 7) & 0xff, static_cast<size_t>(image.cols) * 3);
    }
    (void)panel->SetCVmat(image, false, false);
    panel->m_scale = 1.0;
    (void)panel->SetCVmat(cv::Mat(), true, true);
    const cv::Size virt = panel->m_viewport.GetVirtualSize();
    panel->Scroll((virt.width - 1920) / 2 / 20, (virt.height - 1080) / 2 / 20);
    Settle();
    const auto paint = [&] {
        {
            wxClientDC dc(panel);
            panel->RenderFrame(dc);
        }
        gdk_display_sync(gdk_display_get_default());
    };
    paint();  // the viewport now knows the window and the scroll position
    const cv::Rect view = panel->m_viewport.GetVisibleROI();

    ROISet many = MakeSet(10000, 10, view, imageSize);
    ROISet few = MakeSet(10, 10, view, imageSize);
    ROISet none;
    const auto paintWith = [&](ROISet& set) {
        return [&] {
            std::swap(panel->m_rois, set);
            paint();
            std::swap(panel->m_rois, set);
        };
    };
    const std::vector<double> ms =
        MedianEachMs(41, {paintWith(none), paintWith(many), paintWith(few)});
    std::printf("Paint of a 1920 x 1080 MovraROIAdvPanel over 8000 x 6000 at zoom 1 (RenderFrame, "
                "X round trip included; median ms, interleaved)\n\n| no ROI | 10,000 ROIs, 10 "
                "in view | the 10 alone | added by the 10,000 | target |\n"
                "|---:|---:|---:|---:|---|\n");
    std::printf("| %.2f | %.2f | %.2f | %.2f | %s (<= 1 ms) |\n", ms[0], ms[1], ms[2],
                ms[1] - ms[0], ms[1] - ms[0] <= 1.0 ? "within" : "OVER");

    // Presses: on the outline of each ROI in view, in turn, and on empty space in view.
    const float tol = 4.0f;
    std::vector<cv::Point2f> hits;
    for (const int id : many.Query(cv::Rect2f(view))) {
        hits.push_back(many.Find(id)->shape.Outline()[0]);
    }
    size_t next = 0;
    int found = 0;
    int onTarget = 0;
    const double hitUs = MedianUs(201, [&] {
        const cv::Point2f& p = hits[next++ % hits.size()];
        onTarget += many.HitTop(p, tol) >= 0 ? 1 : 0;
    });
    const cv::Point2f empty(view.x + view.width * 0.9f, view.y + view.height * 0.1f);
    const double missUs = MedianUs(201, [&] { found += many.HitTop(empty, tol) >= 0 ? 1 : 0; });
    const double queryUs =
        MedianUs(201, [&] { found += static_cast<int>(many.Query(cv::Rect2f(view)).size()); });
    std::printf("\nHit test of a press among the 10,000 (ROISet::HitTop, tolerance 4 px; median "
                "us)\n\n| on an ROI in view | on empty space | query of the view | target |\n"
                "|---:|---:|---:|---|\n| %.1f | %.1f | %.1f | %s (<= 1 ms) |\n",
                hitUs, missUs, queryUs, hitUs <= 1000.0 && missUs <= 1000.0 ? "within" : "OVER");
    if (onTarget != 202 || hits.size() != 10) {
        std::fprintf(stderr, "bench_roi_set: %zu ROIs in view, %d of 202 presses found one\n",
                     hits.size(), onTarget);
    }

    // Adding 10,000 to a set (the panel's part of AddROI; bench_roi_set.py times the calls).
    std::vector<ROIShape> shapes;
    for (int i = 0; i < 10000; ++i) {
        shapes.push_back(
            Shape(i, static_cast<float>(i % 100) * 70, static_cast<float>(i / 100) * 55));
    }
    ROISet added;
    const double addMs = MedianMs(
        9, [&] { added.Clear(); },
        [&] {
            for (int i = 0; i < 10000; ++i) {
                (void)added.Add(shapes[static_cast<size_t>(i)], "ROI", ROISet::PaletteColor(i));
            }
        });
    std::printf("\nROISet::Add of 10,000 shapes: %.2f ms\n", addMs);
    if (found < 0) std::printf("(unreachable)\n");  // keeps the timed work from being dropped
    std::printf("\nLoad average (1 min) at the end: %s\n", LoadAverage().c_str());

    frame->Destroy();
    Settle();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
