// The pixels of a region (declared in roi_measure.h): shapes resolved from ROIs, their pixels as
// runs and as masks, and their outline lengths.
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

// Adds the run [x0, x1) of row y when it holds a pixel, joined to the last run where they
// touch: a row then has at most one run per two pixels, whatever the polygon's crossings.
void AddRun(SpanSet& out, int y, int x0, int x1) {
    if (x0 >= x1) {
        return;
    }
    if (!out.spans.empty() && out.spans.back().y == y && out.spans.back().x1 == x0) {
        out.spans.back().x1 = x1;
        return;
    }
    out.spans.push_back({y, x0, x1});
}

SpanSet FillPoint(const cv::Point2d& p, cv::Size size) {
    const double x = std::floor(p.x), y = std::floor(p.y);
    if (x < 0 || y < 0 || x >= size.width || y >= size.height) {
        return {};
    }
    SpanSet out;
    out.box = {static_cast<int>(x), static_cast<int>(y), 1, 1};
    AddRun(out, out.box.y, out.box.x, out.box.x + 1);
    return out;
}

// The pixels cv::line(LINE_8, thickness 1) sets between the pixels holding the end points.
SpanSet FillLine(const cv::Point2d& a, const cv::Point2d& b, cv::Size size) {
    const cv::Point pa(ClampToInt(std::floor(a.x)), ClampToInt(std::floor(a.y)));
    const cv::Point pb(ClampToInt(std::floor(b.x)), ClampToInt(std::floor(b.y)));
    // Left to right, as cv::line walks it: the pixel set of a walk depends on its direction.
    cv::LineIterator it(size, pa, pb, 8, true);
    if (it.count <= 0) {
        return {};
    }
    std::vector<cv::Point> pixels;
    pixels.reserve(static_cast<size_t>(it.count));
    const cv::Rect image(cv::Point(0, 0), size);
    for (int i = 0; i < it.count; ++i, ++it) {
        if (image.contains(it.pos())) {
            pixels.push_back(it.pos());
        }
    }
    SpanSet out;
    if (pixels.empty()) {
        return out;
    }
    out.box = cv::boundingRect(pixels);
    // Row by row, each pixel once: runs must not overlap, or a pixel would count twice.
    std::sort(pixels.begin(), pixels.end(), [](const cv::Point& l, const cv::Point& r) {
        return l.y != r.y ? l.y < r.y : l.x < r.x;
    });
    pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    for (size_t i = 0; i < pixels.size();) {
        size_t j = i + 1;
        while (j < pixels.size() && pixels[j].y == pixels[i].y &&
               pixels[j].x == pixels[j - 1].x + 1) {
            ++j;
        }
        AddRun(out, pixels[i].y, pixels[i].x, pixels[j - 1].x + 1);
        i = j;
    }
    return out;
}

// Even-odd scanline fill at the pixel centres' height: an edge counts for a row when it spans
// y + 0.5 half-open, and a pixel is in between crossings xa <= x + 0.5 < xb.
SpanSet FillPolygon(const std::vector<cv::Point2d>& v, cv::Size size) {
    double minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (const cv::Point2d& p : v) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    SpanSet out;
    out.box = CandidateBox(minX, maxX, minY, maxY, size);
    const cv::Rect& box = out.box;
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
        // Sorted pairs give runs in order that never overlap.
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // x + 0.5 >= xa  <=>  x >= ceil(xa - 0.5); exact for |xa| < 2^52.
            const double from = std::max(std::ceil(crossings[k] - 0.5), double(box.x));
            const double to = std::min(std::ceil(crossings[k + 1] - 0.5),
                                       double(box.x + box.width));
            if (from < to) {
                AddRun(out, y, static_cast<int>(from), static_cast<int>(to));
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

SpanSet FillRing(const Shape& s, cv::Size size) {
    const double c = s.outerRadius;
    const cv::Point2d& o = s.centre;
    SpanSet out;
    out.box = CandidateBox(o.x - c, o.x + c, o.y - c, o.y + c, size);
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
        const auto d2 = [&](int x) {
            const double dx = x + 0.5 - o.x;
            return dx * dx + dy2;
        };
        if (sector.whole) {
            // Along a row d2 falls to the centre's column and rises after it (rounding keeps
            // that order), so the outer disc is one run and the inner hole another: their
            // ends are found from the outside in, each pixel tested as the test below would.
            int l = from, r = to - 1;
            while (l <= r && !(d2(l) <= hi2)) {
                ++l;
            }
            while (r >= l && !(d2(r) <= hi2)) {
                --r;
            }
            if (lo2 <= 0) {  // no hole: every d2 is at least 0
                AddRun(out, y, l, r + 1);
                continue;
            }
            int a = l;
            while (a <= r && d2(a) >= lo2) {
                ++a;
            }
            if (a > r) {
                AddRun(out, y, l, r + 1);
                continue;
            }
            int b = r;
            while (b > a && d2(b) >= lo2) {
                --b;
            }
            AddRun(out, y, l, a);
            AddRun(out, y, b + 1, r + 1);
            continue;
        }
        int runStart = -1;
        for (int x = from; x < to; ++x) {
            const double dx = x + 0.5 - o.x;
            const double dist2 = dx * dx + dy2;
            const bool in = dist2 >= lo2 && dist2 <= hi2 && sector.Contains({dx, dy});
            if (in && runStart < 0) {
                runStart = x;
            } else if (!in && runStart >= 0) {
                AddRun(out, y, runStart, x);
                runStart = -1;
            }
        }
        if (runStart >= 0) {
            AddRun(out, y, runStart, to);
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

SpanSet Spans(const Shape& shape, cv::Size imageSize) {
    if (imageSize.width <= 0 || imageSize.height <= 0) {
        return {};
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
                                               : SpanSet{};
        case CvROIMode::Circle:
        case CvROIMode::Annulus:
            return FillRing(shape, imageSize);
        default:
            return {};
    }
}

MaskBox Rasterise(const Shape& shape, cv::Size imageSize) {
    return Paint(Spans(shape, imageSize));
}

MaskBox Paint(const SpanSet& set) {
    MaskBox out;
    if (set.box.empty()) {
        return out;
    }
    out.box = set.box;
    out.mask = cv::Mat1b::zeros(set.box.size());
    for (const Span& run : set.spans) {
        uchar* row = out.mask.ptr(run.y - set.box.y);
        std::fill(row + (run.x0 - set.box.x), row + (run.x1 - set.box.x), uchar(255));
    }
    return out;
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

}  // namespace ROIMeasure
