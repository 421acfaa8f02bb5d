// libFuzzer target: the JPEG marker walk over the leading bytes of a file, and the EXIF reader
// over the range it finds, as GetImageFileInfo chains them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imageio/exif_reader.h"
#include "imageio/jpeg_exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kJpegExifScanBytes) {
        size = kJpegExifScanBytes;
    }
    if (const auto frame = FindJpegFrameHeader(data, size)) {
        if (frame->width < 0 || frame->height < 0 || frame->width > 65535 ||
            frame->height > 65535) {
            std::abort();
        }
    }
    if (const auto exif = FindJpegExif(data, size)) {
        if (exif->begin > exif->end || exif->end > size || exif->end - exif->begin < 8) {
            std::abort();
        }
        ImageFileInfo info;
        ReadExif(data + exif->begin, exif->end - exif->begin, info);
    }
    return 0;
}
