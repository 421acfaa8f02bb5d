// libFuzzer target: the EXIF reader over arbitrary bytes (JPEG APP1 payloads, HEIF Exif blocks).
#include <cstddef>
#include <cstdint>

#include "imageio/exif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImageFileInfo info;
    ReadExif(data, size, info);
    // Touch what was read so that a bad string or an uninitialised value surfaces here.
    volatile std::size_t sink = info.cameraMake.size() + info.cameraModel.size() +
                                info.dateTime.size() + static_cast<std::size_t>(info.orientation);
    (void)sink;
    return 0;
}
