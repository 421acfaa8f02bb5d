#include "imageio/exif_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imageio/tests/tiff_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t ValueField(std::size_t ifdAt, std::size_t index) {
    return ifdAt + 2 + 12 * index + 8;
}

// A complete block: IFD0 at 8, Exif IFD at 100, GPS IFD at 300, texts at 200.., rationals
// at 400.. . Camera values chosen so that every field differs from its initial value.
TiffBuilder CompleteBlock(bool littleEndian) {
    TiffBuilder b(littleEndian);
    b.Header(8);
    b.Ifd(8, {{271, kAscii, 6, 200},
              {272, kAscii, 8, 210},
              {274, kShort, 1, 6, true},
              {306, kAscii, 20, 220},
              {34665, kLong, 1, 100},
              {34853, kLong, 1, 300}});
    b.Ifd(100, {{33434, kRational, 1, 408},
                {33437, kRational, 1, 416},
                {34855, kShort, 1, 400, true},
                {36867, kAscii, 20, 240},
                {37386, kRational, 1, 400}});
    b.Ifd(300, {{1, kAscii, 2, 0},
                {2, kRational, 3, 430},
                {3, kAscii, 2, 0},
                {4, kRational, 3, 454},
                {6, kRational, 1, 478}});
    b.Text(ValueField(300, 0), "S").Text(ValueField(300, 2), "W");
    b.Text(200, std::string("Canon\0", 6));
    b.Text(210, std::string("EOS R5 \0", 8));
    b.Text(220, std::string("2020:01:01 00:00:00\0", 20));
    b.Text(240, std::string("2021:02:03 04:05:06\0", 20));
    b.Rational(400, 50, 1).Rational(408, 1, 250).Rational(416, 28, 10);
    b.Rational(430, 35, 1).Rational(438, 30, 1).Rational(446, 3600, 100);
    b.Rational(454, 139, 1).Rational(462, 45, 1).Rational(470, 0, 1);
    b.Rational(478, 1235, 10);
    return b;
}

ImageFileInfo Read(const std::vector<std::uint8_t>& bytes) {
    ImageFileInfo info;
    ReadExif(bytes.data(), bytes.size(), info);
    return info;
}

class ExifByteOrder : public testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsIfd0ExifAndGpsFields) {
    const ImageFileInfo info = Read(CompleteBlock(GetParam()).Bytes());
    EXPECT_TRUE(info.hasExif);
    EXPECT_EQ(info.cameraMake, "Canon");
    EXPECT_EQ(info.cameraModel, "EOS R5");  // trailing space and NUL dropped
    EXPECT_EQ(info.orientation, 6);
    EXPECT_EQ(info.dateTime, "2021:02:03 04:05:06");  // DateTimeOriginal wins
    EXPECT_EQ(info.iso, 400);
    EXPECT_DOUBLE_EQ(info.focalLength, 50.0);
    EXPECT_DOUBLE_EQ(info.exposureTime, 1.0 / 250.0);
    EXPECT_DOUBLE_EQ(info.fNumber, 2.8);
    EXPECT_TRUE(info.hasGps);
    EXPECT_DOUBLE_EQ(info.gpsLat, -(35.0 + 30.0 / 60.0 + 36.0 / 3600.0));
    EXPECT_DOUBLE_EQ(info.gpsLon, -139.75);
    EXPECT_DOUBLE_EQ(info.gpsAlt, 123.5);
}

TEST_P(ExifByteOrder, FindsTheTiffHeaderBehindAHeifStylePrefix) {
    std::vector<std::uint8_t> block = {0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0};
    const Bytes tiff = CompleteBlock(GetParam()).Bytes();
    block.insert(block.end(), tiff.begin(), tiff.end());
    const ImageFileInfo info = Read(block);
    EXPECT_EQ(info.cameraMake, "Canon");
    EXPECT_DOUBLE_EQ(info.gpsLon, -139.75);
}

INSTANTIATE_TEST_SUITE_P(IntelAndMotorola, ExifByteOrder, testing::Bool());

TEST(ExifReader, NoHeaderOrTooShortLeavesTheRecordUntouched) {
    const ImageFileInfo initial;
    for (const std::vector<std::uint8_t>& bytes :
         {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0},
          std::vector<std::uint8_t>(100, 0x20),
          // First IFD offset equal to the remaining length: not a header.
          TiffBuilder(true, 16).Header(16).Bytes(),
          // Magic 43 (BigTIFF) is not read.
          TiffBuilder(true, 32).Header(8).Put16(2, 43).Bytes()}) {
        const ImageFileInfo info = Read(bytes);
        EXPECT_FALSE(info.hasExif);
        EXPECT_EQ(info.orientation, initial.orientation);
    }
}

TEST(ExifReader, DateTimeOriginalOfSpacesKeepsDateTime) {
    TiffBuilder b = CompleteBlock(true);
    b.Text(240, std::string(20, ' '));
    EXPECT_EQ(Read(b.Bytes()).dateTime, "2020:01:01 00:00:00");
}

TEST(ExifReader, TextEndsAtItsFirstNulWhateverFollows) {
    TiffBuilder b = CompleteBlock(false);
    b.Text(200, std::string("Can\0on", 6));
    b.Text(210, std::string("ION230\0F", 8));  // a real camera's Model field
    b.Text(240, std::string("\0""2021:02:03 04:05:0", 20));  // blank original: DateTime stays
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_EQ(info.cameraMake, "Can");
    EXPECT_EQ(info.cameraModel, "ION230");
    EXPECT_EQ(info.dateTime, "2020:01:01 00:00:00");
    // Spaces before the NUL are trailing spaces of the value.
    b.Text(210, std::string("EOS \0ABC", 8));
    EXPECT_EQ(Read(b.Bytes()).cameraModel, "EOS");
}

TEST(ExifReader, LatitudeWithoutLongitudeIsNoPosition) {
    TiffBuilder b = CompleteBlock(false);
    b.Ifd(300, {{1, kAscii, 2, 0}, {2, kRational, 3, 430}, {6, kRational, 1, 478}});
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_FALSE(info.hasGps);
    EXPECT_EQ(info.gpsLat, 0.0);
    EXPECT_EQ(info.gpsLon, 0.0);
    EXPECT_EQ(info.gpsAlt, 0.0);
}

TEST(ExifReader, TagsWithTheWrongTypeAreSkipped) {
    TiffBuilder b = CompleteBlock(true);
    b.Put16(8 + 2 + 12 * 2 + 2, kLong);    // Orientation as LONG
    b.Put16(100 + 2 + 12 * 0 + 2, kLong);  // ExposureTime as LONG
    b.Put16(100 + 2 + 12 * 2 + 2, kLong);  // ISO as LONG
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_EQ(info.orientation, 1);
    EXPECT_EQ(info.exposureTime, 0.0);
    EXPECT_EQ(info.iso, 0);
    EXPECT_DOUBLE_EQ(info.fNumber, 2.8);
}

TEST(ExifReader, HostileOffsetsAndCountsReadNothingOutsideTheBlock) {
    TiffBuilder b(true, 256);
    b.Header(8);
    b.Ifd(8, {// Text offsets that wrap a 32-bit sum back into the block.
              {271, kAscii, 0x20, 0xFFFFFFF0},
              // Text count past the end.
              {272, kAscii, 0xFFFFFFFF, 16},
              // Orientation stored out of line, past the end.
              {274, kShort, 3, 0xFFFFFFFF},
              {306, kAscii, 300, 0},
              {34665, kLong, 1, 200},
              {34853, kLong, 1, 0xFFFFFFFE}});
    b.Ifd(200, {// Rationals whose second word would wrap; a zero denominator.
                {33434, kRational, 1, 0xFFFFFFFC},
                {37386, kRational, 1, 240},
                {34855, kShort, 3, 0xFFFFFFFF},
                {36867, kAscii, 0x80000000, 0x80000000}});
    b.Rational(240, 50, 0);
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_TRUE(info.hasExif);
    EXPECT_EQ(info.cameraMake, "");
    EXPECT_EQ(info.cameraModel, "");
    EXPECT_EQ(info.orientation, 0);
    EXPECT_EQ(info.dateTime, "");
    EXPECT_EQ(info.exposureTime, 0.0);
    EXPECT_EQ(info.focalLength, 0.0);
    EXPECT_EQ(info.iso, 0);
    EXPECT_FALSE(info.hasGps);
}

TEST(ExifReader, EntryCountsBeyondTheDataStopAtTheLastWholeEntry) {
    // 65,535 entries declared, two present, the block ends in the middle of the third.
    TiffBuilder b(false, 8 + 2 + 12 * 2 + 6);
    b.Header(8);
    b.Ifd(8, {{274, kShort, 1, 3, true}, {272, kAscii, 4, 0}}, 0xFFFF);
    b.Text(ValueField(8, 1), "Ab");
    b.Resize(8 + 2 + 12 * 2 + 6);
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_EQ(info.orientation, 3);
    EXPECT_EQ(info.cameraModel, "Ab");
}

TEST(ExifReader, SubIfdOffsetsPastTheEndOrBackToIfd0Terminate) {
    TiffBuilder b(true, 64);
    b.Header(8);
    // The Exif pointer leads back to IFD0 itself; the GPS pointer beyond the data.
    b.Ifd(8, {{34665, kLong, 1, 8}, {34853, kLong, 1, 60}, {274, kShort, 1, 8, true}});
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_TRUE(info.hasExif);
    EXPECT_EQ(info.orientation, 8);
    EXPECT_FALSE(info.hasGps);
}

TEST(ExifReader, RepeatedSubIfdPointersAreWalkedOnce) {
    // An IFD0 of 65,535 Exif pointers, each to a sub-IFD of 65,535 entries, must not cost
    // 65,535 squared entry reads: the first pointer counts.
    const std::size_t entries = 0xFFFF;
    const std::size_t sub = 8 + 2 + 12 * entries + 4;
    TiffBuilder b(true, sub + 2 + 12 * entries);
    b.Header(8);
    b.Ifd(8, std::vector<TiffEntry>(entries,
                                    TiffEntry{34665, kLong, 1, static_cast<std::uint32_t>(sub)}));
    std::vector<TiffEntry> exif(entries, TiffEntry{34855, kShort, 1, 100, true});
    b.Ifd(sub, exif);
    const ImageFileInfo info = Read(b.Bytes());
    EXPECT_EQ(info.iso, 100);
}

TEST(ExifReader, ShortSubIfdPointerInMotorolaOrder) {
    TiffBuilder b(false, 128);
    b.Header(8);
    b.Ifd(8, {{34665, kShort, 1, 40, true}});
    b.Ifd(40, {{34855, kShort, 1, 800, true}});
    EXPECT_EQ(Read(b.Bytes()).iso, 800);
}

}  // namespace
