// Cost of one repaint's image work: Viewport::ExtractVisibleRegion for a 1920 x 1080 window
// over a 20000 x 20000 three-channel image, scrolled to the middle, at several zoom levels.
// References: memcpy of the output buffer, and below zoom 1 memcpy of the source rows that
// nearest-neighbour sampling must read (1080 rows of the visible source width), which is the
// memory-traffic floor there. Prints one markdown table.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/bench_timing.h"
#include "roi/viewport.h"

using bench::MedianMs;

int main() {
    const cv::Size imageSize(20000, 20000);
    const cv::Size window(1920, 1080);
    // Every page written, so reads hit real memory rather than the shared zero page.
    cv::Mat image(imageSize, CV_8UC3);
    for (int y = 0; y < image.rows; ++y) {
        std::memset(image.ptr(y), (y * 7) & 0xff, image.cols * 3);
    }

    const size_t outBytes = static_cast<size_t>(window.width) * window.height * 3;
    std::vector<unsigned char> outSrc(outBytes, 1), outDst(outBytes, 0);
    const double memcpyOut =
        MedianMs(31, [&] { std::memcpy(outDst.data(), outSrc.data(), outBytes); });

    std::printf(
        "Viewport::ExtractVisibleRegion, 1920 x 1080 window over a 20000 x 20000 x 3 "
        "image, scrolled to the middle (median ms). Reference: memcpy of the output buffer "
        "at zoom >= 1, of 1080 visible-width source rows below zoom 1.\n\n");
    std::printf(
        "| zoom | output (px) | visible source (px) | ExtractVisibleRegion (ms) | "
        "clone + cv::resize (ms) | reference memcpy (ms) | ratio | target |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---|\n");
    for (double zoom : {0.1, 0.25, 1.0, 3.7, 20.0}) {
        Viewport v;
        v.SetOriginalSize(imageSize);
        v.SetScale(zoom);
        v.SetWindowSize(window);
        const cv::Size virt = v.GetVirtualSize();
        v.SetScrollPosition(
            {virt.width / 2 - window.width / 2, virt.height / 2 - window.height / 2});
        const cv::Rect visible = v.GetVisibleROI();

        cv::Mat out;
        const double extract = MedianMs(15, [&] { out = v.ExtractVisibleRegion(image); });
        // The straightforward way: copy the visible region, then scale the copy.
        cv::Mat viaClone;
        const double cloneResize = MedianMs(zoom < 1.0 ? 3 : 9, [&] {
            cv::Mat cut = image(visible).clone();
            if (std::abs(zoom - 1.0) > 0.01) {
                cv::resize(cut, viaClone, cv::Size(), zoom, zoom, cv::INTER_NEAREST);
            } else {
                viaClone = cut;
            }
        });
        const bool same =
            out.size() == viaClone.size() && cv::norm(out, viaClone, cv::NORM_INF) == 0;

        double reference = memcpyOut;
        double factor = 5.0;
        if (zoom < 1.0) {
            // 1080 rows of the visible source width.
            const size_t rowBytes = static_cast<size_t>(visible.width) * 3;
            const size_t rows = static_cast<size_t>(window.height);
            std::vector<unsigned char> dst(rowBytes * rows);
            reference = MedianMs(15, [&] {
                for (size_t r = 0; r < rows; ++r) {
                    const int sy = visible.y + static_cast<int>(r * (visible.height - 1) / rows);
                    std::memcpy(dst.data() + r * rowBytes, image.ptr(sy) + visible.x * 3, rowBytes);
                }
            });
            factor = 2.0;
        }
        const double ratio = extract / reference;
        std::printf("| %.2f | %d x %d | %d x %d | %.2f | %.2f | %.2f | %.2f | %s %.0fx%s |\n", zoom,
                    out.cols, out.rows, visible.width, visible.height, extract, cloneResize,
                    reference, ratio, ratio <= factor ? "within" : "OVER", factor,
                    same ? "" : " (RESULT DIFFERS)");
    }
    return 0;
}
