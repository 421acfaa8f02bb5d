#include "roi/display_map.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

struct NamedColormap {
    const char* name;
    int value;
};

constexpr std::array<NamedColormap, 22> kColormaps{{
    {"autumn", cv::COLORMAP_AUTUMN},
    {"bone", cv::COLORMAP_BONE},
    {"jet", cv::COLORMAP_JET},
    {"winter", cv::COLORMAP_WINTER},
    {"rainbow", cv::COLORMAP_RAINBOW},
    {"ocean", cv::COLORMAP_OCEAN},
    {"summer", cv::COLORMAP_SUMMER},
    {"spring", cv::COLORMAP_SPRING},
    {"cool", cv::COLORMAP_COOL},
    {"hsv", cv::COLORMAP_HSV},
    {"pink", cv::COLORMAP_PINK},
    {"hot", cv::COLORMAP_HOT},
    {"parula", cv::COLORMAP_PARULA},
    {"magma", cv::COLORMAP_MAGMA},
    {"inferno", cv::COLORMAP_INFERNO},
    {"plasma", cv::COLORMAP_PLASMA},
    {"viridis", cv::COLORMAP_VIRIDIS},
    {"cividis", cv::COLORMAP_CIVIDIS},
    {"twilight", cv::COLORMAP_TWILIGHT},
    {"twilight_shifted", cv::COLORMAP_TWILIGHT_SHIFTED},
    {"turbo", cv::COLORMAP_TURBO},
    {"deepgreen", cv::COLORMAP_DEEPGREEN},
}};

bool IsIntegerDepth(int depth) { return depth == CV_8U || depth == CV_16U || depth == CV_16S; }

// Number of distinct values of an integer depth, and the offset that makes them table indexes.
int TableSize(int depth) { return depth == CV_8U ? 256 : 65536; }
int TableOffset(int depth) { return depth == CV_16S ? 32768 : 0; }

template <typename T>
void LookUpRows(const cv::Mat& src, cv::Mat& dst, const uchar* table, int offset) {
    const int n = src.cols * src.channels();
    for (int y = 0; y < src.rows; ++y) {
        const T* s = src.ptr<T>(y);
        uchar* d = dst.ptr<uchar>(y);
        for (int x = 0; x < n; ++x) {
            d[x] = table[static_cast<int>(s[x]) + offset];
        }
    }
}

void LookUp(const cv::Mat& src, cv::Mat& dst, const uchar* table) {
    switch (src.depth()) {
        case CV_8U:
            LookUpRows<std::uint8_t>(src, dst, table, 0);
            break;
        case CV_16U:
            LookUpRows<std::uint16_t>(src, dst, table, 0);
            break;
        case CV_16S:
            LookUpRows<std::int16_t>(src, dst, table, 32768);
            break;
        default:
            break;
    }
}

}  // namespace

bool DisplayMap::TableKey::operator==(const TableKey& other) const {
    const bool sameLevels = levels.has_value() == other.levels.has_value() &&
                            (!levels || (levels->low == other.levels->low &&
                                         levels->high == other.levels->high));
    return sameLevels && colormap == other.colormap && depth == other.depth;
}

bool DisplayMap::SetLevels(const std::optional<DisplayLevels>& levels) {
    if (levels && (!std::isfinite(levels->low) || !std::isfinite(levels->high) ||
                   !(levels->high > levels->low))) {
        return false;
    }
    m_levels = levels;
    return true;
}

void DisplayMap::SetColormap(int colormap) { m_colormap = colormap; }

uchar DisplayMap::Level(double v) const {
    if (!m_levels) {
        return cv::saturate_cast<uchar>(v);
    }
    const double scaled = (v - m_levels->low) * 255.0 / (m_levels->high - m_levels->low);
    return static_cast<uchar>(std::clamp(std::nearbyint(scaled), 0.0, 255.0));
}

const std::vector<uchar>& DisplayMap::LevelTable(int depth) const {
    // The levelled values do not depend on the colormap.
    const TableKey key = KeyFor(depth, kGray);
    if (m_levelKey && *m_levelKey == key) {
        return m_levelTable;
    }
    const int size = TableSize(depth);
    const int offset = TableOffset(depth);
    m_levelTable.resize(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) {
        m_levelTable[static_cast<size_t>(i)] = Level(static_cast<double>(i - offset));
    }
    m_levelKey = key;
    return m_levelTable;
}

SampleColours DisplayMap::ColourTable(int depth) const {
    const TableKey key = KeyFor(depth, m_colormap);
    if (!m_colourKey || !(*m_colourKey == key)) {
        // The colours of the 256 levelled values, as cv::applyColorMap gives them.
        cv::Mat ramp(1, 256, CV_8UC1);
        for (int i = 0; i < 256; ++i) {
            ramp.at<uchar>(0, i) = static_cast<uchar>(i);
        }
        cv::Mat palette;
        if (m_colormap == kGray) {
            cv::cvtColor(ramp, palette, cv::COLOR_GRAY2BGR);
        } else {
            cv::applyColorMap(ramp, palette, m_colormap);
        }
        const std::vector<uchar>& levels = LevelTable(depth);
        m_colourTable.assign(levels.size(), 0);
        for (size_t i = 0; i < levels.size(); ++i) {
            // Bytes B, G, R first in memory, whatever the machine's byte order.
            std::memcpy(&m_colourTable[i], palette.ptr(0, levels[i]), 3);
        }
        m_colourKey = key;
    }
    return {m_colourTable.data(), TableOffset(depth)};
}

bool DisplayMap::IsPlainGrey8(const cv::Mat& image) const {
    return image.channels() == 1 && image.depth() == CV_8U && !m_levels && m_colormap == kGray;
}

bool DisplayMap::UsesColourTable(const cv::Mat& image) const {
    return image.channels() == 1 && IsIntegerDepth(image.depth()) && !IsPlainGrey8(image);
}

void DisplayMap::Render(cv::Mat& buffer) const {
    if (buffer.empty()) {
        return;
    }
    const int cn = buffer.channels();
    const int depth = buffer.depth();
    if (cn != 1 && cn != 3 && cn != 4) {
        buffer.release();
        return;
    }
    if (UsesColourTable(buffer)) {
        // Levels, colormap and grey expansion in one lookup per pixel.
        const SampleColours colours = ColourTable(depth);
        buffer = ResizeRegionNearest(buffer, cv::Rect(0, 0, buffer.cols, buffer.rows), 1.0,
                                     &colours);
        return;
    }
    if (m_levels && IsIntegerDepth(depth)) {
        cv::Mat out(buffer.size(), CV_MAKETYPE(CV_8U, cn));
        LookUp(buffer, out, LevelTable(depth).data());
        buffer = std::move(out);
    } else if (m_levels) {
        // Floats: (v - low) * 255 / (high - low), rounded and saturated by OpenCV; NaN shows
        // as 0.
        const double alpha = 255.0 / (m_levels->high - m_levels->low);
        buffer.convertTo(buffer, CV_MAKETYPE(CV_8U, cn), alpha, -m_levels->low * alpha);
    } else if (depth != CV_8U) {
        buffer.convertTo(buffer, CV_MAKETYPE(CV_8U, cn));
    }
    if (cn == 1) {
        if (m_colormap == kGray) {
            cv::cvtColor(buffer, buffer, cv::COLOR_GRAY2BGR);
        } else {
            cv::applyColorMap(buffer, buffer, m_colormap);
        }
    } else if (cn == 4) {
        // The window has nothing behind the image to blend with.
        cv::cvtColor(buffer, buffer, cv::COLOR_BGRA2BGR);
    }
}

namespace {

// Render of a scaled or cut copy, the copy dropped when Render gave a new matrix; one that
// still shares the source's pixels (an 8-bit three-channel region at zoom 1) is copied.
cv::Mat RenderCopy(const DisplayMap& map, const cv::Mat& image, cv::Mat sampled) {
    map.Render(sampled);
    if (!sampled.empty() && sampled.datastart == image.datastart) {
        return sampled.clone();
    }
    return sampled;
}

}  // namespace

cv::Mat DisplayMap::RenderRegion(const cv::Mat& image, const cv::Rect& region,
                                 double scale) const {
    if (image.empty() || region.empty()) {
        return {};
    }
    if (UsesColourTable(image)) {
        const SampleColours colours = ColourTable(image.depth());
        return ResizeRegionNearest(image, region, scale, &colours);
    }
    if (IsPlainGrey8(image) && scale < 1.0) {
        // Each sample written as three bytes while it is read: no second pass over the buffer
        // to expand it, and no lookup.
        const SampleColours grey;
        return ResizeRegionNearest(image, region, scale, &grey);
    }
    if (scale > 1.0) {
        // Magnified, the region has fewer pixels than its picture: it is rendered at source
        // size and then enlarged, the same pixels as scaling first.
        cv::Mat picture = image(region);
        Render(picture);
        if (picture.empty()) {
            return {};
        }
        return ResizeRegionNearest(picture, cv::Rect(0, 0, picture.cols, picture.rows), scale);
    }
    return RenderCopy(*this, image,
                      scale == 1.0 ? image(region) : ResizeRegionNearest(image, region, scale));
}

cv::Mat DisplayMap::RenderWindow(const cv::Mat& image, double scale,
                                 const cv::Rect& window) const {
    if (image.empty() || window.empty()) {
        return {};
    }
    if (UsesColourTable(image)) {
        const SampleColours colours = ColourTable(image.depth());
        return ResizeWindowNearest(image, scale, window, &colours);
    }
    if (IsPlainGrey8(image)) {
        const SampleColours grey;
        return ResizeWindowNearest(image, scale, window, &grey);
    }
    return RenderCopy(*this, image, ResizeWindowNearest(image, scale, window));
}

std::optional<int> ColormapByName(const std::string& name) {
    if (name == "gray") {
        return DisplayMap::kGray;
    }
    for (const NamedColormap& c : kColormaps) {
        if (name == c.name) {
            return c.value;
        }
    }
    return std::nullopt;
}

std::string ColormapName(int colormap) {
    for (const NamedColormap& c : kColormaps) {
        if (colormap == c.value) {
            return c.name;
        }
    }
    return "gray";
}

std::vector<std::string> ColormapNames() {
    std::vector<std::string> names{"gray"};
    for (const NamedColormap& c : kColormaps) {
        names.emplace_back(c.name);
    }
    return names;
}

bool IsKeptDepth(int depth) { return IsIntegerDepth(depth) || depth == CV_32F; }

void StoreSource(const cv::Mat& src, cv::Mat& dst) {
    // A header of its own: `src` may be `dst` itself, and the reference it holds keeps the
    // buffer from being written in place below.
    const cv::Mat source = src;
    if (dst.u != nullptr && dst.u->refcount > 1) {
        dst.release();
    }
    const int cn = source.channels();
    if (IsKeptDepth(source.depth())) {
        if (source.data != dst.data) {
            source.copyTo(dst);
        }
    } else if (source.depth() == CV_64F) {
        source.convertTo(dst, CV_MAKETYPE(CV_32F, cn));
    } else {
        source.convertTo(dst, CV_MAKETYPE(CV_8U, cn));
    }
}

cv::Mat SaturateTo8Bit(const cv::Mat& src) {
    if (src.empty() || src.depth() == CV_8U) {
        return src;
    }
    cv::Mat out;
    src.convertTo(out, CV_MAKETYPE(CV_8U, src.channels()));
    return out;
}

cv::Mat WorkingBGR(const cv::Mat& src) {
    cv::Mat bytes = SaturateTo8Bit(src);
    cv::Mat out;
    switch (bytes.channels()) {
        case 1:
            if (!bytes.empty()) cv::cvtColor(bytes, out, cv::COLOR_GRAY2BGR);
            return out;
        case 4:
            cv::cvtColor(bytes, out, cv::COLOR_BGRA2BGR);
            return out;
        default:
            return bytes;
    }
}

std::optional<std::vector<double>> SourcePixel(const cv::Mat& src, int x, int y) {
    if (src.empty() || src.dims != 2 || x < 0 || y < 0 || x >= src.cols || y >= src.rows) {
        return std::nullopt;
    }
    const int cn = src.channels();
    const uchar* p = src.ptr(y) + static_cast<size_t>(x) * src.elemSize();
    std::vector<double> values(static_cast<size_t>(cn));
    for (int c = 0; c < cn; ++c) {
        double v = 0.0;
        switch (src.depth()) {
            case CV_8U: v = p[c]; break;
            case CV_8S: v = reinterpret_cast<const std::int8_t*>(p)[c]; break;
            case CV_16U: v = reinterpret_cast<const std::uint16_t*>(p)[c]; break;
            case CV_16S: v = reinterpret_cast<const std::int16_t*>(p)[c]; break;
            case CV_32S: v = reinterpret_cast<const std::int32_t*>(p)[c]; break;
            case CV_32F: v = reinterpret_cast<const float*>(p)[c]; break;
            case CV_64F: v = reinterpret_cast<const double*>(p)[c]; break;
            default: return std::nullopt;
        }
        values[static_cast<size_t>(c)] = v;
    }
    return values;
}

namespace {

// Every step-th pixel of every step-th row: spread over the whole image, and cheap to read.
template <typename T, typename Visit>
void ForSamples(const cv::Mat& src, int step, Visit&& visit) {
    const int cn = src.channels();
    for (int y = step / 2; y < src.rows; y += step) {
        const T* row = src.ptr<T>(y);
        for (int x = step / 2; x < src.cols; x += step) {
            for (int c = 0; c < cn; ++c) {
                visit(row[static_cast<size_t>(x) * cn + c]);
            }
        }
    }
}

// The value of order `k` (0-based) among the counted ones.
int OrderValue(const std::vector<std::int64_t>& hist, double k, int offset) {
    std::int64_t cumulative = 0;
    for (size_t i = 0; i < hist.size(); ++i) {
        cumulative += hist[i];
        if (static_cast<double>(cumulative) > k) {
            return static_cast<int>(i) - offset;
        }
    }
    return static_cast<int>(hist.size()) - 1 - offset;
}

}  // namespace

std::optional<DisplayLevels> AutoLevels(const cv::Mat& src, double saturatedPercent) {
    if (src.empty() || src.dims != 2 || !(saturatedPercent >= 0.0) || saturatedPercent > 100.0) {
        return std::nullopt;
    }
    constexpr double kSamples = 2.0e6;
    const double pixels = static_cast<double>(src.total());
    const int step = std::max(1, static_cast<int>(std::ceil(std::sqrt(pixels / kSamples))));
    const double tail = saturatedPercent / 200.0;
    DisplayLevels levels;
    const int depth = src.depth();
    if (IsIntegerDepth(depth)) {
        const int offset = TableOffset(depth);
        std::vector<std::int64_t> hist(static_cast<size_t>(TableSize(depth)), 0);
        std::int64_t n = 0;
        const auto count = [&](auto v) {
            ++hist[static_cast<size_t>(static_cast<int>(v) + offset)];
            ++n;
        };
        if (depth == CV_8U) ForSamples<std::uint8_t>(src, step, count);
        if (depth == CV_16U) ForSamples<std::uint16_t>(src, step, count);
        if (depth == CV_16S) ForSamples<std::int16_t>(src, step, count);
        if (n == 0) {
            return std::nullopt;
        }
        const double last = static_cast<double>(n - 1);
        levels.low = OrderValue(hist, std::floor(tail * last), offset);
        levels.high = OrderValue(hist, std::ceil((1.0 - tail) * last), offset);
    } else if (depth == CV_32F || depth == CV_64F) {
        std::vector<double> values;
        values.reserve(static_cast<size_t>(std::min(pixels, kSamples * 2)) * src.channels());
        const auto keep = [&values](auto v) {
            if (std::isfinite(v)) values.push_back(static_cast<double>(v));
        };
        if (depth == CV_32F) ForSamples<float>(src, step, keep);
        if (depth == CV_64F) ForSamples<double>(src, step, keep);
        if (values.empty()) {
            return std::nullopt;
        }
        const double last = static_cast<double>(values.size() - 1);
        const auto lowAt = values.begin() + static_cast<std::ptrdiff_t>(std::floor(tail * last));
        std::nth_element(values.begin(), lowAt, values.end());
        levels.low = *lowAt;
        const auto highAt =
            values.begin() + static_cast<std::ptrdiff_t>(std::ceil((1.0 - tail) * last));
        std::nth_element(values.begin(), highAt, values.end());
        levels.high = *highAt;
    } else {
        return std::nullopt;
    }
    if (!(levels.high > levels.low)) {
        levels.high = levels.low + 1.0;
    }
    return levels;
}
