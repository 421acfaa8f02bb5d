#include "imageio/jpeg_exif.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// One marker segment: FF, marker, big-endian length (payload + 2), payload.
Bytes Segment(std::uint8_t marker, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    Bytes s = {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
               static_cast<std::uint8_t>(length)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes Payload(const std::string& text) { return Bytes(text.begin(), text.end()); }

const Bytes kTiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};

Bytes ExifPayload() {
    Bytes p = Payload(std::string("Exif\0\0", 6));
    p.insert(p.end(), kTiff.begin(), kTiff.end());
    return p;
}

Bytes SofPayload(std::uint16_t width, std::uint16_t height, std::uint8_t components) {
    Bytes p = {8,
               static_cast<std::uint8_t>(height >> 8),
               static_cast<std::uint8_t>(height),
               static_cast<std::uint8_t>(width >> 8),
               static_cast<std::uint8_t>(width),
               components};
    for (std::uint8_t c = 0; c < components; ++c) {
        p.insert(p.end(), {static_cast<std::uint8_t>(c + 1), 0x11, 0});
    }
    return p;
}

Bytes Jpeg(const std::vector<Bytes>& segments) {
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& s : segments) {
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

std::string RangeText(const Bytes& data, const ByteRange& r) {
    return std::string(data.begin() + static_cast<std::ptrdiff_t>(r.begin),
                       data.begin() + static_cast<std::ptrdiff_t>(r.end));
}

TEST(JpegExif, FindsExifAfterJfifAndXmpSegments) {
    const Bytes data =
        Jpeg({Segment(0xE0, Payload("JFIF")),
              Segment(0xE1, Payload("http://ns.adobe.com/xap/1.0/")), Segment(0xE1, ExifPayload()),
              Segment(0xC0, SofPayload(64, 48, 3)), Segment(0xDA, Bytes(10, 0))});
    const auto range = FindJpegExif(data.data(), data.size());
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(RangeText(data, *range), std::string(kTiff.begin(), kTiff.end()));
}

TEST(JpegExif, SegmentLongerThanTheDataIsCutAtTheDataEnd) {
    Bytes data = Jpeg({Segment(0xE1, ExifPayload())});
    data[4] = 0x40;  // a declared length above 16 KiB; the data ends long before
    const auto range = FindJpegExif(data.data(), data.size());
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->end, data.size());
}

TEST(JpegExif, NothingFoundWhereTheWalkMustStop) {
    const Bytes exif = Segment(0xE1, ExifPayload());
    const std::vector<Bytes> cases = {
        {},
        {0xFF, 0xD8, 0xFF},
        // Not a JPEG.
        Bytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0},
        // EXIF after the first scan, or after the end of the image.
        Jpeg({Segment(0xDA, Bytes(4, 0)), exif}),
        Jpeg({{0xFF, 0xD9, 0, 2}, exif}),
        // A length below 2 would not advance the walk.
        Jpeg({{0xFF, 0xE0, 0, 0}, exif}),
        Jpeg({{0xFF, 0xE0, 0, 1}, exif}),
        // Garbage instead of a marker.
        Jpeg({{0x00, 0xE0, 0, 4, 0, 0}, exif}),
        // An EXIF segment too short for a TIFF header is not replaced by a later one.
        Jpeg({Segment(0xE1, Payload(std::string("Exif\0\0II*\0", 10))), exif}),
    };
    for (const Bytes& data : cases) {
        EXPECT_FALSE(FindJpegExif(data.data(), data.size()).has_value());
    }
}

TEST(JpegExif, FillBytesBeforeAMarkerAreSkipped) {
    Bytes data = Jpeg({Segment(0xE0, Payload("JFIF"))});
    data.insert(data.end(), {0xFF, 0xFF, 0xFF});
    const Bytes exif = Segment(0xE1, ExifPayload());
    data.insert(data.end(), exif.begin(), exif.end());
    EXPECT_TRUE(FindJpegExif(data.data(), data.size()).has_value());
}

TEST(JpegExif, ExifBeyondTheScannedBytesIsNotSeen) {
    // A comment segment of 65,533 bytes pushes the EXIF segment past the 64 KiB scanned.
    const Bytes data = Jpeg({Segment(0xFE, Bytes(65531, 'c')), Segment(0xE1, ExifPayload())});
    ASSERT_GT(data.size(), kJpegExifScanBytes);
    EXPECT_TRUE(FindJpegExif(data.data(), data.size()).has_value());
    EXPECT_FALSE(FindJpegExif(data.data(), kJpegExifScanBytes).has_value());
}

TEST(JpegFrame, ReadsBaselineAndProgressiveHeadersNotHuffmanTables) {
    const Bytes data = Jpeg({Segment(0xC4, Bytes(20, 0)), Segment(0xDB, Bytes(65, 0)),
                             Segment(0xC2, SofPayload(4000, 3000, 1))});
    const auto frame = FindJpegFrameHeader(data.data(), data.size());
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->marker, 0xC2);
    EXPECT_EQ(frame->precision, 8);
    EXPECT_EQ(frame->width, 4000);
    EXPECT_EQ(frame->height, 3000);
    EXPECT_EQ(frame->components, 1);
}

TEST(JpegFrame, TruncatedOrShortFrameHeaderGivesNothing) {
    Bytes data = Jpeg({Segment(0xC0, SofPayload(640, 480, 3))});
    EXPECT_FALSE(FindJpegFrameHeader(data.data(), 9).has_value());
    data[5] = 5;  // length 5: too short for precision, size and component count
    EXPECT_FALSE(FindJpegFrameHeader(data.data(), data.size()).has_value());
}

}  // namespace
