// ROI masks and statistics: only the shape's bounding box of the image is read, shapes with no
// region give nothing, and absurd geometry costs no more than the image.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <limits>

#include "roi/roi_editor.h"
#include "roi/roi_measure.h"

using P = cv::Point2f;

namespace {

ROIEditor EditorWith(CvROIMode mode, std::vector<P> points, double angle = 0.0) {
    ROIEditor ed;
    cvROI roi;
    roi.mode = mode;
    roi.points = std::move(points);
    roi.angle = angle;
    ed.StoreROI(roi);
    return ed;
}

ROIMeasure::Shape ShapeWith(CvROIMode mode, std::vector<P> points, double angle = 0.0) {
    return ROIMeasure::ShapeOf(EditorWith(mode, std::move(points), angle).Shape(mode));
}

// A 20000 x 20000 three-channel image of which only a window of rows and columns can be read:
// every other byte is PROT_NONE, so reading outside the window crashes the test.
class GuardedImage {
  public:
    static constexpr int kSide = 20000;
    GuardedImage(const cv::Rect& window) {
        const size_t step = static_cast<size_t>(kSide) * 3;
        bytes_ = step * kSide;
        base_ = static_cast<uchar*>(
            mmap(nullptr, bytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
        if (base_ == MAP_FAILED) {
            base_ = nullptr;
            return;
        }
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        for (int y = window.y; y < window.br().y; ++y) {
            const size_t begin = y * step + window.x * 3, end = y * step + window.br().x * 3;
            const size_t first = begin / page * page;
            mprotect(base_ + first, end - first, PROT_READ | PROT_WRITE);
            for (int x = window.x; x < window.br().x; ++x) {
                for (int c = 0; c < 3; ++c) {
                    base_[y * step + x * 3 + c] = Value(x, y, c);
                }
            }
        }
        mat_ = cv::Mat(kSide, kSide, CV_8UC3, base_, step);
    }
    ~GuardedImage() {
        if (base_) munmap(base_, bytes_);
    }
    static uchar Value(int x, int y, int c) { return static_cast<uchar>(x * 7 + y * 13 + c * 29); }
    const cv::Mat& mat() const { return mat_; }
    bool ok() const { return base_ != nullptr; }

  private:
    uchar* base_ = nullptr;
    size_t bytes_ = 0;
    cv::Mat mat_;
};

}  // namespace

TEST(ROIMeasure, EveryShapeReadsOnlyItsBoundingBoxOfAHugeImage) {
    const cv::Rect window(9900, 9900, 200, 200);
    const GuardedImage image(window);
    ASSERT_TRUE(image.ok());
    const P c(10000.25f, 10000.5f);
    const ROIMeasure::Shape shapes[] = {
        ShapeWith(CvROIMode::Rectangle, {{9975.5f, 9980.f}, {50.f, 50.f}}),
        ShapeWith(CvROIMode::RotatedRectangle, {{9960.f, 9980.f}, {80.f, 40.f}}, 33.0),
        ShapeWith(CvROIMode::Circle, {c, {60.f, 0.f}}),
        ShapeWith(CvROIMode::Annulus, {c, {70.f, 0.f}, {20.f, 0.f}, {-30.f, 200.f}}),
        ShapeWith(CvROIMode::Polygon, {{9910.f, 9910.f}, {10090.f, 9950.f}, {10000.f, 10090.f}}),
        ShapeWith(CvROIMode::Line, {{9905.3f, 10090.f}, {10094.f, 9907.9f}}),
        ShapeWith(CvROIMode::Point, {c}),
    };
    for (const ROIMeasure::Shape& shape : shapes) {
        SCOPED_TRACE(static_cast<int>(shape.mode));
        ASSERT_NE(shape.mode, CvROIMode::None);
        const ROIMeasure::MaskBox masked = ROIMeasure::Rasterise(shape, image.mat().size());
        ASSERT_TRUE((masked.box & window) == masked.box);
        const auto stats = ROIMeasure::Measure(shape, image.mat());
        ASSERT_TRUE(stats.has_value());
        // The sums walk the same pixels as the mask, each at its own place in the image.
        std::int64_t area = 0;
        double sum[3] = {0, 0, 0}, sumX = 0;
        for (int y = 0; y < masked.box.height; ++y) {
            for (int x = 0; x < masked.box.width; ++x) {
                if (masked.mask(y, x)) {
                    ++area;
                    sumX += masked.box.x + x + 0.5;
                    for (int ch = 0; ch < 3; ++ch) {
                        sum[ch] += GuardedImage::Value(masked.box.x + x, masked.box.y + y, ch);
                    }
                }
            }
        }
        EXPECT_EQ(stats->area, area);
        EXPECT_NEAR(stats->centroid.x, sumX / area, 1e-9);
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_DOUBLE_EQ(stats->mean[ch], sum[ch] / area);
        }
        EXPECT_TRUE((stats->bbox & masked.box) == stats->bbox);
    }
}

TEST(ROIMeasure, ShapesWithoutARegionGiveNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int m = 0; m <= static_cast<int>(CvROIMode::Mask); ++m) {
        // A reset editor holds no shape in any mode.
        EXPECT_EQ(ROIMeasure::ShapeOf(ROIEditor().Shape(static_cast<CvROIMode>(m))).mode,
                  CvROIMode::None);
    }
    ROIEditor open = EditorWith(CvROIMode::Polygon, {{1, 1}, {30, 2}, {10, 20}});
    open.m_polygonDrawing = true;  // still being drawn by the mouse
    EXPECT_EQ(ROIMeasure::ShapeOf(open.Shape(CvROIMode::Polygon)).mode, CvROIMode::None);
    ROIEditor nanRect = EditorWith(CvROIMode::Rectangle, {{1, 1}, {30, 20}});
    nanRect.m_roiRect.x = nan;
    EXPECT_EQ(ROIMeasure::ShapeOf(nanRect.Shape(CvROIMode::Rectangle)).mode, CvROIMode::None);
    ROIEditor flatCircle = EditorWith(CvROIMode::Circle, {{40, 40}, {10, 0}});
    // A radius vector with a zero component is measured as the data reports it: the same
    // length split into two equal components.
    flatCircle.m_roiRect = {40, 40, 10, 0};
    const ROIMeasure::Shape flat = ROIMeasure::ShapeOf(flatCircle.Shape(CvROIMode::Circle));
    EXPECT_EQ(flat.mode, CvROIMode::Circle);
    EXPECT_NEAR(flat.outerRadius, 10.0, 1e-5);
    EXPECT_EQ(ShapeWith(CvROIMode::Line, {{5, 5}, {5, 5}}).mode, CvROIMode::None);
    ROIEditor badAngle = EditorWith(CvROIMode::Annulus, {{40, 40}, {10, 0}, {4, 0}, {0, 90}});
    badAngle.m_endAngle = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ROIMeasure::ShapeOf(badAngle.Shape(CvROIMode::Annulus)).mode, CvROIMode::None);

    // A shape wholly off the image, or an image that is not 8-bit, measures nothing.
    const cv::Mat3b image(40, 60, cv::Vec3b(1, 2, 3));
    EXPECT_FALSE(ROIMeasure::Measure(ShapeWith(CvROIMode::Rectangle, {{61, 5}, {9, 9}}), image));
    EXPECT_FALSE(ROIMeasure::Measure(ShapeWith(CvROIMode::Circle, {{-30, 20}, {29, 0}}), image));
    EXPECT_FALSE(ROIMeasure::Measure(ShapeWith(CvROIMode::Point, {{60.5f, 3}}), image));
    const auto whole = ShapeWith(CvROIMode::Rectangle, {{0, 0}, {60, 40}});
    EXPECT_FALSE(ROIMeasure::Measure(whole, cv::Mat(40, 60, CV_32SC1, cv::Scalar(7))));
    // Deeper images are measured on their own values.
    const auto deep = ROIMeasure::Measure(whole, cv::Mat(40, 60, CV_16UC1, cv::Scalar(700)));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->min[0], 700.0);
    EXPECT_EQ(deep->mean[0], 700.0);
    const auto all = ROIMeasure::Measure(whole, image);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->area, 2400);
    EXPECT_EQ(all->bbox, cv::Rect(0, 0, 60, 40));
    EXPECT_EQ(all->stddev, std::vector<double>(3, 0.0));
}

TEST(ROIMeasure, AbsurdGeometryIsClippedToTheImage) {
    const cv::Size size(64, 48);
    const auto full = [&](const ROIMeasure::Shape& shape) {
        const ROIMeasure::MaskBox m = ROIMeasure::Rasterise(shape, size);
        return m.box == cv::Rect(0, 0, 64, 48) && cv::countNonZero(m.mask) == 64 * 48;
    };
    EXPECT_TRUE(full(ShapeWith(CvROIMode::Rectangle, {{-1e30f, -1e30f}, {3e30f, 3e30f}})));
    EXPECT_TRUE(full(ShapeWith(CvROIMode::RotatedRectangle, {{-1e20f, -1e20f}, {3e20f, 3e20f}},
                               1e9)));
    EXPECT_TRUE(full(ShapeWith(CvROIMode::Circle, {{1e6f, -1e6f}, {3e38f, 3e38f}})));
    EXPECT_TRUE(full(ShapeWith(CvROIMode::Polygon, {{-3e38f, -3e38f}, {3e38f, 0}, {0, 3e38f}})));

    // A far-reaching line keeps to the pixels cv::line draws on the image.
    const auto line = ShapeWith(CvROIMode::Line, {{-9e8f, -3e8f}, {9e8f, 3e8f}});
    const ROIMeasure::MaskBox m = ROIMeasure::Rasterise(line, size);
    cv::Mat1b drawn = cv::Mat1b::zeros(size), ours = cv::Mat1b::zeros(size);
    cv::line(drawn, {-900000000, -300000000}, {900000000, 300000000}, 255, 1, cv::LINE_8);
    ASSERT_FALSE(m.box.empty());
    m.mask.copyTo(ours(m.box));
    EXPECT_EQ(cv::countNonZero(drawn != ours), 0);
    EXPECT_GT(cv::countNonZero(ours), 40);
}

namespace {

// The statistics of the mask's pixels counted one at a time, in the plainest way.
struct Reference {
    std::int64_t area = 0;
    std::vector<double> mean, stddev, min, max;
};

Reference Count(const cv::Mat& image, const ROIMeasure::MaskBox& m) {
    Reference ref;
    const int cn = image.channels();
    std::vector<std::uint64_t> sum(cn, 0);
    std::vector<long double> sumSq(cn, 0);
    ref.min.assign(cn, 255);
    ref.max.assign(cn, 0);
    for (int y = 0; y < m.box.height; ++y) {
        for (int x = 0; x < m.box.width; ++x) {
            if (!m.mask(y, x)) continue;
            ++ref.area;
            const uchar* px = image.ptr(m.box.y + y) + (m.box.x + x) * cn;
            for (int c = 0; c < cn; ++c) {
                sum[c] += px[c];
                ref.min[c] = std::min(ref.min[c], double(px[c]));
                ref.max[c] = std::max(ref.max[c], double(px[c]));
            }
        }
    }
    for (int c = 0; c < cn; ++c) {
        ref.mean.push_back(static_cast<double>(sum[c]) / ref.area);
    }
    // Second pass about the mean: no cancellation to hide a wrong sum of squares.
    for (int y = 0; y < m.box.height; ++y) {
        for (int x = 0; x < m.box.width; ++x) {
            if (!m.mask(y, x)) continue;
            const uchar* px = image.ptr(m.box.y + y) + (m.box.x + x) * cn;
            for (int c = 0; c < cn; ++c) {
                const long double d = px[c] - static_cast<long double>(ref.mean[c]);
                sumSq[c] += d * d;
            }
        }
    }
    for (int c = 0; c < cn; ++c) {
        ref.stddev.push_back(static_cast<double>(std::sqrt(sumSq[c] / ref.area)));
    }
    return ref;
}

}  // namespace

TEST(ROIMeasure, OnePassStatisticsEqualAPixelByPixelCountForAnyChannelCount) {
    cv::RNG rng(24);
    for (int cn = 1; cn <= 5; ++cn) {
        // Odd sizes: runs end anywhere within the vector-sized blocks of the sums.
        cv::Mat image(53, 211, CV_8UC(cn));
        rng.fill(image, cv::RNG::UNIFORM, 0, 256);
        for (int k = 0; k < 40; ++k) {
            const P a(rng.uniform(-20.f, 230.f), rng.uniform(-20.f, 70.f));
            const P b(rng.uniform(-20.f, 230.f), rng.uniform(-20.f, 70.f));
            const P r(rng.uniform(1.f, 90.f), rng.uniform(-40.f, 40.f));
            const P sector(rng.uniform(-180.f, 180.f), rng.uniform(0.f, 400.f));
            const ROIMeasure::Shape shapes[] = {
                ShapeWith(CvROIMode::Rectangle, {a, {r.x, std::abs(r.y) + 1}}),
                ShapeWith(CvROIMode::RotatedRectangle, {a, {r.x, std::abs(r.y) + 1}},
                          rng.uniform(0.0, 360.0)),
                ShapeWith(CvROIMode::Circle, {a, r}),
                ShapeWith(CvROIMode::Annulus, {a, r, {r.x / 3, 0}, {0, 360}}),
                ShapeWith(CvROIMode::Annulus, {a, r, {r.x / 2, 0}, sector}),
                ShapeWith(CvROIMode::Polygon, {a, b, {a.x, b.y}, {b.x + r.y, a.y + r.x}}),
                ShapeWith(CvROIMode::Line, {a, b}),
                ShapeWith(CvROIMode::Point, {a}),
            };
            for (const ROIMeasure::Shape& shape : shapes) {
                SCOPED_TRACE(testing::Message() << "cn " << cn << " mode " << int(shape.mode)
                                                << " k " << k);
                const ROIMeasure::MaskBox m = ROIMeasure::Rasterise(shape, image.size());
                const Reference ref = Count(image, m);
                const auto st = ROIMeasure::Measure(shape, image);
                ASSERT_EQ(st.has_value(), ref.area > 0);
                if (!st) continue;
                EXPECT_EQ(st->area, ref.area);
                EXPECT_EQ(st->mean, ref.mean);
                EXPECT_EQ(st->min, ref.min);
                EXPECT_EQ(st->max, ref.max);
                for (int c = 0; c < cn; ++c) {
                    EXPECT_NEAR(st->stddev[c], ref.stddev[c], 1e-9 * (1 + ref.stddev[c]));
                }
            }
        }
    }
}

TEST(ROIMeasure, WholeRingsKeepThePixelCentreRuleExactly) {
    // Rows of a whole disc or ring are found from their ends inwards; every pixel must still
    // be the one the distance test alone picks, also where a centre sits on the rim.
    cv::RNG rng(7);
    const cv::Size size(97, 83);
    for (int k = 0; k < 300; ++k) {
        const P centre(rng.uniform(-10, 110) / 2.f, rng.uniform(-10, 90) / 2.f);
        const bool ring = k % 2;
        const P outer(rng.uniform(0, 80) / 2.f, rng.uniform(0, 80) / 2.f);
        const P inner(rng.uniform(0, 60) / 2.f, 0);
        const ROIMeasure::Shape s =
            ring ? ShapeWith(CvROIMode::Annulus, {centre, outer, inner, {0, 360}})
                 : ShapeWith(CvROIMode::Circle, {centre, outer});
        if (s.mode == CvROIMode::None) continue;
        const ROIMeasure::MaskBox m = ROIMeasure::Rasterise(s, size);
        cv::Mat1b ours = cv::Mat1b::zeros(size), expected = cv::Mat1b::zeros(size);
        if (!m.box.empty()) m.mask.copyTo(ours(m.box));
        const double lo2 = s.innerRadius * s.innerRadius, hi2 = s.outerRadius * s.outerRadius;
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                const double dx = x + 0.5 - s.centre.x, dy = y + 0.5 - s.centre.y;
                const double d2 = dx * dx + dy * dy;
                expected(y, x) = d2 >= lo2 && d2 <= hi2 ? 255 : 0;
            }
        }
        ASSERT_EQ(cv::countNonZero(ours != expected), 0) << "k " << k;
    }
}

TEST(ROIMeasure, SumsOfAVeryLongRunDoNotOverflow) {
    // More than 2^32 / 255^2 samples in one lane of one run.
    cv::Mat1b row(1, 1200001, uchar(255));
    row(0, 600000) = 0;
    const auto st = ROIMeasure::Measure(
        ShapeWith(CvROIMode::Rectangle, {{0, 0}, {float(row.cols), 1}}), row);
    ASSERT_TRUE(st);
    const double n = row.cols;
    EXPECT_EQ(st->mean[0], 255.0 * (n - 1) / n);
    EXPECT_EQ(st->min[0], 0.0);
    EXPECT_EQ(st->max[0], 255.0);
    EXPECT_NEAR(st->stddev[0], 255.0 * std::sqrt(n - 1) / n, 1e-12);
}
