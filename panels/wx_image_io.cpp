#include "panels/wx_image_io.h"

#include <string>

#include "imageio/heif_decoder.h"
#include "imageio/jxl_decoder.h"

namespace heif_utils {
cv::Mat heif_to_cvmat(const wxString& path) { return heif_to_cvmat(std::string(path.utf8_str())); }
}  // namespace heif_utils

namespace jxl_utils {
cv::Mat jxl_to_cvmat(const wxString& path) { return jxl_to_cvmat(std::string(path.utf8_str())); }
}  // namespace jxl_utils
