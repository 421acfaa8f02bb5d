#include "module/file_info_dict.h"

namespace {

py::str DecodeText(const std::string& text) {
    PyObject* decoded =
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

}  // namespace

py::dict ImageFileInfoToDict(const ImageFileInfo& info) {
    py::dict d;
    d["width"] = info.width;
    d["height"] = info.height;
    d["channels"] = info.channels;
    d["bit_depth"] = info.bitDepth;
    d["format"] = DecodeText(info.format);
    d["has_exif"] = info.hasExif;
    d["orientation"] = info.orientation;
    d["date_time"] = DecodeText(info.dateTime);
    d["camera_make"] = DecodeText(info.cameraMake);
    d["camera_model"] = DecodeText(info.cameraModel);
    d["focal_length"] = info.focalLength;
    d["f_number"] = info.fNumber;
    d["exposure_time"] = info.exposureTime;
    d["iso"] = info.iso;
    d["has_gps"] = info.hasGps;
    d["gps_lat"] = info.gpsLat;
    d["gps_lon"] = info.gpsLon;
    d["gps_alt"] = info.gpsAlt;
    py::dict extra;
    for (const auto& [key, value] : info.extra) {
        extra[DecodeText(key)] = DecodeText(value);
    }
    d["extra"] = extra;
    return d;
}
