#include "imageio/exif_orientation.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "imageio/exif_reader.h"
#include "imageio/file_policy.h"
#include "imageio/jpeg_exif.h"

void ApplyExifOrientation(cv::Mat& image, int orientation) {
    if (image.empty() || orientation < 2 || orientation > 8) {
        return;
    }
    if (OrientationSwapsSides(orientation)) {
        cv::transpose(image, image);
    }
    // After the transpose of 5-8, the same three flips finish each case.
    switch (orientation) {
        case 2:
        case 6:
            cv::flip(image, image, 1);
            break;
        case 3:
        case 7:
            cv::flip(image, image, -1);
            break;
        case 4:
        case 8:
            cv::flip(image, image, 0);
            break;
        default:
            break;
    }
}

bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

int FileOrientation(const std::string& utf8Path) {
    const ImageFile file(utf8Path);
    if (!file.IsOpen()) {
        return 1;
    }
    std::uint8_t magic[3] = {0, 0, 0};
    if (file.ReadAt(0, magic, 3) != 3 || magic[0] != 0xFF || magic[1] != 0xD8 ||
        magic[2] != 0xFF) {
        return 1;
    }
    std::vector<std::uint8_t> head;
    head.resize(file.ReadHead(head, kJpegExifScanBytes));
    ImageFileInfo info;
    if (const std::optional<ByteRange> exif = FindJpegExif(head.data(), head.size())) {
        ReadExif(head.data() + exif->begin, exif->end - exif->begin, info);
    }
    return info.orientation >= 1 && info.orientation <= 8 ? info.orientation : 1;
}
