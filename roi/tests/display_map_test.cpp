#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <optional>

#include "roi/display_map.h"

namespace {

// The picture as the screen should show it, made the slow way: OpenCV's nearest-neighbour
// resize of the region, the levels formula in double precision, then the colormap.
cv::Mat Expected(const cv::Mat& image, const cv::Rect& region, double scale,
                 const std::optional<DisplayLevels>& levels, int colormap) {
    cv::Mat sampled;
    cv::resize(image(region), sampled, cv::Size(), scale, scale, cv::INTER_NEAREST);
    cv::Mat values;
    sampled.convertTo(values, CV_64F);
    if (levels) {
        values = (values - levels->low) * (255.0 / (levels->high - levels->low));
    }
    cv::Mat bytes;
    values.convertTo(bytes, CV_8U);
    cv::Mat out;
    if (bytes.channels() == 1 && colormap == DisplayMap::kGray) {
        cv::cvtColor(bytes, out, cv::COLOR_GRAY2BGR);
    } else if (bytes.channels() == 1) {
        cv::applyColorMap(bytes, out, colormap);
    } else if (bytes.channels() == 4) {
        cv::cvtColor(bytes, out, cv::COLOR_BGRA2BGR);
    } else {
        out = bytes;
    }
    return out;
}

}  // namespace

// Sampling and colouring in one pass must give the pixels of resize-then-level-then-colour, at
// every zoom, for every kept integer depth, to the last row and column of the image (large
// enough to be cut in bands on several threads), and follow changed levels and colormaps.
TEST(DisplayMapRender, RegionPicturesEqualResizeThenLevelsThenColormap) {
    const struct {
        int type;
        double low, high;  // the random values' range
    } sources[] = {{CV_8UC1, 0, 256},       {CV_16UC1, 0, 65536}, {CV_16SC1, -32768, 32768},
                   {CV_16UC3, 0, 65536},    {CV_8UC4, 0, 256},    {CV_32FC1, -50, 400}};
    const std::optional<DisplayLevels> levelsTried[] = {
        std::nullopt, DisplayLevels{10.0, 200.0}, DisplayLevels{-1000.5, 4000.0}};
    const int colormaps[] = {DisplayMap::kGray, cv::COLORMAP_VIRIDIS};
    for (const auto& source : sources) {
        cv::Mat image(1500, 1300, source.type);
        cv::theRNG().state = 5;
        cv::randu(image, cv::Scalar::all(source.low), cv::Scalar::all(source.high));
        DisplayMap map;
        for (const auto& levels : levelsTried) {
            ASSERT_TRUE(map.SetLevels(levels));
            for (const int colormap : colormaps) {
                // Float levels are computed in single precision: one grey step off at most.
                const bool floatLevels = image.depth() == CV_32F && levels;
                if (colormap != DisplayMap::kGray && (image.channels() != 1 || floatLevels)) {
                    continue;
                }
                map.SetColormap(colormap);
                for (const double scale : {0.1, 0.37, 1.0, 2.5, 20.0}) {
                    // The far corner, so the last source row and column are sampled.
                    const int side = std::min(1200, static_cast<int>(1200 / scale));
                    const cv::Rect region(image.cols - side, image.rows - side, side, side);
                    const cv::Mat shown = map.RenderRegion(image, region, scale);
                    const cv::Mat expected =
                        Expected(image, region, scale, levels, colormap);
                    ASSERT_EQ(shown.type(), CV_8UC3);
                    ASSERT_EQ(shown.size(), expected.size());
                    EXPECT_LE(cv::norm(shown, expected, cv::NORM_INF), floatLevels ? 1.0 : 0.0)
                        << "type " << source.type << " scale " << scale << " colormap "
                        << colormap << " levels " << levels.has_value();
                }
            }
        }
    }
}

// The display panel's window of the whole scaled image: the same pixels as cutting that window
// out of resize-then-colour, for a plain 8-bit grey source (sampled straight to three channels)
// and a levelled 16-bit one.
TEST(DisplayMapRender, WindowPicturesEqualTheWindowOfTheWholePicture) {
    for (const int type : {CV_8UC1, CV_16UC1}) {
        cv::Mat image(900, 1100, type);
        cv::theRNG().state = 9;
        cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(type == CV_8UC1 ? 256 : 65536));
        DisplayMap map;
        const std::optional<DisplayLevels> levels =
            type == CV_8UC1 ? std::nullopt : std::optional(DisplayLevels{100.0, 60000.0});
        ASSERT_TRUE(map.SetLevels(levels));
        for (const double scale : {0.13, 0.5, 2.5}) {
            const cv::Mat whole = Expected(image, cv::Rect(0, 0, image.cols, image.rows), scale,
                                           levels, DisplayMap::kGray);
            const cv::Rect window =
                cv::Rect(whole.cols / 3, whole.rows / 4, whole.cols / 2, whole.rows / 2) |
                cv::Rect(whole.cols - 5, whole.rows - 5, 5, 5);  // to the last row and column
            const cv::Mat shown = map.RenderWindow(image, scale, window);
            ASSERT_EQ(shown.type(), CV_8UC3);
            ASSERT_EQ(shown.size(), window.size());
            EXPECT_EQ(cv::norm(shown, whole(window), cv::NORM_INF), 0.0)
                << "type " << type << " scale " << scale;
        }
    }
}

TEST(DisplayMapRender, PicturesNeverSharePixelsWithTheSource) {
    cv::Mat image(40, 30, CV_8UC3, cv::Scalar(1, 2, 3));
    const DisplayMap map;
    cv::Mat shown = map.RenderRegion(image, cv::Rect(5, 5, 20, 20), 1.0);
    shown.setTo(cv::Scalar(9, 9, 9));  // the layers draw into the picture
    EXPECT_EQ(image.at<cv::Vec3b>(10, 10), cv::Vec3b(1, 2, 3));
    EXPECT_TRUE(map.RenderRegion(cv::Mat(4, 4, CV_8UC2), cv::Rect(0, 0, 4, 4), 1.0).empty());
}
