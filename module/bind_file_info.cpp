#include "imageio/file_info.h"
#include "module/bindings.h"
#include "module/file_info_dict.h"

void BindFileInfo(py::module_& m) {
    m.def(
        "GetImageFileInfo",
        [](const std::string& path) {
            // Reading and parsing the file needs no Python object: other threads run meanwhile,
            // and any number of threads may read files at once.
            ImageFileInfo info;
            {
                const py::gil_scoped_release release;
                info = GetImageFileInfo(path);
            }
            return ImageFileInfoToDict(info);
        },
        py::arg("path"),
        "Read image file metadata (size, channels, bit_depth, EXIF, GPS) without loading into a "
        "panel. Returns a dict.");
}
