// Size, depth and EXIF/GPS metadata of an image file, read without decoding it where possible.
// Never throws for a bad or missing file: unreadable fields keep their initial values.
#pragma once

#include <map>
#include <string>

struct ImageFileInfo {
    int width = 0;
    int height = 0;
    int channels = 0;  // colour channels plus alpha
    int bitDepth = 0;  // bits per sample
    std::string format;
    bool hasExif = false;
    int orientation = 1;
    std::string dateTime;
    std::string cameraMake;
    std::string cameraModel;
    double focalLength = 0.0;
    double fNumber = 0.0;
    double exposureTime = 0.0;
    int iso = 0;
    bool hasGps = false;
    double gpsLat = 0.0;
    double gpsLon = 0.0;
    double gpsAlt = 0.0;
    std::map<std::string, std::string> extra;
};

[[nodiscard]] ImageFileInfo GetImageFileInfo(const std::string& path);
