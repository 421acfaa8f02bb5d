#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>

#include "imageio/cpu_features.h"
#include "imageio/cv_utils.h"

TEST(CvUtils, TypeNames) {
    EXPECT_EQ(type2str(CV_8UC3), "8UC3");
    EXPECT_EQ(type2str(16), "8UC3");
    EXPECT_EQ(type2str(CV_8UC1), "8UC1");
    EXPECT_EQ(type2str(CV_16UC4), "16UC4");
    EXPECT_EQ(type2str(CV_32FC2), "32FC2");
    EXPECT_EQ(type2str(CV_64FC1), "64FC1");
    EXPECT_EQ(type2str(CV_8SC1), "8SC1");
    EXPECT_EQ(type2str(CV_16SC3), "16SC3");
    EXPECT_EQ(type2str(CV_32SC1), "32SC1");
    EXPECT_EQ(type2str(7), "UserC1");
}

TEST(CvUtils, RoundingTakesHalvesAwayFromZeroOnTheDoubleProduct) {
    EXPECT_EQ(roundToDecimalPlaces(-2.5, 0), -3.0);
    EXPECT_EQ(roundToDecimalPlaces(2.5, 0), 3.0);
    EXPECT_EQ(roundToDecimalPlaces(2.4, -3), 2.0);
    EXPECT_EQ(roundToDecimalPlaces(1.005, 2), 1.0);  // 1.005 * 100 is 100.49999...
    EXPECT_DOUBLE_EQ(roundToDecimalPlaces(1.25, 1), 1.3);
    EXPECT_DOUBLE_EQ(roundToDecimalPlaces(-1.25, 1), -1.3);
    EXPECT_DOUBLE_EQ(roundToDecimalPlaces(3.14159, 3), 3.142);
}

TEST(CvUtils, RandomStringLengthsAndAlphabet) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const size_t kMax = std::numeric_limits<size_t>::max();
    EXPECT_EQ(GenerateRandomString(0, 0), "");
    EXPECT_EQ(GenerateRandomString(40, 0).size(), 40u);
    EXPECT_EQ(GenerateRandomString(40, kMax).size(), 40u);
    EXPECT_EQ(GenerateRandomString(5, 9).size(), 5u);  // minimum above maximum: the maximum
    std::set<size_t> lengths;
    std::set<char> seen;
    for (int i = 0; i < 400; ++i) {
        const std::string s = GenerateRandomString(6, 3);
        ASSERT_GE(s.size(), 3u);
        ASSERT_LE(s.size(), 6u);
        lengths.insert(s.size());
        for (char c : s) {
            ASSERT_NE(alphabet.find(c), std::string::npos);
            seen.insert(c);
        }
    }
    EXPECT_EQ(lengths.size(), 4u);  // every length of 3..6 turns up
    EXPECT_GT(seen.size(), 50u);    // ~1800 draws cover nearly all 62 characters
    EXPECT_NE(GenerateRandomString(32, 0), GenerateRandomString(32, 0));
}

TEST(CpuFeatures, AgreeWithTheKernelsFlags) {
#if defined(__x86_64__)
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    std::set<std::string> flags;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) == 0) {
            std::istringstream words(line.substr(line.find(':') + 1));
            std::string w;
            while (words >> w)
                flags.insert(w);
            break;
        }
    }
    ASSERT_FALSE(flags.empty());
    EXPECT_EQ(isSSE4Supported(), flags.count("sse4_1") == 1);
    EXPECT_EQ(isAVX2Supported(), flags.count("avx2") == 1);
    EXPECT_EQ(isAVX512Supported(), flags.count("avx512f") == 1);
    int regs[4] = {-1, -1, -1, -1};
    CrossPlatformCPUID(regs, 1);
    EXPECT_EQ(((regs[2] >> 19) & 1) == 1, flags.count("sse4_1") == 1);  // ECX bit 19: SSE4.1
    CrossPlatformCPUIDex(regs, 0x7fffffff, 0);                          // beyond the last leaf
    EXPECT_EQ(regs[0] | regs[1] | regs[2] | regs[3], 0);
#else
    EXPECT_TRUE(isSSE4Supported());
    EXPECT_TRUE(isAVX2Supported());
    EXPECT_FALSE(isAVX512Supported());
#endif
}

TEST(CvUtils, ResizeByScaleKeepsOpenCvsResultAndAtLeastOnePixelPerSide) {
    cv::Mat src(37, 53, CV_8UC3);
    cv::randu(src, 0, 256);
    for (const double scale : {0.3, 0.5, 1.7}) {
        cv::Mat ours;
        cv::Mat reference;
        ResizeByScale(src, ours, scale, cv::INTER_NEAREST);
        cv::resize(src, reference, cv::Size(), scale, scale, cv::INTER_NEAREST);
        ASSERT_EQ(ours.size(), reference.size());
        EXPECT_EQ(cv::norm(ours, reference, cv::NORM_INF), 0.0) << scale;
    }
    // A strip fitted into a window: 0.49 columns and 0.0 rows would make OpenCV throw.
    const cv::Mat tall(29248, 48, CV_8UC1, cv::Scalar(7));
    cv::Mat line;
    ResizeByScale(tall, line, 300.0 / 29248, cv::INTER_LINEAR);
    EXPECT_EQ(line.size(), cv::Size(1, 300));
    EXPECT_EQ(line.at<std::uint8_t>(150, 0), 7);
    ResizeByScale(cv::Mat(3, 3, CV_8UC1), line, 0.01, cv::INTER_NEAREST);
    EXPECT_EQ(line.size(), cv::Size(1, 1));
}
