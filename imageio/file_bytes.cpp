#include "imageio/file_bytes.h"

#include <sys/mman.h>

#include <new>
#include <utility>

#include "imageio/file_policy.h"

FileBytes::FileBytes(std::size_t size) {
    if (size == 0) {
        return;
    }
    // Anonymous pages come zeroed and go straight back to the system at munmap, whatever the
    // allocator's thresholds; the heap and its locks are not involved at all.
    void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        throw std::bad_alloc();
    }
    m_data = static_cast<std::uint8_t*>(pages);
    m_size = size;
}

FileBytes::~FileBytes() { Release(); }

FileBytes::FileBytes(FileBytes&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void FileBytes::Release() {
    if (m_data != nullptr) {
        (void)::munmap(m_data, m_size);
        m_data = nullptr;
        m_size = 0;
    }
}

FileBytes ReadWholeFile(const ImageFile& file, std::size_t* read) {
    FileBytes bytes(file.IsOpen() ? static_cast<std::size_t>(file.Size()) : 0);
    const std::size_t got = file.ReadAt(0, bytes.data(), bytes.size());  // the rest stays zero
    if (read != nullptr) {
        *read = got;
    }
    return bytes;
}
