// Feeds libheif from a file opened under the opening policy, so that libheif never opens a path
// itself. libheif keeps reading through the source until its context is freed: declare the
// source (and its file) before the context.
#pragma once

#include <libheif/heif.h>

#include <cstdint>
#include <string>

#include "imageio/file_policy.h"

class HeifFileSource {
  public:
    explicit HeifFileSource(const ImageFile& file);
    HeifFileSource(const HeifFileSource&) = delete;
    HeifFileSource& operator=(const HeifFileSource&) = delete;

    // heif_context_read_from_reader over the file; a file the policy refused gives an error
    // whose message is the policy's reason, and libheif is not called.
    [[nodiscard]] heif_error ReadInto(heif_context* ctx);

  private:
    static std::int64_t GetPosition(void* self);
    static int Read(void* data, std::size_t size, void* self);
    static int Seek(std::int64_t position, void* self);
    static heif_reader_grow_status WaitForFileSize(std::int64_t targetSize, void* self);

    const ImageFile& m_file;
    std::int64_t m_position = 0;
    heif_reader m_reader{};
};
