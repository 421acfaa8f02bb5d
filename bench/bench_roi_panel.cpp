// Paint cost of MovraROIAdvPanel on a real window: a 1920 x 1080 panel over a 20000 x 20000 and
// a 12-megapixel three-channel image, scrolled to the middle, at several zooms, with guide
// lines, 1,000 stored overlays of mixed kinds (about ten of them in view), 20 texts and the
// result logo. Each paint goes through a client DC and ends with a round trip to the X server,
// so the server's share of the blit is counted. The floor is the same visible-region cut,
// bitmap conversion and blit with no layers. Also: 10,000 overlays outside the view against
// none, SetCVmat + first paint of a 12-megapixel image against one copy of its pixels, the
// latency of one step of a mouse drag, and one-channel 20000 x 20000 sources: 8-bit grey against
// 16-bit with display levels (and a colormap), and SetAutoLevels on the 16-bit image. The grey
// table is the paint table's rows for one-channel 8-bit images of the same values.
// Prints markdown tables and the machine's load average before and after; arguments name the
// tables to print (paint, grey, cull, drag, load, deep), none prints all. Needs an X display
// of at least 1920 x 1080 (bench/run.sh: Xvfb).
#include <gdk/gdk.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/log.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "panels/paint_blitter.h"
#include "panels/roi_adv_panel.h"
#include "roi/display_map.h"

namespace {

using bench::Median;
using bench::MedianMs;

class BenchApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// Medians of several kinds of work run in turn, so all see the same load from other processes;
// setups[k], untimed, comes before each run of kind k, whose work is `work` itself.
std::vector<double> MedianEachMs(int runs, const std::vector<std::function<void()>>& setups,
                                 const std::function<void()>& work) {
    std::vector<std::vector<double>> ms(setups.size());
    for (const auto& setup : setups) {
        setup();
        work();
    }
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < setups.size(); ++k) {
            setups[k]();
            const auto t0 = std::chrono::steady_clock::now();
            work();
            const auto elapsed = std::chrono::steady_clock::now() - t0;
            ms[k].push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        }
    }
    std::vector<double> medians;
    for (const auto& m : ms) {
        medians.push_back(Median(m));
    }
    return medians;
}

std::vector<double> MedianEachMs(int runs, const std::vector<std::function<void()>>& work) {
    std::vector<std::function<void()>> setups;
    for (const auto& w : work) {
        setups.emplace_back([] {});
        (void)w;
    }
    size_t k = 0;
    return MedianEachMs(runs, setups, [&] { work[k++ % work.size()](); });
}

// The first field of /proc/loadavg: other processes' demand on the cores, which the medians
// below cannot hide entirely.
std::string LoadAverage() {
    std::string load;
    std::ifstream("/proc/loadavg") >> load;
    return load.empty() ? "unknown" : load;
}

void Settle() {
    for (int i = 0; i < 10; ++i) {
        wxTheApp->Yield(true);
    }
}

// Waits until the X server has carried out everything sent so far.
void SyncX() { gdk_display_sync(gdk_display_get_default()); }

// Rows of varying grey, every page written, so reads hit real memory.
cv::Mat MakeImage(int cols, int rows, int seed, int channels = 3) {
    cv::Mat image(rows, cols, CV_8UC(channels));
    for (int y = 0; y < rows; ++y) {
        std::memset(image.ptr(y), (y * 7 + seed) & 0xff, static_cast<size_t>(cols) * channels);
    }
    return image;
}

cvROI Shape(int kind, float x, float y) {
    cvROI roi;
    roi.visible = true;
    roi.thickness = 2;
    roi.color = cv::Scalar(40 * kind, 255 - 30 * kind, 128, 255);
    switch (kind % 7) {
        case 0:
            roi.mode = CvROIMode::Point;
            roi.points = {{x, y}};
            break;
        case 1:
            roi.mode = CvROIMode::Line;
            roi.points = {{x, y}, {x + 60, y + 25}};
            break;
        case 2:
            roi.mode = CvROIMode::Rectangle;
            roi.points = {{x, y}, {50, 30}};
            break;
        case 3:
            roi.mode = CvROIMode::RotatedRectangle;
            roi.angle = 30;
            roi.points = {{x, y}, {50, 30}};
            break;
        case 4:
            roi.mode = CvROIMode::Circle;
            roi.points = {{x, y}, {20, 0}};
            break;
        case 5:
            roi.mode = CvROIMode::Annulus;
            roi.points = {{x, y}, {30, 0}, {15, 0}, {0, 270}};
            break;
        default:
            roi.mode = CvROIMode::Polygon;
            roi.points = {{x, y}, {x + 40, y + 5}, {x + 30, y + 35}, {x - 5, y + 25}};
            break;
    }
    return roi;
}

// `count` shapes of the seven kinds: `inside` of them spread over `visible`, the rest beyond its
// right and bottom edges, where culling must drop them.
std::vector<cvROI> MakeOverlays(int count, int inside, const cv::Rect& visible) {
    std::vector<cvROI> out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (i < inside) {
            const float fx = (i + 0.5f) / static_cast<float>(inside);
            out.push_back(Shape(i, visible.x + fx * visible.width * 0.8f,
                                visible.y + fx * visible.height * 0.8f));
        } else {
            out.push_back(Shape(i, static_cast<float>(visible.br().x + 200 + (i % 100) * 80),
                                static_cast<float>(visible.br().y + 200 + (i / 100) * 80)));
        }
    }
    return out;
}

struct Bench {
    MovraROIAdvPanel* panel = nullptr;
    PaintBlitter floorBlitter;

    // Replaces the panel's image without a copy (the benchmark's images are large).
    void Adopt(cv::Mat&& image) {
        panel->ClearImg();
        panel->m_matBitmap = std::move(image);
        (void)panel->SetCVmat(cv::Mat(), true, true);
    }

    void ZoomToMiddle(double zoom) {
        panel->m_scale = zoom;
        (void)panel->SetCVmat(cv::Mat(), true, true);
        const cv::Size virt = panel->m_viewport.GetVirtualSize();
        const wxSize client = panel->GetClientSize();
        panel->Scroll(std::max(0, (virt.width - client.x) / 2) / 20,
                      std::max(0, (virt.height - client.y) / 2) / 20);
        Settle();
        Paint();  // the viewport now knows the window and the scroll position
    }

    void Paint() {
        {
            wxClientDC dc(panel);
            panel->RenderFrame(dc);
        }
        SyncX();
    }

    // The same cut (and a grey source's three-channel picture), conversion and blit as a paint,
    // without layers or background.
    void PaintFloor() {
        {
            wxClientDC dc(panel);
            const cv::Mat buffer = panel->CutVisibleBuffer(panel->m_matBitmap);
            const cv::Point_<float> offset = panel->m_viewport.GetCenteringOffset();
            (void)floorBlitter.Blit(dc, buffer, static_cast<int>(offset.x),
                                    static_cast<int>(offset.y));
        }
        SyncX();
    }

    void SetLayers(bool on) {
        panel->SetGuideLineMode(on ? GuideLineMode::RuleOfThirds : GuideLineMode::Off);
        panel->ClearOverlay();
        panel->m_texts.clear();
        panel->m_textFonts.clear();
        panel->UpdatePassFailRecycleLogo(on, 0, "", "PASS", "FAIL", "RECYCLE");
        if (!on) return;
        const cv::Rect visible = panel->m_viewport.GetVisibleROI();
        panel->m_overlays = MakeOverlays(1000, 10, visible);
        for (int i = 0; i < 20; ++i) {
            cvText text;
            text.visible = true;
            text.position = {visible.x + visible.width * 0.05f,
                             visible.y + visible.height * (0.04f + 0.045f * i)};
            text.lines.push_back(
                wxString::Format("Inspection value %d: 0.%03d mm", i, 137 * i % 1000)
                    .ToStdString());
            text.color = cv::Scalar(255, 255, 255, 255);
            text.drawBackground = i % 2 == 0;
            text.backgroundColor = cv::Scalar(40, 40, 40, 255);
            (void)panel->AppendOverlay(text);
        }
        panel->m_displayOverlay = true;
    }
};

// One motion event of a drag of a rectangle's right edge, from the handler to the finished
// repaint (ProcessEvent, then Update and a round trip to the X server), with the full paint's
// layers in view; beside it the same paint alone. Prints one table row per zoom.
void DragLatency(Bench& b, double zoom) {
    b.ZoomToMiddle(zoom);
    b.SetLayers(true);
    MovraROIAdvPanel* panel = b.panel;
    panel->SetFuncEnable(false, true, true);
    panel->SetROIMode(CvROIMode::Rectangle);
    // A rectangle of half the view, in its middle; the drag moves its right edge.
    const cv::Rect visible = panel->m_viewport.GetVisibleROI();
    const cv::Rect_<float> rect(visible.x + visible.width * 0.25f,
                                visible.y + visible.height * 0.25f, visible.width * 0.5f,
                                visible.height * 0.5f);
    cvROI roi;
    roi.mode = CvROIMode::Rectangle;
    roi.points = {{rect.x, rect.y}, {rect.width, rect.height}};
    panel->SetROI(roi, true);
    const auto toWindow = [&](float x, float y) {
        const cv::Point_<float> offset = panel->m_viewport.GetCenteringOffset();
        const cv::Point scroll = panel->m_viewport.scrollPosition;
        return wxPoint(static_cast<int>(x * zoom - scroll.x + offset.x),
                       static_cast<int>(y * zoom - scroll.y + offset.y));
    };
    const wxPoint edge = toWindow(rect.br().x, rect.y + rect.height / 2);
    int paints = 0;
    const auto counter = [&](wxPaintEvent& e) {
        ++paints;
        e.Skip();
    };
    panel->Bind(wxEVT_PAINT, counter);
    const auto send = [&](wxEventType type, const wxPoint& at) {
        wxMouseEvent e(type);
        e.SetEventObject(panel);
        e.SetPosition(at);
        e.SetLeftDown(type != wxEVT_LEFT_UP);
        panel->GetEventHandler()->ProcessEvent(e);
    };
    send(wxEVT_LEFT_DOWN, edge);
    if (panel->m_editor.m_currentHit.handle != HitHandle::Right) {
        std::fprintf(stderr, "bench_roi_panel: the press missed the rectangle's edge\n");
    }
    int step = 0;
    int steps = 0;
    const std::vector<double> ms = MedianEachMs(
        31, {[&] {
                 // Back and forth over 40 window pixels, one event per frame.
                 ++step;
                 send(wxEVT_MOTION, edge + wxPoint((step % 40) - 20, 0));
                 panel->Update();
                 SyncX();
                 ++steps;
             },
             [&] { b.Paint(); }});
    send(wxEVT_LEFT_UP, edge);
    panel->Unbind(wxEVT_PAINT, counter);
    std::printf("| 20000 x 20000 | %.1f | %.2f | %.2f | %d of %d | %s (<= 16 ms) |\n", zoom, ms[0],
                ms[1], paints, steps, ms[0] <= 16.0 && paints >= steps ? "within" : "OVER");
    panel->SetFuncEnable(false, false, false);
    b.SetLayers(false);
}

}  // namespace

// One-channel sources of 20000 x 20000: the image-only paint of an 8-bit grey image (the
// default picture), of the same values in 16 bits with display levels, and with a colormap,
// run in turn so all three see the same load; beside them the cut and conversion alone (no
// blit), where the two depths differ. Then SetAutoLevels' computation on the 16-bit image.
void DeepSources(Bench& b) {
    std::printf("\nOne-channel 20000 x 20000 sources, image-only paint (RenderFrame, no layers), "
                "1920 x 1080 window scrolled to the middle, the three paints in turn (median "
                "ms); in brackets the cut and conversion alone\n\n| zoom | uint8 grey | "
                "uint16 + levels | ratio | uint16 + levels + viridis | ratio | target |\n"
                "|---:|---:|---:|---:|---:|---:|---|\n");
    cv::Mat grey8(20000, 20000, CV_8UC1);
    for (int y = 0; y < grey8.rows; ++y) {
        std::memset(grey8.ptr(y), (y * 7) & 0xff, static_cast<size_t>(grey8.cols));
    }
    cv::Mat grey16;
    grey8.convertTo(grey16, CV_16U, 16.0);
    b.SetLayers(false);
    // Each kind's setup ends with an untimed cut: the timed paints are repeated paints of an
    // unchanged view, whose lookup tables were made at the view's first paint.
    const auto show = [&](const cv::Mat& image, bool levels, int colormap) {
        return [&b, &image, levels, colormap] {
            b.panel->m_matBitmap = image;  // the same size: the view stays where it is
            (void)b.panel->SetDisplayLevels(levels ? std::optional(DisplayLevels{200.0, 3800.0})
                                                   : std::nullopt);
            b.panel->SetColormap(colormap);
            (void)b.panel->CutVisibleBuffer(b.panel->m_matBitmap);
        };
    };
    const int viridis = *ColormapByName("viridis");
    const std::vector<std::function<void()>> setups = {show(grey8, false, DisplayMap::kGray),
                                                       show(grey16, true, DisplayMap::kGray),
                                                       show(grey16, true, viridis)};
    const auto cut = [&b] { (void)b.panel->CutVisibleBuffer(b.panel->m_matBitmap); };
    for (const double zoom : {0.1, 0.5, 1.0, 4.0, 20.0}) {
        b.Adopt(cv::Mat(grey8));
        b.ZoomToMiddle(zoom);
        const std::vector<double> paint = MedianEachMs(41, setups, [&b] { b.Paint(); });
        const std::vector<double> alone = MedianEachMs(41, setups, cut);
        const double ratio = paint[1] / paint[0];
        std::printf("| %.1f | %.2f (%.2f) | %.2f (%.2f) | %.2f | %.2f (%.2f) | %.2f | %s (<= 1.2) "
                    "|\n",
                    zoom, paint[0], alone[0], paint[1], alone[1], ratio, paint[2], alone[2],
                    paint[2] / paint[0], ratio <= 1.2 ? "within" : "OVER");
    }
    const double autoMs = MedianMs(9, [&] { (void)AutoLevels(grey16, 0.35); });
    std::printf("\nSetAutoLevels on the 20000 x 20000 uint16 image: %.1f ms (target <= 100 ms)\n",
                autoMs);
    b.panel->ClearImg();
}

int main(int argc, char** argv) {
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "bench_roi_panel: no X display\n");
        return 1;
    }
    wxLog::SetActiveTarget(new wxLogStderr);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(2000, 1200));
    auto* host = new wxWindow(frame, wxID_ANY);  // a frame would stretch a sole child
    Bench b;
    b.panel = new MovraROIAdvPanel(host, wxID_ANY, wxPoint(0, 0), wxSize(1920, 1080), 0, "roi");
    frame->Show();
    Settle();

    // Arguments name the tables to print (paint, grey, cull, drag, load, deep); none prints all.
    const auto wants = [&](const char* table) {
        return argc < 2 || std::find_if(argv + 1, argv + argc, [&](const char* a) {
                               return std::strcmp(a, table) == 0;
                           }) != argv + argc;
    };
    std::printf("Load average (1 min) at the start: %s\n\n", LoadAverage().c_str());
    if (wants("paint") || wants("grey")) {
        std::printf(
            "MovraROIAdvPanel paint, 1920 x 1080 window scrolled to the middle (median ms, "
            "X round trip included). Full: RenderFrame with guide lines, 1,000 stored overlays "
            "(about 10 in view), 20 texts and the logo. Floor: the same cut of the visible "
            "region (CutVisibleBuffer), bitmap conversion and blit, no layers. Cut alone: "
            "CutVisibleBuffer without any drawing.\n\n");
        std::printf("| image | zoom | buffer (px) | full paint | floor | ratio | target | full "
                    "without the texts (ratio) | cut alone |\n");
        std::printf("|---|---:|---:|---:|---:|---:|---|---:|---:|\n");
        struct Image {
            const char* name;
            cv::Size size;
            int channels;
        };
        std::vector<Image> images;
        if (wants("paint")) {
            images.push_back({"20000 x 20000", {20000, 20000}, 3});
            images.push_back({"4000 x 3000", {4000, 3000}, 3});
        }
        if (wants("grey")) {  // the same rows as one-channel sources
            images.push_back({"20000 x 20000 grey", {20000, 20000}, 1});
            images.push_back({"4000 x 3000 grey", {4000, 3000}, 1});
        }
        struct LayerRow {
            const char* image;
            double zoom, guides, overlays, texts, logo, first;
        };
        std::vector<LayerRow> layerRows;
        for (const auto& image : images) {
            b.Adopt(MakeImage(image.size.width, image.size.height, 0, image.channels));
            for (const double zoom : {0.1, 0.5, 1.0, 4.0, 20.0}) {
                b.SetLayers(false);
                b.ZoomToMiddle(zoom);
                b.SetLayers(true);
                // Texts at a height not drawn before (on the first image): their glyphs are
                // rendered, once, in this paint.
                const auto t0 = std::chrono::steady_clock::now();
                b.Paint();
                const double first = std::chrono::duration<double, std::milli>(
                                         std::chrono::steady_clock::now() - t0)
                                         .count();
                const cv::Mat buffer = b.panel->CutVisibleBuffer(b.panel->m_matBitmap);
                const int runs = 21;
                std::vector<cv::Ptr<cv::freetype::FreeType2>> noFonts;  // texts without a font
                const std::vector<double> ms =
                    MedianEachMs(runs, {[&] { b.Paint(); }, [&] { b.PaintFloor(); },
                                        [&] {
                                            b.panel->m_textFonts.swap(noFonts);
                                            b.Paint();
                                            b.panel->m_textFonts.swap(noFonts);
                                        },
                                        [&] {
                                            (void)b.panel->CutVisibleBuffer(
                                                b.panel->m_matBitmap);
                                        }});
                const double full = ms[0];
                const double floor = ms[1];
                // Each layer alone on a copy of the buffer, to show where a paint's time goes.
                cv::Mat scratch;
                const auto layer = [&](void (MovraROIAdvPanel::*draw)(cv::Mat&)) {
                    return MedianMs(9, [&] {
                        buffer.copyTo(scratch);
                        (b.panel->*draw)(scratch);
                    }) - MedianMs(9, [&] { buffer.copyTo(scratch); });
                };
                layerRows.push_back({image.name, zoom,
                                     layer(&MovraROIAdvPanel::DrawGuideOnVisibleBuffer),
                                     layer(&MovraROIAdvPanel::DrawStoredOverlays),
                                     layer(&MovraROIAdvPanel::DrawTexts),
                                     layer(&MovraROIAdvPanel::DrawPFRLogo), first});
                const double ratio = full / floor;
                const bool within = ratio <= 1.3 && (zoom < 0.25 || full <= 8.0);
                std::printf("| %s | %.1f | %d x %d | %.2f | %.2f | %.2f | %s (<= 1.3x%s) | %.2f "
                            "(%.2f) | %.2f |\n",
                            image.name, zoom, buffer.cols, buffer.rows, full, floor, ratio,
                            within ? "within" : "OVER", zoom >= 0.25 ? ", <= 8 ms" : "", ms[2],
                            ms[2] / floor, ms[3]);
                Settle();
            }
        }

        std::printf("\nWhere the layers' time goes: each drawn alone into a copy of the buffer "
                    "(median ms, the copy subtracted), and the first full paint at the zoom, "
                    "when the texts' glyphs are rendered at a new height (one sample)\n\n| "
                    "image | zoom | guide lines | 1,000 overlays | 20 texts | logo | first paint "
                    "at the zoom |\n|---|---:|---:|---:|---:|---:|---:|\n");
        for (const LayerRow& r : layerRows) {
            std::printf("| %s | %.1f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", r.image, r.zoom,
                        r.guides, r.overlays, r.texts, r.logo, r.first);
        }
    }
    if (wants("cull")) {
        // Culling: 10,000 overlays outside the view against none.
        b.Adopt(MakeImage(20000, 20000, 0));
        b.ZoomToMiddle(1.0);
        b.SetLayers(false);
        b.panel->m_displayOverlay = true;
        std::vector<cvROI> outside = MakeOverlays(10000, 0, b.panel->m_viewport.GetVisibleROI());
        const std::vector<double> cull = MedianEachMs(31, {[&] { b.Paint(); },
                                                           [&] {
                                                               b.panel->m_overlays.swap(outside);
                                                               b.Paint();
                                                               b.panel->m_overlays.swap(outside);
                                                           }});
        const double none = cull[0];
        const double culled = cull[1];
        std::printf("\n10,000 stored overlays outside the view, 20000 x 20000 at zoom 1 (median "
                    "ms)\n\n| no overlays | 10,000 culled | added | target |\n"
                    "|---:|---:|---:|---|\n");
        std::printf("| %.2f | %.2f | %.2f | %s (< 1 ms) |\n", none, culled, culled - none,
                    culled - none < 1.0 ? "within" : "OVER");
        b.panel->ClearOverlay();
    }
    if (wants("drag")) {
        std::printf("\nDrag latency: one motion event of a rectangle-edge drag until the window "
                    "is repainted (ProcessEvent, Update, X round trip), the full paint's layers "
                    "in view, 1920 x 1080 window (median ms)\n\n| image | zoom | drag step | "
                    "paint alone | steps repainted | target |\n|---|---:|---:|---:|---:|---|\n");
        for (const double zoom : {1.0, 0.1}) {
            DragLatency(b, zoom);
        }
        b.panel->ClearImg();
    }
    if (wants("load")) {
        // SetCVmat + first paint of a 12-megapixel image, against one copy of its pixels.
        std::vector<cv::Mat> photos;
        for (int i = 0; i < 3; ++i) {
            photos.push_back(MakeImage(4000, 3000, 40 * i));
        }
        int next = 0;
        cv::Mat copy = photos[0].clone();
        // In turn: the whole load, its two halves, and the copy it is measured against.
        const std::vector<double> ms = MedianEachMs(
            31, {[&] {
                     (void)b.panel->SetCVmat(photos[next++ % 3], false, false);
                     b.Paint();
                 },
                 [&] { (void)b.panel->SetCVmat(photos[next++ % 3], false, false); },
                 [&] { b.Paint(); }, [&] { b.Paint(); },
                 [&] { photos[next++ % 3].copyTo(copy); }});
        const double load = ms[0];
        const double reused = ms[4];
        const double fresh = MedianMs(15, [&] { copy = photos[next++ % 3].clone(); });
        std::printf("\nSetCVmat(mat) + first paint of a 4000 x 3000 x 3 image, fitted to the "
                    "window (median ms); its halves measured alone, and a paint repeated\n\n| "
                    "SetCVmat + paint | SetCVmat | first paint | paint again | copy into a held "
                    "buffer | fresh copy (clone) | over the held copy | target |\n"
                    "|---:|---:|---:|---:|---:|---:|---:|---|\n");
        std::printf("| %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %s (<= copy + 3 ms) |\n",
                    load, ms[1], ms[2], ms[3], reused, fresh, load - reused,
                    load <= reused + 3.0 ? "within" : "OVER");
        // Where a fitted paint goes: the cut alone (sampling into the BGR buffer), then the cut
        // and the blit without layers (conversion into the shared image and the server's copy).
        const std::vector<double> parts =
            MedianEachMs(31, {[&] { (void)b.panel->CutVisibleBuffer(b.panel->m_matBitmap); },
                              [&] { b.PaintFloor(); }, [&] { b.Paint(); }});
        std::printf("\nThe fitted paint's parts (median ms): cut %.2f, cut + blit %.2f, whole "
                    "paint %.2f\n",
                    parts[0], parts[1], parts[2]);
    }
    if (wants("deep")) {
        DeepSources(b);
    }

    std::printf("\nLoad average (1 min) at the end: %s\n", LoadAverage().c_str());

    frame->Destroy();
    Settle();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
