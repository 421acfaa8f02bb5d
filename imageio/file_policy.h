// Which files the image readers open, and the opening itself. A path passes when it holds no NUL
// (the system would open the part before it), names a regular file (a FIFO or terminal would
// block the GUI thread, a directory or device has no usable size) and the file has at most
// INT_MAX bytes (OpenCV's buffer limit). Every reader opens through ImageFile; libraries that
// would open a path themselves are fed from it instead.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most bytes a file, and an image made from one, may hold: OpenCV's buffer limit.
inline constexpr std::uint64_t kMaxImageBytes = INT_MAX;

enum class FileRefusal { None, EmbeddedNul, Missing, NotRegularFile, TooLarge, Unreadable };

// A few words for a failure line, e.g. "not a regular file".
[[nodiscard]] const char* RefusalText(FileRefusal refusal);

// The verdict from the path alone, without opening it.
[[nodiscard]] FileRefusal CheckImageFile(const std::string& utf8Path);

// True when the path names no file an image could be read from: missing, not a regular file,
// or holding a NUL. The panels treat such a path as no file at all, unlike a file that exists
// but cannot be decoded.
[[nodiscard]] bool NamesNoFile(const std::string& utf8Path);

// A file the policy let through, open read-only until the object goes.
class ImageFile {
  public:
    // Opens the file when the policy allows it; otherwise nothing stays open and Refusal() says
    // why. The check is repeated on the opened descriptor, so a path swapped for a FIFO in
    // between is refused too, and the open itself never waits for a writer.
    explicit ImageFile(const std::string& utf8Path);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] FileRefusal Refusal() const { return m_refusal; }
    // Bytes in the file when it was opened; also known for a file refused as too large.
    [[nodiscard]] std::uint64_t Size() const { return m_size; }

    // Reads up to `count` bytes at `offset`; the number read, fewer at the end of the file or on
    // a read error, 0 when the file is not open.
    [[nodiscard]] std::size_t ReadAt(std::uint64_t offset, void* data, std::size_t count) const;
    // The first min(maxBytes, Size()) bytes, zero-filled where a read came up short; the result
    // is the number actually read.
    [[nodiscard]] std::size_t ReadHead(std::vector<std::uint8_t>& bytes,
                                       std::size_t maxBytes = SIZE_MAX) const;

  private:
    int m_fd = -1;
    FileRefusal m_refusal = FileRefusal::Missing;
    std::uint64_t m_size = 0;
};
