// DisplayMap: how a panel's source image (8- or 16-bit integer or 32-bit float samples, one,
// three or four channels) becomes the 8-bit three-channel picture on the screen, one visible
// buffer at a time. By default values are saturated (below 0 shows as 0, above 255 as 255,
// floats rounded); display levels map `low`..`high` onto 0..255 for every channel; a colormap
// colours one-channel sources after levelling. Also the values behind the numbers a user reads
// (pixel values, automatic levels). Plain value, no window.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "roi/nearest_resize.h"

struct DisplayLevels {
    double low = 0.0;
    double high = 255.0;
};

class DisplayMap {
  public:
    // The default colormap: grey values shown as grey.
    static constexpr int kGray = -1;

    // Levels must be finite with high > low; false (nothing changed) otherwise.
    [[nodiscard]] bool SetLevels(const std::optional<DisplayLevels>& levels);
    [[nodiscard]] const std::optional<DisplayLevels>& Levels() const { return m_levels; }
    // kGray or an OpenCV cv::ColormapTypes value.
    void SetColormap(int colormap);
    [[nodiscard]] int Colormap() const { return m_colormap; }

    // Turns `buffer` (any depth, 1, 3 or 4 channels) into the 8-bit three-channel picture:
    // the header is replaced by a new matrix, or left as it is when it already is that picture
    // (the pixels it referred to are never written, so it may be a view of an image). Empty
    // for another channel count.
    void Render(cv::Mat& buffer) const;
    // The picture of image(region) scaled by `scale` (nearest neighbour, as
    // ResizeRegionNearest; 1 takes the region as it is): a new CV_8UC3 matrix that shares no
    // pixels with `image`. Scaling comes before levelling, so only the sampled pixels are
    // mapped; a one-channel integer source is sampled and coloured in one pass. Empty when
    // nothing is left or Render refuses the channel count.
    [[nodiscard]] cv::Mat RenderRegion(const cv::Mat& image, const cv::Rect& region,
                                       double scale) const;
    // RenderRegion of the part `window` of the whole image scaled by `scale`, as
    // ResizeWindowNearest samples it.
    [[nodiscard]] cv::Mat RenderWindow(const cv::Mat& image, double scale,
                                       const cv::Rect& window) const;

  private:
    // What the cached tables were made for.
    struct TableKey {
        std::optional<DisplayLevels> levels;
        int colormap = kGray;
        int depth = -1;
        bool operator==(const TableKey& other) const;
    };
    [[nodiscard]] TableKey KeyFor(int depth, int colormap) const {
        return {m_levels, colormap, depth};
    }
    // A one-channel 8-bit source shown as it is: its grey value in B, G and R.
    [[nodiscard]] bool IsPlainGrey8(const cv::Mat& image) const;
    // A one-channel source shown through the colour table: integer depths but plain 8-bit grey
    // (copied and expanded, or sampled straight to three channels, without a lookup).
    [[nodiscard]] bool UsesColourTable(const cv::Mat& image) const;
    // One-channel integer sources: every possible value's BGR picture (the first three bytes
    // of each entry), made once per levels, colormap and depth, so a paint is one lookup per
    // sampled pixel.
    [[nodiscard]] SampleColours ColourTable(int depth) const;
    // Every possible value's levelled 8-bit value (8- and 16-bit integer depths), cached as
    // the colour table is.
    const std::vector<uchar>& LevelTable(int depth) const;
    [[nodiscard]] uchar Level(double v) const;

    std::optional<DisplayLevels> m_levels;
    int m_colormap = kGray;
    mutable std::vector<std::uint32_t> m_colourTable;
    mutable std::optional<TableKey> m_colourKey;
    mutable std::vector<uchar> m_levelTable;
    mutable std::optional<TableKey> m_levelKey;
};

// The colormap of a lower-case name ("gray", "viridis", "jet", ...); nothing for an unknown
// name. ColormapName is the reverse ("gray" for kGray).
[[nodiscard]] std::optional<int> ColormapByName(const std::string& name);
[[nodiscard]] std::string ColormapName(int colormap);
[[nodiscard]] std::vector<std::string> ColormapNames();

// Depths a panel keeps as they are (8U, 16U, 16S, 32F); others are stored converted.
[[nodiscard]] bool IsKeptDepth(int depth);
// `src` as a panel stores it, written into `dst` (a buffer of the same size and type is
// reused unless shared): kept depths as they are, 64-bit float as 32-bit float, any other
// depth saturated to 8 bits.
void StoreSource(const cv::Mat& src, cv::Mat& dst);

// The source saturated to 8 bits with its own channels (the image itself when already 8-bit).
[[nodiscard]] cv::Mat SaturateTo8Bit(const cv::Mat& src);
// The spec'd three-channel 8-bit working picture: saturated, grey expanded, alpha dropped.
[[nodiscard]] cv::Mat WorkingBGR(const cv::Mat& src);

// The values at (x, y), one per channel; nothing outside the image.
[[nodiscard]] std::optional<std::vector<double>> SourcePixel(const cv::Mat& src, int x, int y);

// Levels that leave `saturatedPercent` per cent of the source's values (all channels, NaN
// skipped) outside, half at each end, read from at most about two million samples spread over
// the image. A constant image gets high = low + 1. Nothing for an empty image or one without
// a finite value, or a percentage outside 0..100.
[[nodiscard]] std::optional<DisplayLevels> AutoLevels(const cv::Mat& src, double saturatedPercent);
