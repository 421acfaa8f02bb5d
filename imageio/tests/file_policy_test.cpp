// The opening policy on real file-system objects, and the shared decoder choice on top of it.
// Calls that could block on a named pipe run under an alarm, so a regression fails the test
// instead of hanging the run.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/file_bytes.h"
#include "imageio/file_policy.h"
#include "imageio/image_dispatch.h"

namespace fs = std::filesystem;

namespace {

// SIGALRM's default action ends the process: a blocked open becomes a failure, not a hang.
struct HangGuard {
    HangGuard() { ::alarm(30); }
    ~HangGuard() { ::alarm(0); }
};

class FilePolicy : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("movra_file_policy_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Fifo(const std::string& name) const {
        EXPECT_EQ(::mkfifo(Path(name).c_str(), 0600), 0);
        return Path(name);
    }
    // A sparse file: takes no space, whatever its size.
    bool Sparse(const std::string& name, std::uintmax_t size) const {
        std::ofstream(Path(name)).close();
        std::error_code ec;
        fs::resize_file(Path(name), size, ec);
        return !ec;
    }

    fs::path dir_;
};

TEST_F(FilePolicy, PathCheckAndOpenedFileGiveTheSameVerdict) {
    std::ofstream(Path("a.png")) << "hello";
    fs::create_directories(Path("dir.png"));
    fs::create_symlink(Path("a.png"), Path("link.png"));
    const std::string fifo = Fifo("pipe.heic");
    fs::create_symlink(fifo, Path("pipelink.jxl"));
    fs::create_symlink(Path("gone"), Path("dangling.png"));
    const bool sparse = Sparse("limit.png", 2147483647u) && Sparse("over.png", 2147483648u);

    struct Case {
        std::string path;
        FileRefusal expected;
    };
    std::vector<Case> cases = {
        {Path("a.png"), FileRefusal::None},
        {Path("link.png"), FileRefusal::None},
        {Path("missing.png"), FileRefusal::Missing},
        {Path("dangling.png"), FileRefusal::Missing},
        {Path("a.png/inside.png"), FileRefusal::Missing},
        {"", FileRefusal::Missing},
        {Path("dir.png"), FileRefusal::NotRegularFile},
        {fifo, FileRefusal::NotRegularFile},
        {Path("pipelink.jxl"), FileRefusal::NotRegularFile},
        {"/dev/null", FileRefusal::NotRegularFile},
        {Path("a.png") + std::string(1, '\0') + ".png", FileRefusal::EmbeddedNul},
    };
    if (sparse) {
        cases.push_back({Path("limit.png"), FileRefusal::None});
        cases.push_back({Path("over.png"), FileRefusal::TooLarge});
    }
    const HangGuard guard;
    for (const Case& c : cases) {
        EXPECT_EQ(CheckImageFile(c.path), c.expected) << c.path;
        const ImageFile file(c.path);
        EXPECT_EQ(file.Refusal(), c.expected) << c.path;
        EXPECT_EQ(file.IsOpen(), c.expected == FileRefusal::None) << c.path;
    }
    EXPECT_EQ(ImageFile(Path("a.png")).Size(), 5u);
    if (sparse) {
        EXPECT_EQ(ImageFile(Path("over.png")).Size(), 2147483648u);  // the error can name it
    }
}

TEST_F(FilePolicy, ReadsStopAtTheEndOfTheFile) {
    std::ofstream(Path("d.bin")) << "0123456789";
    const ImageFile file(Path("d.bin"));
    char buf[8] = {};
    EXPECT_EQ(file.ReadAt(6, buf, sizeof buf), 4u);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(file.ReadAt(10, buf, 1), 0u);

    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(file.ReadHead(bytes, 3), 3u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "012");
    EXPECT_EQ(file.ReadHead(bytes), 10u);
    EXPECT_EQ(bytes.size(), 10u);

    const ImageFile refused(Path("missing"));
    bytes.assign(4, 1);
    EXPECT_EQ(refused.ReadHead(bytes), 0u);
    EXPECT_TRUE(bytes.empty());
}

// Resident memory in bytes, from the kernel's own count.
std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(FilePolicy, WholeFileReadsZeroFillWhatShrankAndLeaveNoMemoryBehind) {
    {
        std::ofstream(Path("s.bin")) << "0123456789";
        const ImageFile file(Path("s.bin"));
        fs::resize_file(Path("s.bin"), 4);  // cut after the file was opened
        std::size_t got = 99;
        const FileBytes bytes = ReadWholeFile(file, &got);
        EXPECT_EQ(got, 4u);
        ASSERT_EQ(bytes.size(), 10u);
        EXPECT_EQ(std::string(bytes.data(), bytes.data() + 10),
                  std::string("0123") + std::string(6, '\0'));
        EXPECT_TRUE(ReadWholeFile(ImageFile(Path("missing")), &got).empty());
        EXPECT_EQ(got, 0u);
    }
    // A 24 MB read, below glibc's largest mmap threshold, would stay resident on the heap after
    // it was freed; read buffers must leave with the read.
    constexpr std::size_t kBig = 24u << 20;
    {
        std::ofstream big(Path("big.bin"), std::ios::binary);
        const std::vector<char> block(1 << 20, 'x');
        for (std::size_t i = 0; i < kBig / block.size(); ++i) big.write(block.data(), block.size());
    }
    const std::size_t before = ResidentBytes();
    for (int i = 0; i < 3; ++i) {
        const FileBytes bytes = ReadWholeFile(ImageFile(Path("big.bin")));
        ASSERT_EQ(bytes.size(), kBig);
        EXPECT_EQ(bytes.data()[kBig - 1], 'x');
        EXPECT_GT(ResidentBytes(), before + kBig / 2);
    }
    EXPECT_LT(ResidentBytes(), before + kBig / 8);
}

TEST_F(FilePolicy, ExtensionAndDecoderChoice) {
    EXPECT_EQ(LowerExtension("a/b.JPG"), "jpg");
    EXPECT_EQ(LowerExtension("dir.old/file"), "old/file");  // the last dot anywhere counts
    EXPECT_EQ(LowerExtension("x.\xC3\x84G"), "\xC3\x84g");   // only ASCII letters change
    EXPECT_EQ(DecoderForPath("x.heif"), ImageDecoder::Heif);
    EXPECT_EQ(DecoderForPath("photo.jpeg.JXL"), ImageDecoder::JpegXl);
}

TEST_F(FilePolicy, EveryDecoderRefusesWhatThePolicyRefuses) {
    const HangGuard guard;
    for (const std::string ext : {".png", ".jpg", ".heic", ".HEIF", ".jxl", ""}) {
        const std::string fifo = Fifo("pipe" + ext);
        const std::string nul = fifo + std::string(1, '\0') + ext;
        for (const std::string& path : {fifo, nul, Path("folder" + ext + "/")}) {
            cv::Mat out(2, 2, CV_8UC1, cv::Scalar(7));
            EXPECT_FALSE(DecodeImageFile(path, cv::IMREAD_UNCHANGED, out)) << path;
            EXPECT_TRUE(out.empty()) << path;
        }
    }
}

TEST_F(FilePolicy, FileOverIntMaxIsRefusedByEveryDecoder) {
    for (const std::string ext : {".png", ".heic", ".jxl"}) {
        if (!Sparse("big" + ext, 2147483648u)) GTEST_SKIP() << "no sparse files here";
    }
    cv::Mat out(2, 2, CV_8UC1, cv::Scalar(7));
    // OpenCV's reader keeps its documented size error; it is raised before anything is read.
    EXPECT_THROW((void)DecodeImageFile(Path("big.png"), cv::IMREAD_COLOR, out), cv::Exception);
    EXPECT_TRUE(out.empty());
    for (const char* name : {"big.heic", "big.jxl"}) {
        out = cv::Mat(2, 2, CV_8UC1, cv::Scalar(7));
        EXPECT_FALSE(DecodeImageFile(Path(name), cv::IMREAD_COLOR, out)) << name;
        EXPECT_TRUE(out.empty()) << name;
    }
}

}  // namespace
