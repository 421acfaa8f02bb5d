// JPEG marker walk over the first bytes of a file: where the EXIF (TIFF) bytes of the APP1
// segment lie, and the frame header's size. Pure, no I/O; any bytes at all are safe input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// JPEG EXIF is looked for only in this many leading bytes of the file.
inline constexpr std::size_t kJpegExifScanBytes = 65536;

// [begin, end) inside the data given.
struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The TIFF structure after "Exif\0\0" of the first EXIF APP1 segment, cut at the segment's end
// or the data's end; nothing when the data is no JPEG, the segment is missing, lies beyond
// the data or is too short to hold a TIFF header.
[[nodiscard]] std::optional<ByteRange> FindJpegExif(const std::uint8_t* data, std::size_t size);

struct JpegFrameHeader {
    std::uint8_t marker = 0;  // 0xC0..0xCF: the coding process
    int precision = 0;        // bits per sample
    int width = 0;
    int height = 0;  // 0 when a DNL segment after the first scan gives it
    int components = 0;
};

// The first start-of-frame segment before the first scan, when it lies wholly inside the data.
[[nodiscard]] std::optional<JpegFrameHeader> FindJpegFrameHeader(const std::uint8_t* data,
                                                                 std::size_t size);
