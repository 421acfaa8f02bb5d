// Size, depth and EXIF/GPS metadata of an image file, read without decoding it where possible:
// JPEG from its first 64 KiB (frame header and EXIF), HEIF and JPEG XL from their headers,
// other formats by an OpenCV decode. Never throws for a bad or missing file: unreadable fields,
// and all fields of a file the opening policy refuses, keep their initial values.
#pragma once

#include <map>
#include <string>

namespace cv {
class Mat;
}

struct ImageFileInfo {
    int width = 0;
    int height = 0;
    int channels = 0;      // colour channels plus alpha
    int bitDepth = 0;      // bits per sample
    std::string format;    // container name by extension: "JPEG", "PNG", ..., "Unknown"
    bool hasExif = false;  // a TIFF header was found in the EXIF data
    int orientation = 1;   // EXIF Orientation 1-8; 0 when its value lies outside the data
    std::string dateTime;  // DateTimeOriginal, else DateTime
    std::string cameraMake;
    std::string cameraModel;
    double focalLength = 0.0;  // millimetres
    double fNumber = 0.0;
    double exposureTime = 0.0;  // seconds
    int iso = 0;
    bool hasGps = false;                       // both latitude and longitude were read
    double gpsLat = 0.0;                       // degrees, south negative
    double gpsLon = 0.0;                       // degrees, west negative
    double gpsAlt = 0.0;                       // metres as stored: GPSAltitudeRef is not applied
    std::map<std::string, std::string> extra;  // nothing fills it at present
};

[[nodiscard]] ImageFileInfo GetImageFileInfo(const std::string& path);
// The same; where finding the information took a full decode (OpenCV formats without a header
// reader), that image, as DecodeImageFile(path, IMREAD_UNCHANGED) gives it, goes to `decoded`,
// which is empty otherwise, so a caller that loads the file next need not decode it again.
[[nodiscard]] ImageFileInfo GetImageFileInfo(const std::string& path, cv::Mat* decoded);
