#include "imageio/exif_reader.h"

#include <algorithm>
#include <string>

namespace {

// EXIF tags read here (TIFF 6.0 / EXIF 2.3 numbering).
constexpr std::uint16_t kTagMake = 271;
constexpr std::uint16_t kTagModel = 272;
constexpr std::uint16_t kTagOrientation = 274;
constexpr std::uint16_t kTagDateTime = 306;
constexpr std::uint16_t kTagExifIfd = 34665;
constexpr std::uint16_t kTagGpsIfd = 34853;
constexpr std::uint16_t kTagExposureTime = 33434;
constexpr std::uint16_t kTagFNumber = 33437;
constexpr std::uint16_t kTagIso = 34855;
constexpr std::uint16_t kTagDateTimeOriginal = 36867;
constexpr std::uint16_t kTagFocalLength = 37386;
constexpr std::uint16_t kGpsLatitudeRef = 1;
constexpr std::uint16_t kGpsLatitude = 2;
constexpr std::uint16_t kGpsLongitudeRef = 3;
constexpr std::uint16_t kGpsLongitude = 4;
constexpr std::uint16_t kGpsAltitude = 6;

constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeRational = 5;

constexpr std::uint64_t kEntrySize = 12;

// Bytes per value of the TIFF 6.0 field types 1..12.
constexpr std::uint64_t kTypeSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

// The TIFF structure after its header was found. Offsets are 64-bit so that a 32-bit file offset
// plus a field position can never wrap around; every read checks the bytes actually present.
class TiffView {
  public:
    TiffView(const std::uint8_t* data, std::uint64_t size, bool littleEndian)
        : m_data(data), m_size(size), m_le(littleEndian) {}

    [[nodiscard]] std::uint64_t Size() const { return m_size; }
    [[nodiscard]] bool Contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }

    [[nodiscard]] bool U8(std::uint64_t offset, std::uint8_t& out) const {
        if (!Contains(offset, 1)) {
            return false;
        }
        out = m_data[offset];
        return true;
    }
    [[nodiscard]] bool U16(std::uint64_t offset, std::uint16_t& out) const {
        if (!Contains(offset, 2)) {
            return false;
        }
        const std::uint8_t* p = m_data + offset;
        out = m_le ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                   : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
        return true;
    }
    [[nodiscard]] bool U32(std::uint64_t offset, std::uint32_t& out) const {
        if (!Contains(offset, 4)) {
            return false;
        }
        const std::uint8_t* p = m_data + offset;
        out = m_le ? (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                      std::uint32_t{p[3]} << 24)
                   : (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                      std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
        return true;
    }

    // Count bytes at offset up to the first NUL, trailing spaces dropped; empty when out of
    // range. An ASCII field ends at its NUL (TIFF 6.0): cameras leave stale bytes behind it
    // ("ION230\0F"), which are no part of the value.
    [[nodiscard]] std::string Text(std::uint64_t offset, std::uint64_t count) const {
        if (!Contains(offset, count)) {
            return {};
        }
        const char* begin = reinterpret_cast<const char*>(m_data + offset);
        const char* end = begin + count;
        const char* nul = std::find(begin, end, '\0');
        std::string text(begin, nul);
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        return text;
    }

    // numerator / denominator; 0 when out of range or when the denominator is 0.
    [[nodiscard]] double Rational(std::uint64_t offset) const {
        std::uint32_t num = 0;
        std::uint32_t den = 0;
        if (!U32(offset, num) || !U32(offset + 4, den) || den == 0) {
            return 0.0;
        }
        return static_cast<double>(num) / static_cast<double>(den);
    }

    [[nodiscard]] double DegreesMinutesSeconds(std::uint64_t offset) const {
        return Rational(offset) + Rational(offset + 8) / 60.0 + Rational(offset + 16) / 3600.0;
    }

  private:
    const std::uint8_t* m_data;
    std::uint64_t m_size;
    bool m_le;
};

// Where a text value lies. Texts are cut out only after a whole IFD was walked, so that an IFD
// repeating a tag thousands of times over a large block costs one copy, not thousands.
struct TextRef {
    bool seen = false;
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
};

struct IfdEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t valueOffset = 0;  // where the value lies: inside the entry or elsewhere
    std::uint32_t pointer = 0;      // the value field read as an IFD offset
    TextRef text;
};

// Calls visit(entry) for each entry of the IFD at offset, in file order. The walk ends at the
// first entry that does not lie wholly inside the data; at most 65,535 entries exist, so it
// always terminates.
template <typename Visit>
void WalkIfd(const TiffView& tiff, std::uint64_t offset, Visit&& visit) {
    std::uint16_t entryCount = 0;
    if (!tiff.U16(offset, entryCount)) {
        return;
    }
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        const std::uint64_t at = offset + 2 + i * kEntrySize;
        if (!tiff.Contains(at, kEntrySize)) {
            return;
        }
        IfdEntry entry;
        std::uint32_t pointer = 0;
        // These reads cannot fail: the whole entry is inside the data.
        (void)tiff.U16(at, entry.tag);
        (void)tiff.U16(at + 2, entry.type);
        (void)tiff.U32(at + 4, entry.count);
        (void)tiff.U32(at + 8, pointer);
        const bool known = entry.type >= 1 && entry.type <= 12;
        const std::uint64_t bytes =
            known ? std::uint64_t{entry.count} * kTypeSizes[entry.type] : entry.count;
        entry.valueOffset = bytes < 5 ? at + 8 : pointer;
        entry.text = {true, entry.valueOffset, entry.count};
        // A sub-IFD offset is a LONG, but some writers store it as a SHORT, which in Motorola
        // order sits in the first two bytes of the field.
        std::uint16_t shortPointer = 0;
        entry.pointer =
            entry.type == kTypeShort && tiff.U16(at + 8, shortPointer) ? shortPointer : pointer;
        visit(entry);
    }
}

// The last DateTimeOriginal entry of the Exif IFD is the one that counts.
void ReadExifIfd(const TiffView& tiff, std::uint64_t offset, ImageFileInfo& info,
                 TextRef& dateTimeOriginal) {
    WalkIfd(tiff, offset, [&](const IfdEntry& e) {
        switch (e.tag) {
            case kTagIso:
                if (e.type == kTypeShort) {
                    std::uint16_t iso = 0;
                    info.iso = tiff.U16(e.valueOffset, iso) ? iso : 0;
                }
                break;
            case kTagDateTimeOriginal:
                dateTimeOriginal = e.text;
                break;
            case kTagFocalLength:
                if (e.type == kTypeRational) {
                    info.focalLength = tiff.Rational(e.valueOffset);
                }
                break;
            case kTagExposureTime:
                if (e.type == kTypeRational) {
                    info.exposureTime = tiff.Rational(e.valueOffset);
                }
                break;
            case kTagFNumber:
                if (e.type == kTypeRational) {
                    info.fNumber = tiff.Rational(e.valueOffset);
                }
                break;
            default:
                break;
        }
    });
}

void ReadGpsIfd(const TiffView& tiff, std::uint64_t offset, ImageFileInfo& info) {
    std::uint8_t latRef = 'N';
    std::uint8_t lonRef = 'E';
    double lat = 0.0;
    double lon = 0.0;
    double alt = 0.0;
    bool haveLat = false;
    bool haveLon = false;
    WalkIfd(tiff, offset, [&](const IfdEntry& e) {
        switch (e.tag) {
            case kGpsLatitudeRef:
                (void)tiff.U8(e.valueOffset, latRef);
                break;
            case kGpsLongitudeRef:
                (void)tiff.U8(e.valueOffset, lonRef);
                break;
            case kGpsLatitude:
                lat = tiff.DegreesMinutesSeconds(e.valueOffset);
                haveLat = true;
                break;
            case kGpsLongitude:
                lon = tiff.DegreesMinutesSeconds(e.valueOffset);
                haveLon = true;
                break;
            case kGpsAltitude:
                if (e.type == kTypeRational) {
                    alt = tiff.Rational(e.valueOffset);
                }
                break;
            default:
                break;
        }
    });
    // A position needs both coordinates; half of one is no position at all.
    if (haveLat && haveLon) {
        info.hasGps = true;
        info.gpsLat = latRef == 'S' ? -lat : lat;
        info.gpsLon = lonRef == 'W' ? -lon : lon;
        info.gpsAlt = alt;
    }
}

// Offset of the first "II*\0" / "MM\0*" header whose first-IFD offset lies inside the rest of
// the data; HEIF Exif blocks carry a prefix of their own before it.
bool FindTiffHeader(const std::uint8_t* data, std::size_t size, std::size_t& start,
                    bool& littleEndian, std::uint32_t& firstIfd) {
    for (std::size_t s = 0; size - s > 8; ++s) {
        const std::uint8_t* p = data + s;
        const bool le = p[0] == 'I' && p[1] == 'I';
        const bool be = p[0] == 'M' && p[1] == 'M';
        if (!le && !be) {
            continue;
        }
        const TiffView view(p, size - s, le);
        std::uint16_t magic = 0;
        std::uint32_t ifd = 0;
        if (view.U16(2, magic) && magic == 42 && view.U32(4, ifd) && ifd < view.Size()) {
            start = s;
            littleEndian = le;
            firstIfd = ifd;
            return true;
        }
    }
    return false;
}

}  // namespace

void ReadExif(const std::uint8_t* data, std::size_t size, ImageFileInfo& info) {
    if (data == nullptr || size < 9) {
        return;
    }
    std::size_t start = 0;
    bool littleEndian = true;
    std::uint32_t firstIfd = 0;
    if (!FindTiffHeader(data, size, start, littleEndian, firstIfd)) {
        return;
    }
    info.hasExif = true;
    const TiffView tiff(data + start, size - start, littleEndian);

    TextRef make;
    TextRef model;
    TextRef dateTime;
    TextRef dateTimeOriginal;
    bool walkedExifIfd = false;
    bool walkedGpsIfd = false;
    WalkIfd(tiff, firstIfd, [&](const IfdEntry& e) {
        switch (e.tag) {
            case kTagMake:
                make = e.text;
                break;
            case kTagModel:
                model = e.text;
                break;
            case kTagDateTime:
                dateTime = e.text;
                break;
            case kTagOrientation:
                if (e.type == kTypeShort) {
                    std::uint16_t orientation = 0;
                    info.orientation = tiff.U16(e.valueOffset, orientation) ? orientation : 0;
                }
                break;
            // Sub-IFDs are followed only from IFD0 and only once each: no pointer cycle can make
            // the walk loop, and an IFD0 repeating a pointer 65,535 times cannot multiply the
            // work into billions of entry reads.
            case kTagExifIfd:
                if (!walkedExifIfd) {
                    walkedExifIfd = true;
                    ReadExifIfd(tiff, e.pointer, info, dateTimeOriginal);
                }
                break;
            case kTagGpsIfd:
                if (!walkedGpsIfd) {
                    walkedGpsIfd = true;
                    ReadGpsIfd(tiff, e.pointer, info);
                }
                break;
            default:
                break;
        }
    });
    if (make.seen) {
        info.cameraMake = tiff.Text(make.offset, make.count);
    }
    if (model.seen) {
        info.cameraModel = tiff.Text(model.offset, model.count);
    }
    if (dateTime.seen) {
        info.dateTime = tiff.Text(dateTime.offset, dateTime.count);
    }
    // DateTimeOriginal is when the picture was taken, DateTime may be a later edit: the former
    // wins whichever entry comes first, unless it is blank (cameras without a clock write
    // spaces).
    if (dateTimeOriginal.seen) {
        std::string original = tiff.Text(dateTimeOriginal.offset, dateTimeOriginal.count);
        if (!original.empty()) {
            info.dateTime = std::move(original);
        }
    }
}
