#include "imageio/path_utils.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace {

// Unicode scalar values only: surrogates and anything past U+10FFFF have no UTF-8 form.
bool IsScalarValue(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

}  // namespace

std::string to_byte_string(const std::wstring& wide) {
    static_assert(sizeof(wchar_t) == 4, "wide strings are expected to hold UTF-32");
    std::string out;
    out.reserve(wide.size());
    for (wchar_t wc : wide) {
        const auto cp = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(wc));
        if (!IsScalarValue(cp)) {
            return {};
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring to_wide_string(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        size_t len;
        char32_t minValue;  // smallest value the sequence length may carry (no overlong forms)
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            len = 2;
            minValue = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            len = 3;
            minValue = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            len = 4;
            minValue = 0x10000;
        } else {
            return {};  // continuation byte or 0xF8..0xFF in lead position
        }
        if (n - i < len) {
            return {};  // truncated sequence
        }
        for (size_t k = 1; k < len; ++k) {
            const auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                return {};
            }
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (cp < minValue || !IsScalarValue(cp)) {
            return {};
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += len;
    }
    return out;
}

std::string PathToUTF8(const std::wstring& path) { return to_byte_string(path); }

std::wstring UTF8ToPath(const std::string& path) { return to_wide_string(path); }

std::string GetExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string GetExtension(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    return dot == std::wstring::npos ? std::string() : to_byte_string(path.substr(dot));
}

bool fileExists(const std::string& path) {
    if (HasEmbeddedNul(path)) {
        return false;  // the system would look at the part before the NUL
    }
    // What a read-only stream's open would say, without its wait for a FIFO's writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool HasEmbeddedNul(const std::string& path) { return path.find('\0') != std::string::npos; }

std::string Utf8PathOrThrow(const std::wstring& path, const char* caller) {
    std::string utf8 = to_byte_string(path);
    if (utf8.empty() && !path.empty()) {
        throw std::range_error(std::string(caller) + ": path has no UTF-8 form");
    }
    return utf8;
}
