#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "imageio/path_utils.h"
#include "imageio/unicode_io.h"

namespace fs = std::filesystem;

namespace {

class UnicodeIo : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("movra_unicode_io_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        image_ = cv::Mat(17, 23, CV_8UC3);
        cv::randu(image_, 0, 256);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::wstring Wide(const std::string& name) const {
        return to_wide_string((dir_ / name).string());
    }
    std::string Bytes(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    cv::Mat image_;
};

// A sentinel that must survive reads that cannot open their file.
cv::Mat Sentinel() { return cv::Mat(2, 2, CV_8UC1, cv::Scalar(7)); }

}  // namespace

TEST_F(UnicodeIo, LosslessRoundTripAtNonAsciiPath) {
    const std::string name = "\xE5\x86\x99\xE7\x9C\x9F \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80.png";
    ASSERT_TRUE(Unicode_CvImwrite(Wide(name), image_, {}));
    ASSERT_TRUE(fs::exists(dir_ / name));
    cv::Mat back;
    Unicode_CvImread(Wide(name), back, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(back.type(), CV_8UC3);
    EXPECT_EQ(cv::norm(back, image_, cv::NORM_INF), 0.0);
}

TEST_F(UnicodeIo, PathWithoutExtensionIsWrittenAsPng) {
    ASSERT_TRUE(Unicode_CvImwrite(Wide("plain"), image_, {}));
    EXPECT_EQ(Bytes("plain").substr(0, 8), "\x89PNG\r\n\x1a\n");
    // A dot only in a folder name is no extension of the file.
    fs::create_directories(dir_ / "dir.old");
    ASSERT_TRUE(Unicode_CvImwrite(Wide("dir.old/file"), image_, {}));
    EXPECT_EQ(Bytes("dir.old/file").substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST_F(UnicodeIo, ExtensionPicksTheEncoderAndCaseDoesNotMatter) {
    ASSERT_TRUE(Unicode_CvImwrite(Wide("x.JPG"), image_, {}));
    EXPECT_EQ(Bytes("x.JPG").substr(0, 3), "\xFF\xD8\xFF");
    ASSERT_TRUE(Unicode_CvImwrite(Wide("x.bmp"), image_, {}));
    EXPECT_EQ(Bytes("x.bmp").substr(0, 2), "BM");
}

TEST_F(UnicodeIo, UnknownExtensionThrowsAndWritesNothing) {
    EXPECT_THROW((void)Unicode_CvImwrite(Wide("x.nosuchformat"), image_, {}), cv::Exception);
    EXPECT_FALSE(fs::exists(dir_ / "x.nosuchformat"));
}

TEST_F(UnicodeIo, UnwritablePathsReportFailure) {
    EXPECT_FALSE(Unicode_CvImwrite(Wide("missing_dir/x.png"), image_, {}));
    EXPECT_FALSE(fs::exists(dir_ / "missing_dir"));
    fs::create_directories(dir_ / "taken.png");
    EXPECT_FALSE(Unicode_CvImwrite(Wide("taken.png"), image_, {}));
    // A NUL would cut the path short and write to "cut" instead.
    std::wstring withNul = Wide("cut");
    withNul += L'\0';
    withNul += L".png";
    EXPECT_FALSE(Unicode_CvImwrite(withNul, image_, {}));
    EXPECT_FALSE(fs::exists(dir_ / "cut"));
    // An unencodable wide path has no UTF-8 name to open.
    EXPECT_FALSE(
        Unicode_CvImwrite(std::wstring(1, static_cast<wchar_t>(0xDC00)) + L".png", image_, {}));
}

TEST_F(UnicodeIo, WriteErrorIsNotReportedAsSuccess) {
    // /dev/full opens but every write fails with ENOSPC; the device itself must stay.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(Unicode_CvImwrite(L"/dev/full", image_, {}));
    EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST_F(UnicodeIo, ReadsThatCannotOpenLeaveTheMatrixAlone) {
    cv::Mat out = Sentinel();
    Unicode_CvImread(Wide("absent.png"), out, cv::IMREAD_COLOR);
    EXPECT_EQ(out.at<uchar>(0, 0), 7);
    Unicode_CvImread(to_wide_string(dir_.string()), out, cv::IMREAD_COLOR);  // a directory
    EXPECT_EQ(out.at<uchar>(0, 0), 7);
    ASSERT_EQ(::mkfifo((dir_ / "pipe.png").c_str(), 0600), 0);  // opening would block
    Unicode_CvImread(Wide("pipe.png"), out, cv::IMREAD_COLOR);
    EXPECT_EQ(out.at<uchar>(0, 0), 7);
}

TEST_F(UnicodeIo, UndecodableAndEmptyFilesGiveAnEmptyMatrix) {
    std::ofstream(dir_ / "text.png") << "not an image at all";
    std::ofstream(dir_ / "zero.png");
    for (const char* name : {"text.png", "zero.png"}) {
        cv::Mat out = Sentinel();
        EXPECT_NO_THROW(Unicode_CvImread(Wide(name), out, cv::IMREAD_COLOR));
        EXPECT_TRUE(out.empty()) << name;
    }
}

TEST_F(UnicodeIo, FileOverIntMaxIsRefusedBeforeReading) {
    // Sparse: no disk space is used, and the check must come before the 2 GiB read.
    const fs::path big = dir_ / "big.png";
    std::ofstream(big).close();
    std::error_code ec;
    fs::resize_file(big, 2147483648ull, ec);
    if (ec) GTEST_SKIP() << "cannot make a sparse file here";
    cv::Mat out = Sentinel();
    try {
        Unicode_CvImread(to_wide_string(big.string()), out, cv::IMREAD_COLOR);
        FAIL() << "no exception";
    } catch (const cv::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("Must not be larger than INT_MAX"), std::string::npos);
    }
}
