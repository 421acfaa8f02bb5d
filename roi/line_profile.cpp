#include "roi/line_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace LineProfile {

namespace {

// Adds the bilinear value at (x, y) of every channel to `out` (NaN off the image).
template <class T>
void AddSample(const cv::Mat& image, double x, double y, double* out) {
    const int cn = image.channels();
    if (!(x > -1.0 && x < image.cols && y > -1.0 && y < image.rows)) {
        for (int c = 0; c < cn; ++c) {
            out[c] = std::numeric_limits<double>::quiet_NaN();
        }
        return;
    }
    const double fx = std::floor(x), fy = std::floor(y);
    const double ax = x - fx, ay = y - fy;
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const auto clampX = [&](int v) { return std::min(std::max(v, 0), image.cols - 1); };
    const auto clampY = [&](int v) { return std::min(std::max(v, 0), image.rows - 1); };
    const int xa = clampX(x0), xb = clampX(x0 + 1);
    const T* top = image.ptr<T>(clampY(y0));
    const T* bottom = image.ptr<T>(clampY(y0 + 1));
    for (int c = 0; c < cn; ++c) {
        const double upper = (1.0 - ax) * double(top[xa * cn + c]) + ax * double(top[xb * cn + c]);
        const double lower =
            (1.0 - ax) * double(bottom[xa * cn + c]) + ax * double(bottom[xb * cn + c]);
        out[c] += (1.0 - ay) * upper + ay * lower;
    }
}

template <class T>
cv::Mat1d SampleAs(const cv::Mat& image, const cv::Point2d& from, const cv::Point2d& to,
                   int width) {
    const cv::Point2d d = to - from;
    const double length = std::hypot(d.x, d.y);
    const int n = static_cast<int>(std::floor(length)) + 1;
    const int cn = image.channels();
    const cv::Point2d u = length > 0.0 ? d / length : cv::Point2d(1.0, 0.0);
    const cv::Point2d v(-u.y, u.x);
    cv::Mat1d out = cv::Mat1d::zeros(n, cn);
    std::vector<double> one(static_cast<size_t>(cn));
    for (int k = 0; k < n; ++k) {
        double* row = out.ptr<double>(k);
        for (int s = 0; s < width; ++s) {
            const double o = s - (width - 1) / 2.0;
            std::fill(one.begin(), one.end(), 0.0);
            AddSample<T>(image, from.x + k * u.x + o * v.x, from.y + k * u.y + o * v.y,
                         one.data());
            for (int c = 0; c < cn; ++c) {
                row[c] += one[c];
            }
        }
        for (int c = 0; c < cn; ++c) {
            row[c] /= width;
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> Refusal(const cv::Point2d& from, const cv::Point2d& to, int width) {
    if (width < 1) {
        return "width must be 1 or more";
    }
    const double length = std::hypot(to.x - from.x, to.y - from.y);
    if (!std::isfinite(length) || !std::isfinite(from.x) || !std::isfinite(from.y)) {
        return "the line's end points are not finite";
    }
    if ((std::floor(length) + 1.0) * width > kMaxSamples) {
        return "the line is too long, or the width too large, to sample";
    }
    return std::nullopt;
}

cv::Mat1d Sample(const cv::Mat& image, const cv::Point2d& from, const cv::Point2d& to,
                 int width) {
    switch (image.depth()) {
        case CV_8U:
            return SampleAs<uchar>(image, from, to, width);
        case CV_8S:
            return SampleAs<schar>(image, from, to, width);
        case CV_16U:
            return SampleAs<ushort>(image, from, to, width);
        case CV_16S:
            return SampleAs<short>(image, from, to, width);
        case CV_32S:
            return SampleAs<int>(image, from, to, width);
        case CV_32F:
            return SampleAs<float>(image, from, to, width);
        case CV_64F:
            return SampleAs<double>(image, from, to, width);
        default: {
            // Half floats and other rare depths: read through doubles.
            cv::Mat wide;
            image.convertTo(wide, CV_MAKETYPE(CV_64F, image.channels()));
            return SampleAs<double>(wide, from, to, width);
        }
    }
}

}  // namespace LineProfile
