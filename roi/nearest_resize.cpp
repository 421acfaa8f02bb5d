#include "roi/nearest_resize.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

cv::Size NearestScaledSize(const cv::Size& source, double scale) {
    if (!(scale > 0.0) || !std::isfinite(scale) || source.width <= 0 || source.height <= 0) {
        return {0, 0};
    }
    const double w = std::nearbyint(source.width * scale);
    const double h = std::nearbyint(source.height * scale);
    if (!(w >= 1.0) || !(h >= 1.0) || w > INT_MAX || h > INT_MAX) {
        return {0, 0};
    }
    return {static_cast<int>(w), static_cast<int>(h)};
}

namespace {

// Source index of every destination index, as cv::resize's nearest-neighbour path maps it.
std::vector<int> SourceIndexes(int dstLength, int srcLength, double scale) {
    std::vector<int> index(static_cast<size_t>(dstLength));
    const double inverse = 1.0 / scale;
    for (int i = 0; i < dstLength; ++i) {
        index[static_cast<size_t>(i)] =
            std::min(static_cast<int>(std::floor(i * inverse)), srcLength - 1);
    }
    return index;
}

template <typename Pixel>
void GatherRow(const uchar* src, uchar* dst, const int* xIndex, int width) {
    const auto* s = reinterpret_cast<const Pixel*>(src);
    auto* d = reinterpret_cast<Pixel*>(dst);
    for (int x = 0; x < width; ++x) {
        d[x] = s[xIndex[x]];
    }
}

struct Rgb {
    uchar v[3];
};

void GatherRowAny(const uchar* src, uchar* dst, const int* xIndex, int width, size_t pixelSize) {
    for (int x = 0; x < width; ++x) {
        std::memcpy(dst + x * pixelSize, src + static_cast<size_t>(xIndex[x]) * pixelSize,
                    pixelSize);
    }
}

}  // namespace

cv::Mat ResizeRegionNearest(const cv::Mat& image, const cv::Rect& region, double scale) {
    const cv::Size dstSize = NearestScaledSize(region.size(), scale);
    if (dstSize.empty() || image.empty()) {
        return {};
    }
    cv::Mat dst(dstSize, image.type());
    const size_t pixelSize = image.elemSize();
    const std::vector<int> xIndex = SourceIndexes(dstSize.width, region.width, scale);
    const std::vector<int> yIndex = SourceIndexes(dstSize.height, region.height, scale);
    const size_t rowBytes = pixelSize * static_cast<size_t>(dstSize.width);

    // Only the source rows and pixels that the sampling picks are read, so the cost follows
    // the output size; magnified rows repeat, and a repeated row is one memcpy.
    for (int y = 0; y < dstSize.height; ++y) {
        uchar* d = dst.ptr(y);
        if (y > 0 && yIndex[static_cast<size_t>(y)] == yIndex[static_cast<size_t>(y) - 1]) {
            std::memcpy(d, dst.ptr(y - 1), rowBytes);
            continue;
        }
        const uchar* s = image.ptr(region.y + yIndex[static_cast<size_t>(y)]) +
                         static_cast<size_t>(region.x) * pixelSize;
        switch (pixelSize) {
            case 1:
                GatherRow<uchar>(s, d, xIndex.data(), dstSize.width);
                break;
            case 2:
                GatherRow<ushort>(s, d, xIndex.data(), dstSize.width);
                break;
            case 3:
                GatherRow<Rgb>(s, d, xIndex.data(), dstSize.width);
                break;
            case 4:
                GatherRow<unsigned>(s, d, xIndex.data(), dstSize.width);
                break;
            default:
                GatherRowAny(s, d, xIndex.data(), dstSize.width, pixelSize);
                break;
        }
    }
    return dst;
}
