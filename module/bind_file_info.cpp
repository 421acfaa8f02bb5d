#include "imageio/file_info.h"
#include "module/bindings.h"
#include "module/file_info_dict.h"

void BindFileInfo(py::module_& m) {
    m.def(
        "GetImageFileInfo",
        [](const std::string& path) { return ImageFileInfoToDict(GetImageFileInfo(path)); },
        py::arg("path"),
        "Read image file metadata (size, channels, bit_depth, EXIF, GPS) without loading into a "
        "panel. Returns a dict.");
}
