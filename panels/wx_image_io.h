// wxString forms of the HEIF and JPEG XL file decoders: the path is handed on as UTF-8, so the
// decoders themselves stay free of wx. Same results and failure reporting as the UTF-8 forms.
#pragma once

#include <wx/string.h>

#include <opencv2/core.hpp>

namespace heif_utils {
[[nodiscard]] cv::Mat heif_to_cvmat(const wxString& path);
}  // namespace heif_utils

namespace jxl_utils {
[[nodiscard]] cv::Mat jxl_to_cvmat(const wxString& path);
}  // namespace jxl_utils
