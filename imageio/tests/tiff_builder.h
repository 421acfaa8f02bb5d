// Test helper: writes TIFF/EXIF structures byte by byte at chosen offsets, in either byte
// order, so that tests can state exactly which offsets, counts and values a block holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TiffEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;       // offset, or inline value (LONG)
    bool inlineShort = false;  // value is a SHORT in the first two bytes of the field
};

class TiffBuilder {
  public:
    explicit TiffBuilder(bool littleEndian, std::size_t size = 512)
        : m_le(littleEndian), m_bytes(size, 0) {}

    TiffBuilder& Header(std::uint32_t firstIfd) {
        m_bytes[0] = m_bytes[1] = m_le ? 'I' : 'M';
        Put16(2, 42);
        Put32(4, firstIfd);
        return *this;
    }
    TiffBuilder& Ifd(std::size_t at, const std::vector<TiffEntry>& entries,
                     std::uint16_t declaredCount = 0) {
        Put16(at, declaredCount != 0 ? declaredCount : static_cast<std::uint16_t>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::size_t e = at + 2 + 12 * i;
            Put16(e, entries[i].tag);
            Put16(e + 2, entries[i].type);
            Put32(e + 4, entries[i].count);
            if (entries[i].inlineShort) {
                Put16(e + 8, static_cast<std::uint16_t>(entries[i].value));
            } else {
                Put32(e + 8, entries[i].value);
            }
        }
        return *this;
    }
    TiffBuilder& Text(std::size_t at, const std::string& text) {
        Grow(at + text.size());
        std::copy(text.begin(), text.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return *this;
    }
    TiffBuilder& Rational(std::size_t at, std::uint32_t num, std::uint32_t den) {
        Put32(at, num);
        Put32(at + 4, den);
        return *this;
    }
    TiffBuilder& Put16(std::size_t at, std::uint16_t v) {
        Grow(at + 2);
        m_bytes[at + (m_le ? 0 : 1)] = static_cast<std::uint8_t>(v);
        m_bytes[at + (m_le ? 1 : 0)] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    TiffBuilder& Put32(std::size_t at, std::uint32_t v) {
        Grow(at + 4);
        for (int i = 0; i < 4; ++i) {
            m_bytes[at + (m_le ? i : 3 - i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
        return *this;
    }
    TiffBuilder& Resize(std::size_t size) {
        m_bytes.resize(size);
        return *this;
    }
    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

  private:
    void Grow(std::size_t size) {
        if (m_bytes.size() < size) {
            m_bytes.resize(size);
        }
    }
    bool m_le;
    std::vector<std::uint8_t> m_bytes;
};

// TIFF field types.
inline constexpr std::uint16_t kByte = 1;
inline constexpr std::uint16_t kAscii = 2;
inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
inline constexpr std::uint16_t kRational = 5;
