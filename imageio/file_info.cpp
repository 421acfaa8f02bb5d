#include "imageio/file_info.h"

ImageFileInfo GetImageFileInfo(const std::string& /*path*/) { return {}; }
