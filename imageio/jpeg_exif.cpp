#include "imageio/jpeg_exif.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;

std::size_t BigEndian16(const std::uint8_t* p) {
    return static_cast<std::size_t>(p[0]) << 8 | p[1];
}

// Calls visit(marker, p, length) for each marker segment from offset 2, where p is the index
// of the segment's 0xFF and length its big-endian length field; visit returns false to stop.
// The walk stops at the first scan or the end of the image too, and whenever the next segment
// header would not fit; p grows by at least 2 per step, so it always ends.
template <typename Visit>
void WalkSegments(const std::uint8_t* data, std::size_t size, Visit&& visit) {
    if (data == nullptr || size < 6 || data[0] != 0xFF || data[1] != 0xD8) {
        return;
    }
    std::size_t p = 2;  // invariant at the top of the loop: p + 4 <= size
    for (;;) {
        if (data[p] != 0xFF) {
            return;
        }
        // Any marker may be preceded by 0xFF fill bytes.
        while (data[p + 1] == 0xFF) {
            ++p;
            if (p + 4 > size) {
                return;
            }
        }
        const std::uint8_t marker = data[p + 1];
        const std::size_t length = BigEndian16(data + p + 2);
        if (!visit(marker, p, length)) {
            return;
        }
        if (marker == kEoi || marker == kSos || length < 2) {
            return;
        }
        p += 2 + length;  // at most size + 65,537: no overflow
        if (p > size || size - p < 4) {
            return;
        }
    }
}

bool IsStartOfFrame(std::uint8_t marker) {
    // 0xC4 (Huffman tables), 0xC8 (reserved) and 0xCC (arithmetic conditioning) share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

std::optional<ByteRange> FindJpegExif(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::optional<ByteRange> found;
    WalkSegments(data, size, [&](std::uint8_t marker, std::size_t p, std::size_t length) {
        if (marker != kApp1 || p + 10 > size || std::memcmp(data + p + 4, kExifId, 6) != 0) {
            return true;
        }
        // The first EXIF segment is the one; a cut one is not replaced by a later one.
        const std::size_t end = std::min(size, p + 2 + length);
        if (p + 18 <= end) {
            found = ByteRange{p + 10, end};
        }
        return false;
    });
    return found;
}

std::optional<JpegFrameHeader> FindJpegFrameHeader(const std::uint8_t* data, std::size_t size) {
    std::optional<JpegFrameHeader> found;
    WalkSegments(data, size, [&](std::uint8_t marker, std::size_t p, std::size_t length) {
        if (!IsStartOfFrame(marker)) {
            return true;
        }
        if (length >= 8 && p + 10 <= size) {
            JpegFrameHeader header;
            header.marker = marker;
            header.precision = data[p + 4];
            header.height = static_cast<int>(BigEndian16(data + p + 5));
            header.width = static_cast<int>(BigEndian16(data + p + 7));
            header.components = data[p + 9];
            found = header;
        }
        return false;
    });
    return found;
}
