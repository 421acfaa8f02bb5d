// UTF-8 / UTF-32 string conversions and path helpers. Wide strings hold UTF-32 code points;
// narrow paths are UTF-8. Only Utf8PathOrThrow throws.
#pragma once

#include <string>

// UTF-32 to UTF-8; the empty string when a value is not a Unicode scalar value.
[[nodiscard]] std::string to_byte_string(const std::wstring& wide);
// UTF-8 to UTF-32; the empty wide string on any invalid UTF-8 sequence.
[[nodiscard]] std::wstring to_wide_string(const std::string& utf8);
[[nodiscard]] std::string PathToUTF8(const std::wstring& path);
[[nodiscard]] std::wstring UTF8ToPath(const std::string& path);

// From the last '.' anywhere in the path to the end, dot included, case kept; "" without a dot.
[[nodiscard]] std::string GetExtension(const std::string& path);
[[nodiscard]] std::string GetExtension(const std::wstring& path);

// True when the path can be opened for reading; a named pipe is answered at once, and a path
// holding a NUL is false.
[[nodiscard]] bool fileExists(const std::string& path);

// True when the path holds a NUL character: the operating system would only see the part before
// it, so such a path must never reach a file-opening call.
[[nodiscard]] bool HasEmbeddedNul(const std::string& path);

// UTF-8 form of a wide path for callers that must not silently open "" instead: throws
// std::range_error naming `caller` when the path has no UTF-8 form.
[[nodiscard]] std::string Utf8PathOrThrow(const std::wstring& path, const char* caller);
