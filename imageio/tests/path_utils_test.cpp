#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "imageio/path_utils.h"

TEST(PathUtils, RoundTripsEveryPlaneOfUnicode) {
    // ASCII, 2-, 3- and 4-byte forms, including the highest code point.
    const std::wstring wide = L"a\u00e9\u4e2d\U0001F600\U0010FFFF";
    const std::string utf8 = to_byte_string(wide);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(to_wide_string(utf8), wide);
    EXPECT_EQ(PathToUTF8(wide), utf8);
    EXPECT_EQ(UTF8ToPath(utf8), wide);
    EXPECT_EQ(to_wide_string(""), L"");
    EXPECT_EQ(to_byte_string(L""), "");
}

TEST(PathUtils, InvalidUtf8GivesEmptyWideString) {
    for (const char* bad : {"\xFF", "ok\xFF", "\xC3", "\xE4\xB8", "\x80", "\xC0\xAF" /* overlong */,
                            "\xED\xA0\x80" /* surrogate */, "\xF4\x90\x80\x80" /* > U+10FFFF */,
                            "\xC3(", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_EQ(to_wide_string(bad), L"") << "input " << ::testing::PrintToString(bad);
    }
}

TEST(PathUtils, UnencodableWideValuesGiveEmptyString) {
    EXPECT_EQ(to_byte_string(std::wstring(1, static_cast<wchar_t>(0xD800))), "");
    EXPECT_EQ(to_byte_string(std::wstring(L"x") + static_cast<wchar_t>(0x110000)), "");
    EXPECT_EQ(to_byte_string(std::wstring(1, static_cast<wchar_t>(-1))), "");
}

TEST(PathUtils, ExtensionIsFromTheLastDotAnywhere) {
    EXPECT_EQ(GetExtension(std::string("a/b.JPG")), ".JPG");
    EXPECT_EQ(GetExtension(std::string("photo.jpeg.JXL")), ".JXL");
    EXPECT_EQ(GetExtension(std::string("dir.old/file")), ".old/file");
    EXPECT_EQ(GetExtension(std::string("noext")), "");
    EXPECT_EQ(GetExtension(std::string("")), "");
    EXPECT_EQ(GetExtension(std::wstring(L"photo.HEIC")), ".HEIC");
    EXPECT_EQ(GetExtension(std::wstring(L"\u5199\u771f.\u00e9")), ".\xC3\xA9");
    EXPECT_EQ(GetExtension(std::wstring(L"none")), "");
}

TEST(PathUtils, FileExistsAndEmbeddedNul) {
    EXPECT_TRUE(fileExists("/proc/self/status"));
    EXPECT_FALSE(fileExists("/nonexistent/definitely/not/here"));
    EXPECT_FALSE(fileExists(std::string("/proc/self/status\0x", 19)));
    const std::string fifo = "/tmp/movra_path_utils_fifo_" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(30);  // a stream's open would wait here for a writer
    EXPECT_TRUE(fileExists(fifo));
    ::alarm(0);
    ::unlink(fifo.c_str());
    EXPECT_TRUE(HasEmbeddedNul(std::string("a.png\0.jxl", 10)));
    EXPECT_FALSE(HasEmbeddedNul("a.png"));
}
