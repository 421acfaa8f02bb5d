#include "imageio/heif_decoder.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A HEIC made by heif-enc (x265) from a small test card; empty when the tool is missing.
std::vector<std::uint8_t> EncodeWithHeifEnc(const fs::path& dir) {
    cv::Mat card(36, 52, CV_8UC3);
    cv::randu(card, 0, 256);
    cv::imwrite((dir / "card.png").string(), card);
    const std::string command = "heif-enc -q 50 -o '" + (dir / "card.heic").string() + "' '" +
                                (dir / "card.png").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::ifstream in(dir / "card.heic", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(HeifDecoder, MemoryAndFileDecodesAgreeAndCutBytesFailCleanly) {
    const fs::path dir =
        fs::temp_directory_path() / ("movra_heif_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::uint8_t> bytes = EncodeWithHeifEnc(dir);
    if (bytes.empty()) {
        fs::remove_all(dir);
        GTEST_SKIP() << "heif-enc is not installed";
    }
    const cv::Mat fromFile = heif_utils::heif_to_cvmat((dir / "card.heic").string());
    fs::remove_all(dir);
    const cv::Mat fromMemory = heif_utils::heif_memory_to_cvmat(bytes.data(), bytes.size());
    ASSERT_EQ(fromFile.type(), CV_8UC3);
    ASSERT_EQ(fromFile.size(), cv::Size(52, 36));
    ASSERT_EQ(fromMemory.type(), fromFile.type());
    ASSERT_EQ(fromMemory.size(), fromFile.size());
    EXPECT_EQ(cv::norm(fromMemory, fromFile, cv::NORM_INF), 0.0);

    for (const std::size_t cut : {std::size_t{0}, std::size_t{7}, bytes.size() / 3,
                                  bytes.size() - 1}) {
        // A copy of exactly `cut` bytes, so that the sanitizers see any read past the end.
        const std::vector<std::uint8_t> part(bytes.begin(),
                                             bytes.begin() + static_cast<long>(cut));
        testing::internal::CaptureStderr();
        const cv::Mat m = heif_utils::heif_memory_to_cvmat(part.data(), part.size());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(m.empty()) << "cut at " << cut;
        EXPECT_NE(err.find("HEIC"), std::string::npos) << "cut at " << cut << ": " << err;
    }
}
