#include <gtest/gtest.h>

#include "roi/roi_records.h"

TEST(Records, CvRoiDefaults) {
    const cvROI r;
    EXPECT_FALSE(r.visible);
    EXPECT_EQ(r.thickness, 1);
    EXPECT_EQ(r.highlightIndex, -1);
    EXPECT_EQ(r.angle, 0.0);
    EXPECT_EQ(r.mode, CvROIMode::None);
    EXPECT_EQ(r.lineStyle, LineStyle::Solid);
    EXPECT_EQ(r.color, cv::Scalar(0, 0, 0, 0));
    EXPECT_TRUE(r.points.empty());
    EXPECT_TRUE(r.mask.empty());
}

TEST(Records, ModeValuesIncludeDrawingOnlyKinds) {
    EXPECT_EQ(static_cast<int>(CvROIMode::Polygon), 7);
    EXPECT_EQ(static_cast<int>(CvROIMode::ArrowLine), 8);
    EXPECT_EQ(static_cast<int>(CvROIMode::Ellipse), 9);
    EXPECT_EQ(static_cast<int>(CvROIMode::Mask), 10);
    EXPECT_EQ(sizeof(CvROIMode), 4u);
    EXPECT_EQ(static_cast<int>(LineStyle::Dotted), 2);
}

TEST(Records, CopyOwnsPointsButSharesMaskPixels) {
    cvROI a;
    a.mode = CvROIMode::Mask;
    a.points = {{1, 2}};
    a.mask = cv::Mat::zeros(4, 4, CV_8UC1);
    cvROI b = a;
    b.points[0].x = 99;
    EXPECT_EQ(a.points[0].x, 1.0f);
    b.mask.at<uchar>(2, 2) = 7;
    EXPECT_EQ(a.mask.at<uchar>(2, 2), 7);  // header copy: same pixels

    cvROI c = a;
    c.mask = a.mask.clone();
    c.mask.at<uchar>(1, 1) = 5;
    EXPECT_EQ(a.mask.at<uchar>(1, 1), 0);
}

TEST(Records, TextCopiesLinesAndStrings) {
    cvText t;
    t.lines.push_back("Grüße");
    t.lines.push_back("second");
    t.tag = "tag";
    cvText u = t;
    u.lines[0] = "changed";
    u.tag = "other";
    EXPECT_EQ(t.lines[0], "Grüße");
    EXPECT_EQ(t.lines.size(), 2u);
    EXPECT_EQ(t.tag, "tag");
    EXPECT_FALSE(cvText().visible);
}
