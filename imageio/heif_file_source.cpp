#include "imageio/heif_file_source.h"

HeifFileSource::HeifFileSource(const ImageFile& file) : m_file(file) {
    m_reader.reader_api_version = 1;
    m_reader.get_position = &HeifFileSource::GetPosition;
    m_reader.read = &HeifFileSource::Read;
    m_reader.seek = &HeifFileSource::Seek;
    m_reader.wait_for_file_size = &HeifFileSource::WaitForFileSize;
}

heif_error HeifFileSource::ReadInto(heif_context* ctx) {
    if (!m_file.IsOpen()) {
        return {heif_error_Input_does_not_exist, heif_suberror_Unspecified,
                RefusalText(m_file.Refusal())};
    }
    m_position = 0;
    return heif_context_read_from_reader(ctx, &m_reader, this, nullptr);
}

std::int64_t HeifFileSource::GetPosition(void* self) {
    return static_cast<HeifFileSource*>(self)->m_position;
}

int HeifFileSource::Read(void* data, std::size_t size, void* self) {
    auto* source = static_cast<HeifFileSource*>(self);
    const std::size_t got =
        source->m_file.ReadAt(static_cast<std::uint64_t>(source->m_position), data, size);
    source->m_position += static_cast<std::int64_t>(got);
    return got == size ? 0 : 1;  // libheif wants all bytes or an error
}

int HeifFileSource::Seek(std::int64_t position, void* self) {
    auto* source = static_cast<HeifFileSource*>(self);
    if (position < 0 || static_cast<std::uint64_t>(position) > source->m_file.Size()) {
        return 1;
    }
    source->m_position = position;
    return 0;
}

heif_reader_grow_status HeifFileSource::WaitForFileSize(std::int64_t targetSize, void* self) {
    const auto* source = static_cast<HeifFileSource*>(self);
    return targetSize >= 0 && static_cast<std::uint64_t>(targetSize) <= source->m_file.Size()
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}
