#include "roi/roi_measure.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "roi/roi_channel_sums.h"

namespace ROIMeasure {

namespace {

// Area, perimeter, centroid (pixel centres) and bounding box of the pixels of the runs.
struct Region {
    std::int64_t count = 0;
    std::uint64_t sumX = 0, sumY = 0;
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;

    void Add(const Span& run) {
        const std::uint64_t n = static_cast<std::uint64_t>(run.x1 - run.x0);
        count += static_cast<std::int64_t>(n);
        // x0 + (x0 + 1) + ... + (x1 - 1)
        sumX += n * static_cast<std::uint64_t>(run.x0) + n * (n - 1) / 2;
        sumY += n * static_cast<std::uint64_t>(run.y);
        minX = std::min(minX, run.x0);
        maxX = std::max(maxX, run.x1 - 1);
        minY = std::min(minY, run.y);
        maxY = std::max(maxY, run.y);
    }

    Stats ToStats(const Shape& shape) const {
        Stats st;
        const double n = static_cast<double>(count);
        st.area = count;
        st.perimeter = Perimeter(shape);
        st.centroid = {static_cast<double>(sumX) / n + 0.5, static_cast<double>(sumY) / n + 0.5};
        st.bbox = {minX, minY, maxX - minX + 1, maxY - minY + 1};
        return st;
    }
};

Region RegionOf(const SpanSet& set) {
    Region region;
    for (const Span& run : set.spans) {
        region.Add(run);
    }
    return region;
}

// Deeper images: the region's geometry from the runs, its values through OpenCV (sums in
// double precision; the standard deviation is the population one).
std::optional<Stats> MeasureDeep(const Shape& shape, const cv::Mat& image) {
    const SpanSet set = Spans(shape, image.size());
    const Region region = RegionOf(set);
    if (region.count == 0) {
        return std::nullopt;
    }
    Stats st = region.ToStats(shape);
    const MaskBox masked = Paint(set);
    const cv::Mat values = image(masked.box);
    cv::Mat mean;
    cv::Mat stddev;
    cv::meanStdDev(values, mean, stddev, masked.mask);
    for (int c = 0; c < image.channels(); ++c) {
        st.mean.push_back(mean.at<double>(c));
        st.stddev.push_back(stddev.at<double>(c));
        cv::Mat channel;
        cv::extractChannel(values, channel, c);
        double lo = 0.0;
        double hi = 0.0;
        cv::minMaxIdx(channel, &lo, &hi, nullptr, nullptr, masked.mask);
        st.min.push_back(lo);
        st.max.push_back(hi);
    }
    return st;
}

}  // namespace

std::optional<Stats> Measure(const Shape& shape, const cv::Mat& image) {
    if (image.empty() || image.dims != 2) {
        return std::nullopt;
    }
    const int depth = image.depth();
    if (depth == CV_16U || depth == CV_16S || depth == CV_32F || depth == CV_64F) {
        return image.channels() <= 4 ? MeasureDeep(shape, image) : std::nullopt;
    }
    if (depth != CV_8U) {
        return std::nullopt;
    }
    // The runs straight from the shape, and each run's pixels read once: no mask is built.
    const SpanSet set = Spans(shape, image.size());
    const int cn = image.channels();
    Region region;
    ChannelSums sums(cn);
    for (const Span& run : set.spans) {
        region.Add(run);
        sums.Add(image.ptr(run.y) + static_cast<size_t>(run.x0) * cn, run.x1 - run.x0);
    }
    if (region.count == 0) {
        return std::nullopt;
    }
    Stats st = region.ToStats(shape);
    const double n = static_cast<double>(region.count);
    for (int c = 0; c < cn; ++c) {
        const std::uint64_t sum = sums.Sum(c);
        st.mean.push_back(static_cast<double>(sum) / n);
        // n * sum(v^2) - sum(v)^2 in exact integers: no cancellation, whatever the area.
        const unsigned __int128 spread =
            static_cast<unsigned __int128>(region.count) * sums.SumSq(c) -
            static_cast<unsigned __int128>(sum) * sum;
        st.stddev.push_back(std::sqrt(static_cast<double>(spread) / (n * n)));
        st.min.push_back(sums.Min(c));
        st.max.push_back(sums.Max(c));
    }
    return st;
}

}  // namespace ROIMeasure
