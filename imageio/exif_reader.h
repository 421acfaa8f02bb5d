// EXIF reader: walks the TIFF structure in a byte range (a JPEG APP1 payload or a HEIF Exif
// block) and fills the EXIF fields of an ImageFileInfo. Pure, no I/O; every read is bounded by
// the given range, so any bytes at all are safe input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imageio/file_info.h"

// Fills hasExif, orientation, dateTime, cameraMake, cameraModel, focalLength, fNumber,
// exposureTime, iso and the GPS fields from whatever can be read; untouched otherwise.
void ReadExif(const std::uint8_t* data, std::size_t size, ImageFileInfo& info);
