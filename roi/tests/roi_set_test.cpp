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
