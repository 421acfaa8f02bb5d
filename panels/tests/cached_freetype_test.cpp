// The caching text renderer against OpenCV's own FreeType renderer: the same calls on copies of
// the same random image must give the same pixels, whatever is cached from earlier calls.
#include <gtest/gtest.h>

#include <opencv2/freetype.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <string>
#include <vector>

#include "panels/cached_freetype.h"

namespace {

const std::string kFonts = "/usr/share/fonts/truetype/dejavu/";

cv::Ptr<cv::freetype::FreeType2> Reference(const std::string& file) {
    cv::Ptr<cv::freetype::FreeType2> font = cv::freetype::createFreeType2();
    font->loadFontData(kFonts + file, 0);
    return font;
}

cv::Mat Noise(int cols, int rows, int seed) {
    cv::Mat m(rows, cols, CV_8UC3);
    cv::RNG rng(static_cast<uint64_t>(seed));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return m;
}

struct Call {
    std::string text;
    cv::Point org;
    int height;
    cv::Scalar colour;
    bool bottomLeft = true;
};

// Largest per-channel difference between the cached renderer's and OpenCV's drawing.
double Difference(cv::freetype::FreeType2& cached, cv::freetype::FreeType2& reference,
                  const Call& c, const cv::Mat& background) {
    cv::Mat mine = background.clone();
    cv::Mat theirs = background.clone();
    cached.putText(mine, c.text, c.org, c.height, c.colour, -1, cv::LINE_AA, c.bottomLeft);
    reference.putText(theirs, c.text, c.org, c.height, c.colour, -1, cv::LINE_AA, c.bottomLeft);
    return cv::norm(mine, theirs, cv::NORM_INF);
}

TEST(CachedFreeType, DrawsExactlyWhatOpenCVDrawsAtEveryHeightAndPlacement) {
    cv::Ptr<cv::freetype::FreeType2> cached = cached_freetype::Create();
    cached->loadFontData(kFonts + "DejaVuSans.ttf", 0);
    cv::Ptr<cv::freetype::FreeType2> reference = Reference("DejaVuSans.ttf");
    // Kerning pairs and overhangs whose bitmaps overlap, accents, right-to-left scripts,
    // combining marks, a character the font lacks, and a NUL that ends the text.
    const std::vector<std::string> texts = {"Inspection value 7: 0.959 mm",
                                            "fi ff Tj AV Wa yj //// (((",
                                            "\xC3\x9Cn\xC3\xAF \xE2\x82\xAC",
                                            "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D abc",
                                            "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85",
                                            "y\xCC\x81 e\xCC\x8A",
                                            "\xF0\x9F\x98\x80 tofu",
                                            std::string("cut\0here", 8)};
    const cv::Mat background = Noise(640, 360, 1);
    int seed = 0;
    for (const int height : {1, 5, 9, 16, 23, 40, 97, 320}) {
        for (const std::string& text : texts) {
            // Inside, across each edge, and wholly outside.
            for (const cv::Point org : {cv::Point(10, height + 20), cv::Point(-height, 100),
                                        cv::Point(600, 200), cv::Point(30, 5),
                                        cv::Point(200, 360 + height / 3), cv::Point(-5000, 50)}) {
                cv::RNG rng(static_cast<uint64_t>(++seed));
                const Call c{text, org, height,
                             cv::Scalar(rng.uniform(0, 256), rng.uniform(0, 256),
                                        rng.uniform(0, 256)),
                             seed % 3 != 0};
                ASSERT_EQ(Difference(*cached, *reference, c, background), 0)
                    << "height " << height << " text " << text << " at " << org;
            }
        }
    }
}

TEST(CachedFreeType, ChangesOfHeightTextColourAndFontDrawAfreshAndFailuresMatch) {
    cv::Ptr<cv::freetype::FreeType2> cached = cached_freetype::Create();
    cached->loadFontData(kFonts + "DejaVuSans.ttf", 0);
    cv::Ptr<cv::freetype::FreeType2> sans = Reference("DejaVuSans.ttf");
    cv::Ptr<cv::freetype::FreeType2> serif = Reference("DejaVuSerif-Bold.ttf");
    const cv::Mat background = Noise(400, 200, 2);
    const Call first{"Zoom 1.5 x", {10, 60}, 24, cv::Scalar(255, 255, 255)};
    // The same call twice (the second from the cache), then one change at a time.
    for (const Call& c : {first, first, Call{"Zoom 1.5 x", {10, 90}, 48, first.colour},
                          Call{"Zoom 2 x!", {10, 90}, 48, first.colour},
                          Call{"Zoom 2 x!", {10, 90}, 48, cv::Scalar(0, 40, 250)}, first}) {
        EXPECT_EQ(Difference(*cached, *sans, c, background), 0) << c.text << " " << c.height;
    }
    int baseline = 0, expected = 0;
    EXPECT_EQ(cached->getTextSize("Zoom", 48, -1, &baseline),
              sans->getTextSize("Zoom", 48, -1, &expected));
    EXPECT_EQ(baseline, expected);

    // Another font file: glyphs of the first must not be reused.
    cached->loadFontData(kFonts + "DejaVuSerif-Bold.ttf", 0);
    EXPECT_EQ(Difference(*cached, *serif, first, background), 0);
    EXPECT_EQ(cached->getTextSize("Zoom", 48, -1, &baseline),
              serif->getTextSize("Zoom", 48, -1, &expected));

    // A file FreeType refuses leaves no font: drawing and measuring throw, as OpenCV's drawing
    // does, until a load succeeds again.
    const std::string garbage = ::testing::TempDir() + "cached_freetype_garbage.ttf";
    std::ofstream(garbage) << "not a font";
    EXPECT_THROW(cached->loadFontData(garbage, 0), cv::Exception);
    cv::Mat target = background.clone();
    EXPECT_THROW(cached->putText(target, "x", {10, 50}, 20, first.colour, -1, cv::LINE_AA, true),
                 cv::Exception);
    EXPECT_THROW(static_cast<void>(cached->getTextSize("x", 20, -1, &baseline)), cv::Exception);
    EXPECT_EQ(cv::norm(target, background, cv::NORM_INF), 0);
    cached->loadFontData(kFonts + "DejaVuSans.ttf", 0);
    EXPECT_EQ(Difference(*cached, *sans, first, background), 0);

    // Outlines and aliased text are OpenCV's own drawing.
    cv::Mat mine = background.clone(), theirs = background.clone();
    cached->putText(mine, "outline", {10, 150}, 40, first.colour, 2, cv::LINE_8, true);
    sans->putText(theirs, "outline", {10, 150}, 40, first.colour, 2, cv::LINE_8, true);
    EXPECT_EQ(cv::norm(mine, theirs, cv::NORM_INF), 0);
}

TEST(CachedFreeType, KeepsOnlyGlyphsThatReachTheImage) {
    cv::Ptr<cv::freetype::FreeType2> cached = cached_freetype::Create();
    cached->loadFontData(kFonts + "DejaVuSansMono.ttf", 0);
    // 80 distinct-enough characters at 320 px: rendered whole they would take megabytes; a
    // 300 x 200 image sees the first one or two.
    std::string line;
    for (int i = 0; i < 80; ++i) line += static_cast<char>('!' + i);
    cv::Mat target = Noise(300, 200, 3);
    const size_t before = cached_freetype::GlyphCacheBytes();
    cached->putText(target, line, {0, 250}, 320, cv::Scalar(0, 0, 0), -1, cv::LINE_AA, true);
    const size_t kept = cached_freetype::GlyphCacheBytes() - before;
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, size_t{4} * 320 * 320);
}

}  // namespace
