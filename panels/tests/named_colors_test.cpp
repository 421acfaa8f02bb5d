#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>

#include "roi/named_colors.h"
#include "panels/wx_named_colors.h"

namespace {

struct Entry {
    cv::Scalar cv;
    wxColour wx;
    int r, g, b;
};

std::map<std::string, Entry> Table() {
    std::map<std::string, Entry> t;
#define MOVRA_CSS_COLOR(name, r, g, b) \
    t[#name] = Entry{cv_Color_Defines::name, wx_Color_Defines::name, r, g, b};
#include "roi/css_colors.inc"
#undef MOVRA_CSS_COLOR
    return t;
}

}  // namespace

TEST(NamedColors, HundredFortySevenCssNamesBothTablesAgree) {
    const auto table = Table();
    EXPECT_EQ(table.size(), 147u);
    for (const auto& [name, e] : table) {
        EXPECT_EQ(e.cv, cv::Scalar(e.b, e.g, e.r, 0)) << name;
        EXPECT_EQ(e.wx.Red(), e.r) << name;
        EXPECT_EQ(e.wx.Green(), e.g) << name;
        EXPECT_EQ(e.wx.Blue(), e.b) << name;
        EXPECT_EQ(e.wx.Alpha(), 255) << name;
    }
    EXPECT_EQ(table.count("rebeccapurple"), 0u);  // a later CSS level, not Level 3
}

TEST(NamedColors, CssValuesWhereX11Differs) {
    EXPECT_EQ(cv_Color_Defines::yellow, cv::Scalar(0, 255, 255, 0));
    EXPECT_EQ(cv_Color_Defines::lime, cv::Scalar(0, 255, 0, 0));
    EXPECT_EQ(cv_Color_Defines::red, cv::Scalar(0, 0, 255, 0));
    EXPECT_EQ(cv_Color_Defines::blue, cv::Scalar(255, 0, 0, 0));
    EXPECT_EQ(cv_Color_Defines::silver, cv::Scalar(192, 192, 192, 0));
    EXPECT_EQ(cv_Color_Defines::lightyellow, cv::Scalar(224, 255, 255, 0));
    EXPECT_EQ(cv_Color_Defines::darkyellow, cv::Scalar(0, 210, 210, 0));
    // X11's gray, green, maroon and purple are different colours.
    EXPECT_EQ(cv_Color_Defines::gray, cv::Scalar(128, 128, 128, 0));
    EXPECT_EQ(cv_Color_Defines::grey, cv_Color_Defines::gray);
    EXPECT_EQ(cv_Color_Defines::green, cv::Scalar(0, 128, 0, 0));
    EXPECT_EQ(cv_Color_Defines::maroon, cv::Scalar(0, 0, 128, 0));
    EXPECT_EQ(cv_Color_Defines::purple, cv::Scalar(128, 0, 128, 0));
    EXPECT_EQ(wx_Color_Defines::darkgrey, wx_Color_Defines::darkgray);
}

// Cross-check with an independent implementation of the CSS names (Pillow's table, which
// also carries the later rebeccapurple).
TEST(NamedColors, MatchPillowsCssTable) {
    FILE* pipe = popen(
        "/usr/bin/python3 -c \"from PIL import ImageColor as I\n"
        "for k, v in I.colormap.items():\n"
        "    print(k, int(v[1:3], 16), int(v[3:5], 16), int(v[5:7], 16))\" 2>/dev/null",
        "r");
    if (pipe == nullptr) {
        GTEST_SKIP() << "python3 not available";
    }
    std::map<std::string, std::tuple<int, int, int>> pillow;
    char name[64];
    int r, g, b;
    while (std::fscanf(pipe, "%63s %d %d %d", name, &r, &g, &b) == 4) {
        pillow[name] = {r, g, b};
    }
    pclose(pipe);
    if (pillow.empty()) {
        GTEST_SKIP() << "Pillow not available";
    }
    const auto table = Table();
    EXPECT_EQ(pillow.size(), table.size() + 1);
    for (const auto& [n, e] : table) {
        ASSERT_EQ(pillow.count(n), 1u) << n;
        EXPECT_EQ(pillow[n], std::make_tuple(e.r, e.g, e.b)) << n;
    }
}
