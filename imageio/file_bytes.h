// A whole file's bytes in memory pages of their own, handed back to the system when the object
// goes. Large read buffers taken from the heap stay resident after they are freed (glibc keeps
// them for reuse), beside the image they were decoded into.
#pragma once

#include <cstddef>
#include <cstdint>

class ImageFile;

class FileBytes {
  public:
    FileBytes() = default;
    // `size` zero bytes; throws std::bad_alloc when the system has no room for them.
    explicit FileBytes(std::size_t size);
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    [[nodiscard]] std::uint8_t* data() { return m_data; }
    [[nodiscard]] const std::uint8_t* data() const { return m_data; }
    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }

  private:
    void Release();

    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

// The file's bytes as it was opened, zero-filled where a read came up short (the file may have
// shrunk since); empty when the file is not open. `read`, when given, receives how many bytes
// were actually read.
[[nodiscard]] FileBytes ReadWholeFile(const ImageFile& file, std::size_t* read = nullptr);
