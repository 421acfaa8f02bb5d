// Cost of the ROI panel's buffer layers per paint, on a 1920 x 1080 view of a 20000 x 20000
// image at zoom 1: 10,000 overlays outside the view (culled), the same number of overlays in
// view, guide lines, texts and the result logo. Prints one markdown table.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "panels/roi_layers.h"

namespace {

using bench::MedianMs;

cvROI Record(CvROIMode mode, std::vector<cv::Point2f> points) {
    cvROI r;
    r.visible = true;
    r.mode = mode;
    r.points = std::move(points);
    r.color = cv::Scalar(0, 0, 255);
    r.thickness = 2;
    return r;
}

}  // namespace

int main() {
    Viewport vp;
    vp.SetOriginalSize({20000, 20000});
    vp.SetScale(1.0);
    vp.SetWindowSize({1920, 1080});
    vp.SetScrollPosition({9000, 9000});
    const cv::Mat clean(1082, 1922, CV_8UC3, cv::Scalar::all(90));
    cv::Mat buffer;
    const auto fresh = [&] { clean.copyTo(buffer); };

    // Points, polygons and rectangles spread over the image outside the visible rectangle.
    std::vector<cvROI> outside, inside;
    for (int i = 0; i < 10000; ++i) {
        const float x = static_cast<float>((i * 7919) % 8000);
        const float y = static_cast<float>((i * 104729) % 19000);
        switch (i % 3) {
            case 0:
                outside.push_back(Record(CvROIMode::Point, {{x, y}}));
                break;
            case 1:
                outside.push_back(
                    Record(CvROIMode::Polygon, {{x, y}, {x + 40, y}, {x + 20, y + 30}}));
                break;
            default:
                outside.push_back(Record(CvROIMode::Rectangle, {{x, y}, {50, 30}}));
                break;
        }
        cvROI in = outside.back();
        for (cv::Point2f& p : in.points) p += cv::Point2f(9000, 9000);
        in.points[0] = cv::Point2f(9000 + x / 8000 * 1800, 9000 + y / 19000 * 1000);
        if (in.mode == CvROIMode::Polygon) {
            in.points[1] = in.points[0] + cv::Point2f(40, 0);
            in.points[2] = in.points[0] + cv::Point2f(20, 30);
        }
        inside.push_back(in);
    }

    std::vector<cvText> texts(10);
    std::vector<const cvText*> textPtrs;
    std::vector<cv::Ptr<cv::freetype::FreeType2>> fonts;
    const std::string defaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    for (size_t i = 0; i < texts.size(); ++i) {
        texts[i].visible = true;
        texts[i].position = cv::Point2f(9100.f, 9050.f + 90.f * i);
        texts[i].lines.push_back("Measured 12.34 mm");
        texts[i].lines.push_back("Inspection OK");
        texts[i].fontHeight = 24;
        textPtrs.push_back(&texts[i]);
        fonts.push_back(roi_layers::LoadFont("", defaultFont));
    }
    cv::Ptr<cv::freetype::FreeType2> logoFont;
    int logoHeight = -1, logoBaseline = 0;
    cv::Size fitted;

    struct Row {
        std::string what;
        double ms;
        std::string target;
    };
    std::vector<Row> rows;
    const auto measure = [&](const std::string& what, const std::string& target,
                             const std::function<void()>& draw) {
        rows.push_back({what, MedianMs(31, fresh, draw), target});
    };
    measure("10,000 overlays outside the view (culled)", "< 1", [&] {
        roi_layers::DrawOverlays(buffer, vp, outside, nullptr, cv::Scalar(0, 255, 255));
    });
    measure("10,000 overlays in view", "-", [&] {
        roi_layers::DrawOverlays(buffer, vp, inside, nullptr, cv::Scalar(0, 255, 255));
    });
    // Guides of a 1920 x 1080 image seen whole (the 1:1 outline leaves two 420-pixel bands).
    Viewport whole;
    whole.SetOriginalSize({1920, 1080});
    whole.SetWindowSize({1920, 1080});
    measure("guide lines, rule of thirds", "-", [&] {
        roi_layers::DrawGuides(buffer, whole, static_cast<int>(GuideLineMode::RuleOfThirds), true,
                               GuideLineStyle{}, 0);
    });
    measure("guide lines, aspect-ratio mask 1:1 (two bands darkened)", "-", [&] {
        roi_layers::DrawGuides(buffer, whole, static_cast<int>(GuideLineMode::AspectRatioMask),
                               true, GuideLineStyle{}, static_cast<int>(AspectRatio::AR_1_1));
    });
    measure("10 texts of 2 lines", "-",
            [&] { roi_layers::DrawTexts(buffer, vp, textPtrs, fonts); });
    measure("result logo (font fitted once)", "-", [&] {
        roi_layers::DrawResultLogo(buffer, 0, "PASS", "FAIL", "RECYCLE", "", defaultFont,
                                   logoFont, logoHeight, logoBaseline, fitted);
    });

    std::printf(
        "ROI panel buffer layers, 1920 x 1080 view of a 20000 x 20000 image at zoom 1 "
        "(median ms per paint).\n\n");
    std::printf("| layer | ms | target |\n|---|---:|---|\n");
    for (const Row& r : rows) {
        std::printf("| %s | %.3f | %s |\n", r.what.c_str(), r.ms, r.target.c_str());
    }
    return 0;
}
