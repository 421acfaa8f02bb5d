// The shape value's geometry and the set of named ROIs: ids, the topmost hit, bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "roi/roi_set.h"
#include "roi/roi_shape.h"

namespace {

ROIShape Make(CvROIMode mode, std::vector<cv::Point2f> points, double angle = 0.0) {
    return ROIShape{mode, std::move(points), angle};
}

}  // namespace

TEST(ROIShape, RadiusVectorRuleBoundsAndHits) {
    // Both components positive: kept; any other: the same length split equally.
    EXPECT_EQ(KeptRadiusVector({30, 40}), cv::Point2f(30, 40));
    const cv::Point2f flat = KeptRadiusVector({50, 0});
    EXPECT_FLOAT_EQ(flat.x, flat.y);
    EXPECT_NEAR(std::hypot(flat.x, flat.y), 50.0, 1e-4);
    EXPECT_NEAR(cv::norm(KeptRadiusVector({-30, 40})), 50.0, 1e-4);

    const ROIShape circle = Make(CvROIMode::Circle, {{100, 100}, {30, 40}});
    EXPECT_EQ(circle.Bounds(), cv::Rect2f(50, 50, 100, 100));
    EXPECT_TRUE(circle.Hit({100, 100}, 1));   // inside
    EXPECT_TRUE(circle.Hit({152, 100}, 3));   // within the tolerance of the outline
    EXPECT_FALSE(circle.Hit({156, 100}, 3));

    // An annulus sector 0..90: inside the band and the sector only.
    const ROIShape sector = Make(CvROIMode::Annulus, {{0, 0}, {30, 40}, {20, 0}, {0, 90}});
    EXPECT_TRUE(sector.Hit({25, 25}, 1));
    EXPECT_FALSE(sector.Hit({5, 5}, 1));      // the hole
    EXPECT_FALSE(sector.Hit({-25, -25}, 1));  // outside the sector

    const ROIShape turned = Make(CvROIMode::RotatedRectangle, {{0, 0}, {100, 20}}, 90.0);
    const cv::Rect2f b = turned.Bounds();
    EXPECT_NEAR(b.width, 20, 1e-3);
    EXPECT_NEAR(b.height, 100, 1e-3);
    EXPECT_TRUE(turned.Hit({50, 50}, 1));
    EXPECT_FALSE(turned.Hit({20, 10}, 1));

    EXPECT_TRUE(Make(CvROIMode::Line, {{5, 5}, {5, 5}}).IsEmpty());
    EXPECT_TRUE(Make(CvROIMode::Rectangle, {{5, 5}, {-3, 5}}).IsEmpty());
    EXPECT_TRUE(Make(CvROIMode::Point, {{NAN, 1}}).IsEmpty());
    EXPECT_FALSE(Make(CvROIMode::Rectangle, {{5, 5}, {-3, 5}}).Hit({4, 6}, 5));
    EXPECT_EQ(Make(CvROIMode::Polygon, {{1.5f, 2}, {10, 2}, {5, 9.5f}}).CropRect(),
              cv::Rect(1, 2, 10, 8));
}

TEST(ROISet, IdsAreNeverReusedAndTheTopmostHitWins) {
    ROISet set;
    const int a = set.Add(Make(CvROIMode::Rectangle, {{0, 0}, {100, 100}}), "a", {});
    const int b = set.Add(Make(CvROIMode::Rectangle, {{50, 50}, {100, 100}}), "b", {});
    EXPECT_EQ(set.HitTop({75, 75}, 1), b);          // drawn later, on top
    EXPECT_EQ(set.HitTop({75, 75}, 1, b), a);       // the selected one left out
    EXPECT_EQ(set.HitTop({10, 10}, 1), a);
    EXPECT_EQ(set.HitTop({300, 300}, 1), -1);
    EXPECT_TRUE(set.Remove(b));
    EXPECT_EQ(set.Add(Make(CvROIMode::Point, {{1, 1}}), "", {}), b + 1);
    EXPECT_FALSE(set.AddWithId(a, Make(CvROIMode::Point, {{1, 1}}), "", {}));
    EXPECT_TRUE(set.AddWithId(40, Make(CvROIMode::Point, {{1, 1}}), "", {}));
    EXPECT_EQ(set.NextId(), 41);
    // A moved shape is found where it now is.
    EXPECT_TRUE(set.SetShape(a, Make(CvROIMode::Rectangle, {{500, 500}, {10, 10}})));
    EXPECT_EQ(set.HitTop({505, 505}, 1), a);
    EXPECT_EQ(set.HitTop({10, 10}, 1), -1);
    EXPECT_NE(ROISet::PaletteColor(1), ROISet::PaletteColor(2));
}

namespace {

// The answers the index must give, found by looking at every ROI.
std::vector<int> QueryByScan(const ROISet& set, const cv::Rect2f& r) {
    std::vector<int> ids;
    for (const ROIEntry& e : set.Entries()) {
        const cv::Rect2f b = e.shape.Bounds();
        if (b.width > 0 && b.height > 0 && b.x <= r.x + r.width && r.x <= b.x + b.width &&
            b.y <= r.y + r.height && r.y <= b.y + b.height) {
            ids.push_back(e.id);
        }
    }
    return ids;
}

// Every shape from the top down, its bounds grown by tol tested first (far out, a float shape
// can pass Hit a little beyond its bounds' rounding).
int HitTopByScan(const ROISet& set, const cv::Point2f& p, float tol, int skip) {
    const auto& entries = set.Entries();
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        const cv::Rect2f b = e->shape.Bounds();
        if (e->id != skip && p.x >= b.x - tol && p.y >= b.y - tol &&
            p.x <= b.x + b.width + tol && p.y <= b.y + b.height + tol && e->shape.Hit(p, tol)) {
            return e->id;
        }
    }
    return -1;
}

}  // namespace

TEST(ROISet, IndexAgreesWithAScanThroughRandomChanges) {
    cv::RNG rng(22);
    // Mostly small shapes crowded on cell edges (multiples of 64) and over a large image, some
    // larger than every cell or far out, and empty ones.
    const auto coord = [&] {
        switch (rng.uniform(0, 6)) {
            case 0: return static_cast<float>(64 * rng.uniform(-4, 40));
            case 1: return rng.uniform(-3e9f, 3e9f);
            default: return rng.uniform(-500.f, 20000.f);
        }
    };
    const auto size = [&] {
        switch (rng.uniform(0, 10)) {
            case 0: return rng.uniform(300.f, 70000.f);
            case 1: return rng.uniform(1e9f, 1e10f);
            case 2: return 0.0f;
            default: return rng.uniform(0.5f, 80.f);
        }
    };
    const auto shape = [&] {
        const float x = coord(), y = coord(), w = size(), h = size();
        switch (rng.uniform(0, 7)) {
            case 0: return Make(CvROIMode::Point, {{x, y}});
            case 1: return Make(CvROIMode::Line, {{x, y}, {x + w, y - h}});
            case 2: return Make(CvROIMode::Rectangle, {{x, y}, {w, h}});
            case 3:
                return Make(CvROIMode::RotatedRectangle, {{x, y}, {w, h}}, rng.uniform(0., 180.));
            case 4: return Make(CvROIMode::Circle, {{x, y}, {w, h}});
            case 5: return Make(CvROIMode::Annulus, {{x, y}, {w, h}, {w / 3, 0}, {30, 300}});
            default: return Make(CvROIMode::Polygon, {{x, y}, {x + w, y}, {x + w / 2, y + h}});
        }
    };
    ROISet set;
    std::vector<int> live;
    for (int step = 0; step < 6000; ++step) {
        const int op = live.empty() ? 0 : rng.uniform(0, 10);
        if (op < 5) {
            live.push_back(set.Add(shape(), std::string(rng.uniform(0, 4), 'n'), {}));
        } else if (op < 7) {
            const auto k = static_cast<std::size_t>(rng.uniform(0, static_cast<int>(live.size())));
            ASSERT_TRUE(set.Remove(live[k]));
            ASSERT_FALSE(set.Remove(live[k]));
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(k));
        } else if (op < 9) {
            ASSERT_TRUE(set.SetShape(live[static_cast<std::size_t>(
                                         rng.uniform(0, static_cast<int>(live.size())))],
                                     shape()));
        } else if (rng.uniform(0, 50) == 0) {
            set.Clear();
            live.clear();
        } else {
            // Read back from data, or put back at its place by an undo.
            const int id = set.NextId() + rng.uniform(0, 3);
            if (rng.uniform(0, 2) == 0) {
                ASSERT_TRUE(set.AddWithId(id, shape(), "", {}));
            } else {
                const int places = static_cast<int>(live.size()) + 2;  // one past the end too
                const auto at = static_cast<std::size_t>(rng.uniform(0, places));
                ASSERT_TRUE(set.Insert(at, {id, "", {}, shape()}));
                ASSERT_FALSE(set.Insert(0, {id, "", {}, shape()}));
                ASSERT_EQ(set.IndexOf(id), static_cast<int>(std::min(at, live.size())));
            }
            live.push_back(id);
        }
        if (step % 25 != 0) continue;
        ASSERT_EQ(set.Size(), live.size());
        for (const int id : live) {
            ASSERT_NE(set.Find(id), nullptr);
            ASSERT_EQ(set.Find(id)->id, id);
            ASSERT_EQ(set.Entries()[static_cast<std::size_t>(set.IndexOf(id))].id, id);
        }
        for (int q = 0; q < 20; ++q) {
            // Views from a few pixels to far zoomed out, and presses near the shapes.
            const float w = q % 5 == 0 ? rng.uniform(1e4f, 1e10f) : rng.uniform(0.f, 2000.f);
            const cv::Rect2f view(coord(), coord(), w, w * 0.6f);
            ASSERT_EQ(set.Query(view), QueryByScan(set, view)) << "step " << step;
            if (set.Size() == 0) continue;
            const ROIEntry& near = set.Entries()[static_cast<std::size_t>(
                rng.uniform(0, static_cast<int>(set.Size())))];
            const std::vector<cv::Point2f> outline = near.shape.Outline();
            if (outline.empty()) continue;
            const cv::Point2f p = outline[static_cast<std::size_t>(rng.uniform(
                                      0, static_cast<int>(outline.size())))] +
                                  cv::Point2f(rng.uniform(-6.f, 6.f), rng.uniform(-6.f, 6.f));
            const float tol = rng.uniform(0.f, 5.f);
            const int skip = rng.uniform(0, 2) == 0 ? near.id : -1;
            ASSERT_EQ(set.HitTop(p, tol, skip), HitTopByScan(set, p, tol, skip))
                << "step " << step;
        }
    }
}
