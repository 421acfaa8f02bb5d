// The set's ROI labels: every pixel a label inks lies within the reach the panel widens its
// culling by (for any name, in any font), and a font that cannot be loaded draws no label.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <fstream>
#include <string>

#include "panels/roi_layers.h"
#include "roi/tests/draw_test_util.h"

namespace {

const std::string kFonts = "/usr/share/fonts/truetype/dejavu/";

TEST(Labels, InkStaysWithinTheReachTheCullingAllowsForAnyName) {
    // Wide letters, overhangs and descenders, accents, a letter the font lacks, marks stacked
    // on one letter, right-to-left text, and a line that starts with an overhang to the left.
    const std::string names[] = {"WWWMMM@@@", "Bohrung \xC3\xBC", "\xE5\xAD\x94 1",
                                 "y\xCC\x81\xCC\x81\xCC\x81", "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85",
                                 "j/(|]_gq", "\xEF\xB7\xBA\xE2\x80\xB1"};
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSansMono.ttf"}) {
        const roi_layers::Labels labels = roi_layers::Labels::Load(kFonts + file);
        ASSERT_TRUE(labels.font) << file;
        for (const std::string& name : names) {
            cv::Mat buf = Blank(600, 120);
            const cv::Point at(200, 60);
            labels.Draw(buf, name, at, cv::Scalar(255, 255, 255));
            cv::Mat ink;
            cv::extractChannel(buf, ink, 0);
            const cv::Rect box = cv::boundingRect(ink);
            ASSERT_FALSE(box.empty()) << file << " " << name;
            EXPECT_GE(box.x, at.x - labels.Before()) << file << " " << name;
            EXPECT_LE(box.br().x, at.x + labels.Width(name.size())) << file << " " << name;
            EXPECT_GE(box.y, at.y - labels.Above()) << file << " " << name;
            EXPECT_LE(box.br().y, at.y + std::max(0, labels.Below())) << file << " " << name;
        }
    }
}

TEST(Labels, AFontThatCannotBeLoadedDrawsNoLabel) {
    const std::string garbage = ::testing::TempDir() + "label_font.ttf";
    std::ofstream(garbage) << "no font at all";
    for (const std::string& path : {std::string("/no/such/font.ttf"), garbage}) {
        const roi_layers::Labels labels = roi_layers::Labels::Load(path);
        EXPECT_FALSE(labels.font) << path;
        cv::Mat buf = Blank(200, 60);
        labels.Draw(buf, "pad", cv::Point2f(10, 40), cv::Scalar(255, 255, 255));
        EXPECT_EQ(Lit(buf), 0);
    }
}

}  // namespace
