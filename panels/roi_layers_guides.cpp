// Guide lines in the ROI panel's buffer: the display panel's figures (panels/guide_lines.h),
// computed on the image's own size without rounding and mapped through the zoom, so that they
// stay on the same image pixels whatever the zoom and scroll position.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>

#include "panels/guide_lines.h"
#include "panels/roi_layers.h"
#include "panels/roi_layers_util.h"
#include "roi/draw_primitives.h"
#include "roi/draw_safety.h"

namespace roi_layers {

namespace {

using detail::Round;
using detail::ToBuffer;

// Buffer dashes: 10 pixels on, 10 off, whatever the zoom.
constexpr int kDashGap = 10;

bool IntSafe(const cv::Point2d& p) {
    return std::abs(p.x) <= roi_draw::kMaxCoord && std::abs(p.y) <= roi_draw::kMaxCoord;
}

// The segment is cut to the buffer first, so its dashes start at the buffer's edge.
void DashedSegment(cv::Mat& buffer, const cv::Point2d& a, const cv::Point2d& b,
                   const cv::Scalar& colour, int thickness) {
    cv::Point p1, p2;
    if (IntSafe(a) && IntSafe(b)) {
        p1 = cv::Point(static_cast<int>(a.x), static_cast<int>(a.y));
        p2 = cv::Point(static_cast<int>(b.x), static_cast<int>(b.y));
        if (!cv::clipLine(buffer.size(), p1, p2)) return;
    } else {
        // Beyond int geometry (or NaN): the same cut in double.
        double t0 = 0.0, t1 = 1.0;
        if (!roi_draw::ClipSegment(0.0, 0.0, buffer.cols - 1.0, buffer.rows - 1.0, a, b, t0, t1)) {
            return;
        }
        const cv::Point2d d = b - a;
        p1 = cv::Point(cvRound(a.x + d.x * t0), cvRound(a.y + d.y * t0));
        p2 = cv::Point(cvRound(a.x + d.x * t1), cvRound(a.y + d.y * t1));
    }
    ID::drawDashedLine(buffer, p1, p2, colour, thickness, kDashGap);
}

// The centre cross in buffer pixels, its dash runs limited to the buffer.
void CrossDashes(cv::Mat& buffer, const cv::Point2d& centre, const cv::Scalar& colour,
                 int thickness) {
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return;
    // Far outside, an arm is invisible anyway; the clamp keeps the arithmetic in range.
    static constexpr double kFar = 1e15;
    const auto c = [](double v) { return static_cast<long long>(std::clamp(v, -kFar, kFar)); };
    std::vector<GuidePrimitive> dashes;
    AppendCrossDashes(dashes, c(centre.x), c(centre.y), buffer.cols - 1, buffer.rows - 1);
    for (const GuidePrimitive& d : dashes) {
        roi_draw::Line(buffer, {static_cast<double>(d.x1), static_cast<double>(d.y1)},
                       {static_cast<double>(d.x2), static_cast<double>(d.y2)}, colour, thickness,
                       cv::LINE_8);
    }
}

// Outside the outline the buffer is darkened to half brightness. The right and bottom sides of
// the outline lie one past the rectangle; where that is the buffer's end they are drawn on its
// last pixel. A side that lies outside the buffer is not drawn (it is scrolled out of view),
// and a rectangle wholly outside leaves all of the buffer darkened.
void AspectRatioMask(cv::Mat& buffer, const cv::Point2d& tl, const cv::Point2d& br,
                     const cv::Scalar& colour, int thickness) {
    if (!std::isfinite(tl.x) || !std::isfinite(tl.y) || !std::isfinite(br.x) ||
        !std::isfinite(br.y)) {
        return;
    }
    const int cols = buffer.cols, rows = buffer.rows;
    const auto clampTo = [](double v, int hi) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(hi)));
    };
    const int left = clampTo(tl.x, cols), right = std::max(left, clampTo(br.x, cols));
    const int top = clampTo(tl.y, rows), bottom = std::max(top, clampTo(br.y, rows));
    const cv::Rect bands[] = {
        {0, 0, cols, top},
        {0, bottom, cols, rows - bottom},
        {0, top, left, bottom - top},
        {right, top, cols - right, bottom - top},
    };
    for (const cv::Rect& band : bands) {
        if (band.area() > 0) {
            cv::Mat part = buffer(band);
            part.convertTo(part, -1, 0.5, 0.0);
        }
    }
    // The sides' extent within the buffer; a side is drawn only where the rectangle meets it.
    const double x0 = std::max(tl.x, 0.0), x1 = std::min(br.x, cols - 1.0);
    const double y0 = std::max(tl.y, 0.0), y1 = std::min(br.y, rows - 1.0);
    if (y0 <= y1 && tl.x >= 0.0 && tl.x <= cols - 1.0) {
        roi_draw::Line(buffer, {tl.x, y0}, {tl.x, y1}, colour, thickness, cv::LINE_8);
    }
    if (y0 <= y1 && br.x >= 0.0 && br.x <= cols) {
        roi_draw::Line(buffer, {x1, y0}, {x1, y1}, colour, thickness, cv::LINE_8);
    }
    if (x0 <= x1 && tl.y >= 0.0 && tl.y <= rows - 1.0) {
        roi_draw::Line(buffer, {x0, tl.y}, {x1, tl.y}, colour, thickness, cv::LINE_8);
    }
    if (x0 <= x1 && br.y >= 0.0 && br.y <= rows) {
        roi_draw::Line(buffer, {x0, y1}, {x1, y1}, colour, thickness, cv::LINE_8);
    }
}

}  // namespace

void DrawGuides(cv::Mat& buffer, const Viewport& vp, int mode, bool visible,
                const GuideLineStyle& style, int aspectRatio) {
    if (!visible || mode == static_cast<int>(GuideLineMode::Off) || !detail::CanDraw(buffer, vp)) {
        return;
    }
    const cv::Scalar colour(style.color[0], style.color[1], style.color[2], 0);
    const int thickness = style.thickness;
    try {
        for (const GuideShape& s : ComputeGuideFigure(mode, aspectRatio, vp.originalSize.width,
                                                      vp.originalSize.height,
                                                      GuidePrecision::Exact)) {
            const cv::Point2d a = Round(ToBuffer(vp, s.a));
            switch (s.kind) {
                case GuideShape::Kind::DashedLine:
                    DashedSegment(buffer, a, Round(ToBuffer(vp, s.b)), colour, thickness);
                    break;
                case GuideShape::Kind::SolidLine:
                    // Corner marks are one pixel bolder than the lines they frame.
                    if (thickness < INT_MAX) {
                        roi_draw::Line(buffer, a, Round(ToBuffer(vp, s.b)), colour, thickness + 1,
                                       cv::LINE_8);
                    }
                    break;
                case GuideShape::Kind::Circle:
                    roi_draw::Circle(buffer, a, s.b.x, colour, 1, cv::LINE_8);
                    break;
                case GuideShape::Kind::Rectangle:
                    AspectRatioMask(buffer, a, Round(ToBuffer(vp, s.b)), colour, thickness);
                    break;
                case GuideShape::Kind::Cross:
                    CrossDashes(buffer, a, colour, thickness);
                    break;
            }
        }
    } catch (const cv::Exception&) {
        // A buffer type OpenCV cannot draw on: the guides are left out of this paint.
    }
}

}  // namespace roi_layers
