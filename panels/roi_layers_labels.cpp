// The set's ROI labels, drawn with the cached FreeType renderer of the default font.
#include <opencv2/imgproc.hpp>

#include <cmath>

#include "panels/roi_layers.h"

namespace roi_layers {

Labels Labels::Load(const std::string& defaultFontPath) {
    Labels labels;
    try {
        cv::Ptr<cv::freetype::FreeType2> font = LoadFont(std::string(), defaultFontPath);
        if (cached_freetype::FontReach(*font, kHeight, labels.reach)) labels.font = font;
    } catch (const cv::Exception&) {
    }
    return labels;
}

double Labels::Width(std::size_t bytes) const {
    return static_cast<double>(bytes) * reach.maxAdvance + reach.after;
}

void Labels::Draw(cv::Mat& buffer, const std::string& name, const cv::Point2f& topLeft,
                  const cv::Scalar& colour) const {
    if (!font || name.empty() || buffer.empty()) return;
    // Labels that miss the buffer cost no shaping; this also keeps far-off positions (huge
    // names at small zooms reach far) within int.
    const double x = std::floor(topLeft.x), y = std::floor(topLeft.y) - kGap;
    if (!(x - Before() < buffer.cols && x + Width(name.size()) > 0 &&
          y - reach.ascent < buffer.rows && y + reach.descent > 0)) {
        return;
    }
    try {
        font->putText(buffer, name, cv::Point(static_cast<int>(x), static_cast<int>(y)), kHeight,
                      colour, -1, cv::LINE_AA, true);
    } catch (const cv::Exception&) {
        // A damaged glyph: the label is left out.
    }
}

}  // namespace roi_layers
