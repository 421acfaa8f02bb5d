#include "roi/draw_safety.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace roi_draw {

namespace {

// Circles up to this radius go to cv::circle even on its thin path, whose cost grows with the
// radius; larger thin or filled circles are rasterised row by row over the target instead.
constexpr double kMaxDirectRadius = 65536.0;

bool Finite(const cv::Point2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// OpenCV's drawing functions take colours of at most four channels.
bool Drawable(const cv::Mat& img) { return !img.empty() && img.channels() <= 4; }

bool InRange(const cv::Point2d& p) {
    return Finite(p) && std::abs(p.x) <= kMaxCoord && std::abs(p.y) <= kMaxCoord;
}

bool LineTypeOk(int lineType) {
    return lineType == cv::LINE_4 || lineType == cv::LINE_8 || lineType == cv::LINE_AA;
}

cv::Point ToPoint(const cv::Point2d& p) { return {static_cast<int>(p.x), static_cast<int>(p.y)}; }

cv::Point2d Round(const cv::Point2d& p) { return {std::nearbyint(p.x), std::nearbyint(p.y)}; }

// Nearest and farthest distance from c to the pixel centres' box of the target.
void DistanceRange(const cv::Mat& img, const cv::Point2d& c, double& nearest, double& farthest) {
    const double right = img.cols - 1.0;
    const double bottom = img.rows - 1.0;
    const double nx = std::clamp(c.x, 0.0, right) - c.x;
    const double ny = std::clamp(c.y, 0.0, bottom) - c.y;
    nearest = std::hypot(nx, ny);
    const double fx = std::max(std::abs(c.x), std::abs(c.x - right));
    const double fy = std::max(std::abs(c.y), std::abs(c.y - bottom));
    farthest = std::hypot(fx, fy);
}

// Fills the pixels whose centres lie between radii inner and outer around c, row by row.
void FillRing(cv::Mat& img, const cv::Point2d& c, double inner, double outer,
              const cv::Scalar& color) {
    const double top = std::max(0.0, std::ceil(c.y - outer));
    const double bottom = std::min(img.rows - 1.0, std::floor(c.y + outer));
    const auto span = [&](int y, double lo, double hi) {
        const double x0 = std::max(0.0, std::ceil(lo));
        const double x1 = std::min(img.cols - 1.0, std::floor(hi));
        if (x0 <= x1) {
            img(cv::Rect(static_cast<int>(x0), y, static_cast<int>(x1 - x0) + 1, 1)).setTo(color);
        }
    };
    for (double yy = top; yy <= bottom; yy += 1.0) {
        const double dy = std::abs(yy - c.y);
        if (dy > outer) {
            continue;
        }
        // (r - dy)(r + dy) keeps precision when r and dy are both large.
        const double xo = std::sqrt((outer - dy) * (outer + dy));
        const int y = static_cast<int>(yy);
        if (inner > dy) {
            const double xi = std::sqrt((inner - dy) * (inner + dy));
            span(y, c.x - xo, c.x - xi);
            span(y, c.x + xi, c.x + xo);
        } else {
            span(y, c.x - xo, c.x + xo);
        }
    }
}

// Sample i of a sampled shaft: t = d / len, rounded half up by truncation after + 0.5.
cv::Point2d Sample(const cv::Point2d& a, const cv::Point2d& b, double d, double len) {
    const double t = d / len;
    return {std::trunc(a.x * (1.0 - t) + t * b.x + 0.5),
            std::trunc(a.y * (1.0 - t) + t * b.y + 0.5)};
}

// Shaft length as the drawing code measures it (float), and the number of samples
// d = 0, gap, 2 gap, ... with d < len. False when there is nothing to sample.
bool SampleCount(const cv::Point2d& a, const cv::Point2d& b, int gap, double& len,
                 long long& count) {
    if (gap <= 0 || !Finite(a) || !Finite(b)) {
        return false;
    }
    len = std::hypot(static_cast<float>(a.x - b.x), static_cast<float>(a.y - b.y));
    if (!std::isfinite(len) || !(len > 0.0)) {
        return false;
    }
    // Beyond 2^50 samples, double positions can no longer tell one sample from the next: no
    // dash pattern is left to draw.
    const double samples = std::ceil(len / gap);
    if (samples > 1125899906842624.0) {
        return false;
    }
    count = static_cast<long long>(samples);
    while (count > 0 && static_cast<double>(count - 1) * gap >= len) {
        --count;
    }
    while (static_cast<double>(count) * gap < len) {
        ++count;
    }
    return count > 0;
}

// Distance range [dmin, dmax] along a-b that passes within `margin` of the target.
bool VisibleDistances(const cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, double len,
                      double margin, double& dmin, double& dmax) {
    double t0 = 0.0, t1 = 1.0;
    if (!ClipSegment(-margin, -margin, img.cols - 1.0 + margin, img.rows - 1.0 + margin, a, b, t0,
                     t1)) {
        return false;
    }
    dmin = t0 * len;
    dmax = t1 * len;
    return true;
}

}  // namespace

bool ClipSegment(double xmin, double ymin, double xmax, double ymax, const cv::Point2d& a,
                 const cv::Point2d& b, double& t0, double& t1) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    if (!Finite(a) || !std::isfinite(dx) || !std::isfinite(dy)) {
        return false;
    }
    t0 = 0.0;
    t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - xmin, xmax - a.x, a.y - ymin, ymax - a.y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) {
                return false;
            }
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0.0) {
            if (r > t1) {
                return false;
            }
            t0 = std::max(t0, r);
        } else {
            if (r < t0) {
                return false;
            }
            t1 = std::min(t1, r);
        }
    }
    return t0 <= t1;
}

void Line(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
          int thickness, int lineType) {
    if (!Drawable(img) || thickness <= 0 || thickness > kMaxThickness || !LineTypeOk(lineType)) {
        return;
    }
    if (InRange(a) && InRange(b)) {
        cv::line(img, ToPoint(a), ToPoint(b), color, thickness, lineType);
        return;
    }
    // Far geometry: keep the part near the target (with room for the pen) in double.
    const double m = thickness + 2.0;
    double t0 = 0.0, t1 = 1.0;
    if (!ClipSegment(-m, -m, img.cols - 1.0 + m, img.rows - 1.0 + m, a, b, t0, t1)) {
        return;
    }
    const cv::Point2d d = b - a;
    cv::line(img, ToPoint(Round(a + d * t0)), ToPoint(Round(a + d * t1)), color, thickness,
             lineType);
}

void ClippedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                 int thickness) {
    if (!Drawable(img)) {
        return;
    }
    if (InRange(a) && InRange(b)) {
        cv::Point pa = ToPoint(a), pb = ToPoint(b);
        if (cv::clipLine(cv::Size(img.cols, img.rows), pa, pb)) {
            Line(img, pa, pb, color, thickness, cv::LINE_8);
        }
        return;
    }
    double t0 = 0.0, t1 = 1.0;
    if (!ClipSegment(0.0, 0.0, img.cols - 1.0, img.rows - 1.0, a, b, t0, t1)) {
        return;
    }
    const cv::Point2d d = b - a;
    Line(img, Round(a + d * t0), Round(a + d * t1), color, thickness, cv::LINE_8);
}

void Circle(cv::Mat& img, const cv::Point2d& centre, double radius, const cv::Scalar& color,
            int thickness, int lineType) {
    if (!Drawable(img) || !Finite(centre) || std::isnan(radius) || radius < 0.0 ||
        thickness > kMaxThickness || !LineTypeOk(lineType)) {
        return;
    }
    const bool filled = thickness < 0;
    const double halfPen = std::max(thickness, 1) / 2.0;
    double nearest = 0.0, farthest = 0.0;
    DistanceRange(img, centre, nearest, farthest);
    // Nothing of the circle reaches the target: skip it whatever its size.
    if (radius + halfPen + 2.0 < nearest || (!filled && radius - halfPen - 2.0 > farthest)) {
        return;
    }
    const bool thinPath = thickness <= 1 && lineType == cv::LINE_8;
    if (InRange(centre) && radius <= kMaxCoord && (!thinPath || radius <= kMaxDirectRadius)) {
        cv::circle(img, ToPoint(centre), static_cast<int>(radius), color, thickness, lineType);
        return;
    }
    if (filled) {
        FillRing(img, centre, 0.0, radius + 0.5, color);
    } else {
        FillRing(img, centre, std::max(0.0, radius - std::max(halfPen, 0.5)),
                 radius + std::max(halfPen, 0.5), color);
    }
}

void EllipseArc(cv::Mat& img, const cv::Point2d& centre, double axisX, double axisY,
                double startDeg, double endDeg, const cv::Scalar& color, int thickness,
                int lineType) {
    if (!Drawable(img) || !Finite(centre) || !std::isfinite(axisX) || !std::isfinite(axisY) ||
        axisX < 0.0 || axisY < 0.0 || !std::isfinite(startDeg) || !std::isfinite(endDeg) ||
        thickness > kMaxThickness || !LineTypeOk(lineType)) {
        return;
    }
    const double reach = std::max(axisX, axisY) + std::max(thickness, 1) + 2.0;
    if (centre.x + reach < 0.0 || centre.y + reach < 0.0 || centre.x - reach > img.cols - 1.0 ||
        centre.y - reach > img.rows - 1.0) {
        return;
    }
    // OpenCV's own polygon for an ellipse this large bears no relation to the curve.
    if (!InRange(centre) || axisX > kMaxCoord || axisY > kMaxCoord) {
        return;
    }
    // OpenCV walks huge angles down 360 degrees at a time; shifting both ends by the same
    // multiple of 360 draws the same arc.
    if (std::abs(endDeg - startDeg) >= 360.0) {
        startDeg = 0.0;
        endDeg = 360.0;
    } else if (std::max(std::abs(startDeg), std::abs(endDeg)) > 3600.0) {
        const double shift = std::floor(std::min(startDeg, endDeg) / 360.0) * 360.0;
        startDeg -= shift;
        endDeg -= shift;
    }
    cv::ellipse(img, ToPoint(centre), cv::Size(static_cast<int>(axisX), static_cast<int>(axisY)),
                0.0, startDeg, endDeg, color, thickness, lineType);
}

void DashedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                int thickness, int gap) {
    double len = 0.0;
    long long count = 0;
    // Every dash would be refused; the visible stretch would also grow with the pen width.
    if (!Drawable(img) || thickness <= 0 || thickness > kMaxThickness ||
        !SampleCount(a, b, gap, len, count)) {
        return;
    }
    double dmin = 0.0, dmax = 0.0;
    if (!VisibleDistances(img, a, b, len, thickness + 2.0, dmin, dmax)) {
        return;
    }
    // Dash j runs from sample 2j to sample 2j + 1; visit only those around [dmin, dmax].
    const double period = 2.0 * gap;
    const long long first = std::max(0LL, static_cast<long long>(std::floor(dmin / period)) - 1);
    const long long last = static_cast<long long>(std::ceil(dmax / period)) + 1;
    for (long long j = first; j <= last && 2 * j + 1 < count; ++j) {
        Line(img, Sample(a, b, static_cast<double>(2 * j) * gap, len),
             Sample(a, b, static_cast<double>(2 * j + 1) * gap, len), color, thickness, cv::LINE_8);
    }
}

void DottedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                int radius, int gap) {
    double len = 0.0;
    long long count = 0;
    if (!Drawable(img) || !SampleCount(a, b, gap, len, count)) {
        return;
    }
    double dmin = 0.0, dmax = 0.0;
    if (!VisibleDistances(img, a, b, len, std::max(radius, 0) + 2.0, dmin, dmax)) {
        return;
    }
    const long long first = std::max(0LL, static_cast<long long>(std::floor(dmin / gap)) - 1);
    const long long last = std::min(count - 1, static_cast<long long>(std::ceil(dmax / gap)) + 1);
    // With dots larger than the target, the stretch to visit grows with the radius; but once
    // one dot covers the whole target, the others (same colour) change nothing.
    if (radius > 0) {
        const cv::Point2d centre((img.cols - 1) * 0.5, (img.rows - 1) * 0.5);
        const cv::Point2d d = b - a;
        const double along = ((centre - a).dot(d) / d.dot(d)) * len;
        const long long i =
            std::clamp(static_cast<long long>(std::llround(std::clamp(along / gap, -1e18, 1e18))),
                       first, std::max(first, last));
        const cv::Point2d s = Sample(a, b, static_cast<double>(i) * gap, len);
        double nearest = 0.0, farthest = 0.0;
        DistanceRange(img, s, nearest, farthest);
        if (i <= last && radius >= farthest + 1.0) {
            Circle(img, s, radius, color, cv::FILLED, cv::LINE_8);
            return;
        }
    }
    for (long long i = first; i <= last; ++i) {
        Circle(img, Sample(a, b, static_cast<double>(i) * gap, len), radius, color, cv::FILLED,
               cv::LINE_8);
    }
}

void ArrowBarbs(cv::Mat& img, const cv::Point2d& tail, const cv::Point2d& head, int length,
                int angleDeg, const cv::Scalar& color, int thickness, int lineType) {
    const double theta = std::atan2(tail.y - head.y, tail.x - head.x);
    const double phi = angleDeg * CV_PI / 180.0;
    const cv::Point2d left(std::trunc(head.x + length * std::cos(theta + phi)),
                           std::trunc(head.y + length * std::sin(theta + phi)));
    const cv::Point2d right(std::trunc(head.x + length * std::cos(theta - phi)),
                            std::trunc(head.y + length * std::sin(theta - phi)));
    Line(img, head, left, color, thickness, lineType);
    Line(img, head, right, color, thickness, lineType);
}

}  // namespace roi_draw
