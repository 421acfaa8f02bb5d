#include "roi/roi_measure.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>

#include "roi/roi_shape.h"

namespace ROIMeasure {

namespace {

// Pixel coordinates are clamped to this before they become ints: far beyond any image, and
// far enough from INT_MAX that OpenCV's line clipping cannot overflow.
constexpr double kCoordLimit = 1 << 30;

bool Finite(double v) { return std::isfinite(v); }

int ClampToInt(double v) { return static_cast<int>(std::clamp(v, -kCoordLimit, kCoordLimit)); }

// cos and sin of an angle in degrees, exact at multiples of 90 so that axis-aligned edges and
// rays do not lean by a rounding error onto pixel centres they only touch.
cv::Point2d Direction(double deg) {
    const double turn = std::fmod(deg, 360.0);
    if (std::fmod(turn, 90.0) == 0.0) {
        static const cv::Point2d kQuarters[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        return kQuarters[(static_cast<int>(turn / 90.0) + 4) % 4];
    }
    const double rad = turn * CV_PI / 180.0;
    return {std::cos(rad), std::sin(rad)};
}

double Cross(const cv::Point2d& a, const cv::Point2d& b) { return a.x * b.y - a.y * b.x; }

// Pixels whose centres can lie within [minX, maxX] x [minY, maxY], clipped to the image.
cv::Rect CandidateBox(double minX, double maxX, double minY, double maxY, cv::Size size) {
    const double x0 = std::max(std::ceil(minX - 0.5), 0.0);
    const double x1 = std::min(std::floor(maxX - 0.5), size.width - 1.0);
    const double y0 = std::max(std::ceil(minY - 0.5), 0.0);
    const double y1 = std::min(std::floor(maxY - 0.5), size.height - 1.0);
    if (!(x0 <= x1) || !(y0 <= y1)) {
        return {0, 0, 0, 0};
    }
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0) + 1,
            static_cast<int>(y1 - y0) + 1};
}

MaskBox EmptyBox() { return {}; }

MaskBox NewBox(const cv::Rect& box) {
    MaskBox out;
    if (!box.empty()) {
        out.box = box;
        out.mask = cv::Mat1b::zeros(box.size());
    }
    return out;
}

MaskBox FillPoint(const cv::Point2d& p, cv::Size size) {
    const double x = std::floor(p.x), y = std::floor(p.y);
    if (x < 0 || y < 0 || x >= size.width || y >= size.height) {
        return EmptyBox();
    }
    MaskBox out = NewBox({static_cast<int>(x), static_cast<int>(y), 1, 1});
    out.mask(0, 0) = 255;
    return out;
}

// The pixels cv::line(LINE_8, thickness 1) sets between the pixels holding the end points.
MaskBox FillLine(const cv::Point2d& a, const cv::Point2d& b, cv::Size size) {
    const cv::Point pa(ClampToInt(std::floor(a.x)), ClampToInt(std::floor(a.y)));
    const cv::Point pb(ClampToInt(std::floor(b.x)), ClampToInt(std::floor(b.y)));
    // Left to right, as cv::line walks it: the pixel set of a walk depends on its direction.
    cv::LineIterator it(size, pa, pb, 8, true);
    if (it.count <= 0) {
        return EmptyBox();
    }
    std::vector<cv::Point> pixels(static_cast<size_t>(it.count));
    for (cv::Point& px : pixels) {
        px = it.pos();
        ++it;
    }
    const cv::Rect box = cv::boundingRect(pixels) & cv::Rect(cv::Point(0, 0), size);
    MaskBox out = NewBox(box);
    for (const cv::Point& px : pixels) {
        if (box.contains(px)) {
            out.mask(px - box.tl()) = 255;
        }
    }
    return out;
}

// Even-odd scanline fill at the pixel centres' height: an edge counts for a row when it spans
// y + 0.5 half-open, and a pixel is in between crossings xa <= x + 0.5 < xb.
MaskBox FillPolygon(const std::vector<cv::Point2d>& v, cv::Size size) {
    double minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (const cv::Point2d& p : v) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    MaskBox out = NewBox(CandidateBox(minX, maxX, minY, maxY, size));
    const cv::Rect& box = out.box;
    if (box.empty()) {
        return out;
    }
    std::vector<double> crossings;
    crossings.reserve(v.size());
    for (int y = box.y; y < box.y + box.height; ++y) {
        const double py = y + 0.5;
        crossings.clear();
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
            const cv::Point2d& a = v[i];
            const cv::Point2d& b = v[j];
            if ((a.y > py) != (b.y > py)) {
                crossings.push_back(a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        uchar* row = out.mask.ptr(y - box.y);
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // x + 0.5 >= xa  <=>  x >= ceil(xa - 0.5); exact for |xa| < 2^52.
            const double from = std::max(std::ceil(crossings[k] - 0.5), double(box.x));
            const double to = std::min(std::ceil(crossings[k + 1] - 0.5),
                                       double(box.x + box.width));
            for (int x = static_cast<int>(from); x < to; ++x) {
                row[x - box.x] = 255;
            }
        }
    }
    return out;
}

// Whether the direction v from the centre lies in the closed sector from `s` turning towards
// +y by `span` degrees (0 <= span < 360); ds, de are the unit rays at the two ends.
struct Sector {
    bool whole = true;
    bool wide = false;  // more than half a turn: tested as not strictly inside the gap
    cv::Point2d ds, de, mid;

    explicit Sector(const Shape& s) {
        const double span = s.endAngle - s.startAngle;
        whole = span >= 360.0;
        if (whole) {
            return;
        }
        ds = Direction(s.startAngle);
        de = Direction(s.endAngle);
        wide = span > 180.0;
        // The middle of the sector, or of the gap; it separates a ray from its opposite.
        mid = Direction(s.startAngle + span / 2 + (wide ? 180.0 : 0.0));
    }
    bool Contains(const cv::Point2d& v) const {
        if (whole) {
            return true;
        }
        if (!wide) {
            return Cross(ds, v) >= 0 && Cross(v, de) >= 0 && mid.dot(v) >= 0;
        }
        return !(Cross(de, v) > 0 && Cross(v, ds) > 0 && mid.dot(v) > 0);
    }
};

MaskBox FillRing(const Shape& s, cv::Size size) {
    const double c = s.outerRadius;
    const cv::Point2d& o = s.centre;
    MaskBox out = NewBox(CandidateBox(o.x - c, o.x + c, o.y - c, o.y + c, size));
    const cv::Rect& box = out.box;
    const double lo2 = s.innerRadius * s.innerRadius, hi2 = c * c;
    const Sector sector(s);
    for (int y = box.y; y < box.y + box.height; ++y) {
        const double dy = y + 0.5 - o.y;
        const double dy2 = dy * dy;
        if (!(dy2 <= hi2)) {
            continue;
        }
        // The chord narrows the row to a pixel either side of it; the test below decides.
        const double half = std::sqrt(hi2 - dy2);
        const int from = static_cast<int>(std::max(std::floor(o.x - half - 0.5), double(box.x)));
        const int to = static_cast<int>(
            std::min(std::ceil(o.x + half - 0.5) + 1, double(box.x + box.width)));
        uchar* row = out.mask.ptr(y - box.y);
        for (int x = from; x < to; ++x) {
            const double dx = x + 0.5 - o.x;
            const double d2 = dx * dx + dy2;
            if (d2 >= lo2 && d2 <= hi2 && sector.Contains({dx, dy})) {
                row[x - box.x] = 255;
            }
        }
    }
    return out;
}

double ClosedLength(const std::vector<cv::Point2d>& v) {
    double length = 0.0;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        length += std::hypot(v[i].x - v[j].x, v[i].y - v[j].y);
    }
    return length;
}

// The four corners of `r` turned by `angleDeg` about its centre, in outline order.
std::vector<cv::Point2d> TurnedCorners(const cv::Rect_<float>& r, double angleDeg) {
    const cv::Point2d d = Direction(angleDeg);
    const double hw = r.width / 2.0, hh = r.height / 2.0;
    const cv::Point2d centre(r.x + hw, r.y + hh);
    std::vector<cv::Point2d> corners;
    for (const cv::Point2d& u : {cv::Point2d(-hw, -hh), cv::Point2d(hw, -hh),
                                 cv::Point2d(hw, hh), cv::Point2d(-hw, hh)}) {
        corners.emplace_back(centre.x + d.x * u.x - d.y * u.y, centre.y + d.y * u.x + d.x * u.y);
    }
    return corners;
}

// Per-channel sums over the masked pixels; CN 0 reads the channel count at run time.
struct Accumulator {
    int cn;
    std::int64_t count = 0;
    std::uint64_t sumX = 0, sumY = 0;
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
    std::vector<std::uint64_t> sum, sumSq;
    std::vector<int> min, max;

    explicit Accumulator(int channels)
        : cn(channels), sum(channels, 0), sumSq(channels, 0), min(channels, 255),
          max(channels, 0) {}

    template <int CN>
    void Row(const uchar* mask, const uchar* pixels, int y, int x0, int width) {
        const int channels = CN > 0 ? CN : cn;
        int rowCount = 0;
        for (int i = 0; i < width; ++i) {
            if (!mask[i]) {
                continue;
            }
            const uchar* px = pixels + static_cast<size_t>(i) * channels;
            for (int c = 0; c < channels; ++c) {
                const unsigned v = px[c];
                sum[c] += v;
                sumSq[c] += v * v;
                min[c] = std::min(min[c], static_cast<int>(v));
                max[c] = std::max(max[c], static_cast<int>(v));
            }
            sumX += static_cast<std::uint64_t>(x0 + i);
            minX = std::min(minX, x0 + i);
            maxX = std::max(maxX, x0 + i);
            ++rowCount;
        }
        if (rowCount > 0) {
            count += rowCount;
            sumY += static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(rowCount);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
};

}  // namespace

Shape ShapeOf(const ROIShape& shape) {
    if (shape.IsEmpty()) {
        return {};
    }
    const std::vector<cv::Point2f>& pts = shape.points;
    Shape s;
    switch (shape.mode) {
        case CvROIMode::Point:
            s.vertices = {cv::Point2d(pts[0])};
            break;
        case CvROIMode::Line:
            s.vertices = {cv::Point2d(pts[0]), cv::Point2d(pts[1])};
            break;
        case CvROIMode::Rectangle: {
            // Straight from the corner: the edges must be exactly where they were given.
            const cv::Rect_<float> r(pts[0].x, pts[0].y, pts[1].x, pts[1].y);
            s.vertices = {{r.x, r.y},
                          {double(r.x) + r.width, r.y},
                          {double(r.x) + r.width, double(r.y) + r.height},
                          {r.x, double(r.y) + r.height}};
            break;
        }
        case CvROIMode::RotatedRectangle:
            s.vertices = TurnedCorners({pts[0].x, pts[0].y, pts[1].x, pts[1].y}, shape.angle);
            break;
        case CvROIMode::Circle:
        case CvROIMode::Annulus: {
            const RingMeasures m = shape.Ring();
            s.centre = cv::Point2d(pts[0]);
            s.outerRadius = m.outerRadius;
            if (shape.mode == CvROIMode::Annulus) {
                // Start after end is the sector from end to start (as cv::ellipse draws it); an
                // inner radius beyond the outer one spans both.
                s.innerRadius = std::min(m.innerRadius, m.outerRadius);
                s.outerRadius = std::max(m.innerRadius, m.outerRadius);
                s.startAngle = std::min(m.startAngle, m.endAngle);
                s.endAngle = std::max(m.startAngle, m.endAngle);
            }
            if (!Finite(s.outerRadius)) {
                return {};
            }
            break;
        }
        case CvROIMode::Polygon:
            s.vertices.assign(pts.begin(), pts.end());
            break;
        default:
            return {};
    }
    s.mode = shape.mode;
    return s;
}

MaskBox Rasterise(const Shape& shape, cv::Size imageSize) {
    if (imageSize.width <= 0 || imageSize.height <= 0) {
        return EmptyBox();
    }
    switch (shape.mode) {
        case CvROIMode::Point:
            return FillPoint(shape.vertices.at(0), imageSize);
        case CvROIMode::Line:
            return FillLine(shape.vertices.at(0), shape.vertices.at(1), imageSize);
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
        case CvROIMode::Polygon:
            return shape.vertices.size() >= 3 ? FillPolygon(shape.vertices, imageSize)
                                               : EmptyBox();
        case CvROIMode::Circle:
        case CvROIMode::Annulus:
            return FillRing(shape, imageSize);
        default:
            return EmptyBox();
    }
}

double Perimeter(const Shape& s) {
    switch (s.mode) {
        case CvROIMode::Line:
            return std::hypot(s.vertices[1].x - s.vertices[0].x, s.vertices[1].y - s.vertices[0].y);
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
        case CvROIMode::Polygon:
            return ClosedLength(s.vertices);
        case CvROIMode::Circle:
            return 2 * CV_PI * s.outerRadius;
        case CvROIMode::Annulus: {
            const double span = s.endAngle - s.startAngle;
            if (span >= 360.0) {
                return 2 * CV_PI * (s.innerRadius + s.outerRadius);
            }
            return (s.innerRadius + s.outerRadius) * span * CV_PI / 180.0 +
                   2 * (s.outerRadius - s.innerRadius);
        }
        default:
            return 0.0;
    }
}

namespace {

// Area, perimeter, centroid (pixel centres) and bounding box of the pixels `acc` counted.
Stats RegionStats(const Accumulator& acc, const Shape& shape) {
    Stats st;
    const double n = static_cast<double>(acc.count);
    st.area = acc.count;
    st.perimeter = Perimeter(shape);
    st.centroid = {static_cast<double>(acc.sumX) / n + 0.5,
                   static_cast<double>(acc.sumY) / n + 0.5};
    st.bbox = {acc.minX, acc.minY, acc.maxX - acc.minX + 1, acc.maxY - acc.minY + 1};
    return st;
}

// Deeper images: the region's geometry from the mask alone, its values through OpenCV (sums
// in double precision; the standard deviation is the population one).
std::optional<Stats> MeasureDeep(const Shape& shape, const cv::Mat& image) {
    const MaskBox masked = Rasterise(shape, image.size());
    const cv::Rect& box = masked.box;
    if (box.empty()) {
        return std::nullopt;
    }
    Accumulator acc(1);
    for (int y = box.y; y < box.y + box.height; ++y) {
        const uchar* mask = masked.mask.ptr(y - box.y);
        acc.Row<1>(mask, mask, y, box.x, box.width);
    }
    if (acc.count == 0) {
        return std::nullopt;
    }
    Stats st = RegionStats(acc, shape);
    const cv::Mat values = image(box);
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
    const MaskBox masked = Rasterise(shape, image.size());
    const cv::Rect& box = masked.box;
    if (box.empty()) {
        return std::nullopt;
    }
    const int cn = image.channels();
    Accumulator acc(cn);
    for (int y = box.y; y < box.y + box.height; ++y) {
        const uchar* mask = masked.mask.ptr(y - box.y);
        const uchar* pixels = image.ptr(y) + static_cast<size_t>(box.x) * cn;
        switch (cn) {
            case 1:
                acc.Row<1>(mask, pixels, y, box.x, box.width);
                break;
            case 3:
                acc.Row<3>(mask, pixels, y, box.x, box.width);
                break;
            case 4:
                acc.Row<4>(mask, pixels, y, box.x, box.width);
                break;
            default:
                acc.Row<0>(mask, pixels, y, box.x, box.width);
                break;
        }
    }
    if (acc.count == 0) {
        return std::nullopt;
    }
    Stats st = RegionStats(acc, shape);
    const double n = static_cast<double>(acc.count);
    for (int c = 0; c < cn; ++c) {
        st.mean.push_back(static_cast<double>(acc.sum[c]) / n);
        // n * sum(v^2) - sum(v)^2 in exact integers: no cancellation, whatever the area.
        const unsigned __int128 spread =
            static_cast<unsigned __int128>(acc.count) * acc.sumSq[c] -
            static_cast<unsigned __int128>(acc.sum[c]) * acc.sum[c];
        st.stddev.push_back(std::sqrt(static_cast<double>(spread) / (n * n)));
        st.min.push_back(acc.min[c]);
        st.max.push_back(acc.max[c]);
    }
    return st;
}

}  // namespace ROIMeasure
