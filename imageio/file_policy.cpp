#include "imageio/file_policy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "imageio/path_utils.h"

namespace {

FileRefusal FromStatError(int error) {
    return error == ENOENT || error == ENOTDIR ? FileRefusal::Missing : FileRefusal::Unreadable;
}

FileRefusal FromStat(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) {
        return FileRefusal::NotRegularFile;
    }
    return static_cast<std::uint64_t>(st.st_size) > kMaxImageBytes
               ? FileRefusal::TooLarge
               : FileRefusal::None;
}

// The path checks that come before any system call.
FileRefusal CheckPathText(const std::string& utf8Path) {
    if (HasEmbeddedNul(utf8Path)) {
        return FileRefusal::EmbeddedNul;
    }
    return utf8Path.empty() ? FileRefusal::Missing : FileRefusal::None;
}

}  // namespace

const char* RefusalText(FileRefusal refusal) {
    switch (refusal) {
        case FileRefusal::None:
            return "file accepted";
        case FileRefusal::EmbeddedNul:
            return "path contains a NUL character";
        case FileRefusal::Missing:
            return "no such file";
        case FileRefusal::NotRegularFile:
            return "not a regular file";
        case FileRefusal::TooLarge:
            return "file larger than 2147483647 bytes";
        case FileRefusal::Unreadable:
            break;
    }
    return "file cannot be opened";
}

FileRefusal CheckImageFile(const std::string& utf8Path) {
    const FileRefusal byText = CheckPathText(utf8Path);
    if (byText != FileRefusal::None) {
        return byText;
    }
    struct stat st{};
    if (::stat(utf8Path.c_str(), &st) != 0) {
        return FromStatError(errno);
    }
    return FromStat(st);
}

bool NamesNoFile(const std::string& utf8Path) {
    switch (CheckImageFile(utf8Path)) {
        case FileRefusal::Missing:
        case FileRefusal::NotRegularFile:
        case FileRefusal::EmbeddedNul:
            return true;
        default:
            return false;
    }
}

ImageFile::ImageFile(const std::string& utf8Path) {
    m_refusal = CheckPathText(utf8Path);
    if (m_refusal != FileRefusal::None) {
        return;
    }
    // Looked at before opening: opening some devices has effects of its own.
    struct stat st{};
    if (::stat(utf8Path.c_str(), &st) != 0) {
        m_refusal = FromStatError(errno);
        return;
    }
    m_refusal = FromStat(st);
    if (m_refusal != FileRefusal::None) {
        m_size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        return;
    }
    // O_NONBLOCK: should the path have become a FIFO since the stat, the open returns at once
    // instead of waiting for a writer, and the check below refuses it.
    const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_refusal = FromStatError(errno);
        return;
    }
    if (::fstat(fd, &st) != 0) {
        m_refusal = FileRefusal::Unreadable;
    } else {
        m_refusal = FromStat(st);
        m_size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    // A regular file's reads must wait for slow storage, not fail with EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (m_refusal == FileRefusal::None &&
        (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        m_refusal = FileRefusal::Unreadable;
    }
    if (m_refusal != FileRefusal::None) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

ImageFile::~ImageFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::size_t ImageFile::ReadAt(std::uint64_t offset, void* data, std::size_t count) const {
    if (m_fd < 0 || offset > static_cast<std::uint64_t>(INT_MAX)) {
        return 0;
    }
    auto* out = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(m_fd, out + done, count - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;  // end of file (it may have shrunk since it was opened) or a read error
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t ImageFile::ReadHead(std::vector<std::uint8_t>& bytes, std::size_t maxBytes) const {
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(m_size, maxBytes));
    bytes.assign(IsOpen() ? size : 0, 0);
    return ReadAt(0, bytes.data(), bytes.size());
}
