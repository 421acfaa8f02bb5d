#include "roi/roi_renderer.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "roi/draw_safety.h"

namespace {

using PointF = cv::Point_<float>;

// "Scaled": multiplied in double, narrowed to float.
float Scaled(float v, double scale) { return static_cast<float>(v * scale); }

// Scaled, then rounded to the nearest integer with ties to even; kept in double so that
// out-of-range values reach the safe drawing layer intact.
cv::Point2d RoundedScaled(const PointF& p, double scale) {
    return {std::nearbyint(static_cast<double>(Scaled(p.x, scale))),
            std::nearbyint(static_cast<double>(Scaled(p.y, scale)))};
}

cv::Point2d Trunc(const cv::Point2d& p) { return {std::trunc(p.x), std::trunc(p.y)}; }

// Line thickness trunc(thickness x thicknessScale); none when that is not a number.
std::optional<int> LineThickness(const cvROI& roi, double thicknessScale) {
    const double t = std::trunc(roi.thickness * thicknessScale);
    if (std::isnan(t)) {
        return std::nullopt;
    }
    return static_cast<int>(
        std::clamp(t, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int ClampToInt(double v) {
    return static_cast<int>(
        std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// Colours (and so every drawing call) have at most four channels in OpenCV.
bool Usable(const cv::Mat& target, const cvROI* roi) {
    return roi != nullptr && !target.empty() && target.channels() <= 4;
}

bool NearOne(double scale) { return 0.99 < scale && scale < 1.01; }

void DrawStyledLines(cv::Mat& target, const cvROI& roi, double scale, int thickness, bool arrow) {
    const auto& pts = roi.points;
    if (ROIRenderer::Internal::AllPointsNonPositive(pts) || pts.size() < 2) {
        return;
    }
    constexpr int kHeadLength = 15;
    constexpr int kHeadAngle = 20;
    constexpr int kGap = 5;
    for (size_t i = 0; i + 1 < pts.size(); i += 2) {
        const cv::Point2d a = RoundedScaled(pts[i], scale);
        const cv::Point2d b = RoundedScaled(pts[i + 1], scale);
        switch (roi.lineStyle) {
            case LineStyle::Solid:
                roi_draw::Line(target, a, b, roi.color, thickness, cv::LINE_8);
                if (arrow) {
                    roi_draw::ArrowBarbs(target, a, b, kHeadLength, kHeadAngle, roi.color,
                                         thickness, cv::LINE_8);
                }
                break;
            case LineStyle::Dashed:
                roi_draw::DashedLine(target, a, b, roi.color, thickness, kGap);
                if (arrow && a != b) {
                    roi_draw::ArrowBarbs(target, a, b, kHeadLength, kHeadAngle, roi.color,
                                         thickness, cv::LINE_8);
                }
                break;
            case LineStyle::Dotted:
                roi_draw::DottedLine(target, a, b, roi.color, thickness, kGap);
                if (arrow && a != b) {
                    roi_draw::ArrowBarbs(target, a, b, kHeadLength, kHeadAngle, roi.color,
                                         thickness, cv::LINE_8);
                }
                break;
            default:
                // Styles are plain integers from callers; unknown ones draw nothing.
                return;
        }
    }
}

struct TurnedRect {
    float x, y, w, h;
    double angle;
};

}  // namespace

void ROIRenderer::RenderAll(cv::Mat& target, const std::vector<cvROI*>& rois, double scale,
                            double thicknessScale) {
    for (const cvROI* roi : rois) {
        if (roi == nullptr || !roi->visible) {
            continue;
        }
        switch (static_cast<std::int32_t>(roi->mode)) {
            case 1:
                Internal::RenderPoint(target, roi, scale, thicknessScale);
                break;
            case 2:
                Internal::RenderLine(target, roi, scale, thicknessScale);
                break;
            case 3:
                Internal::RenderRectangle(target, roi, scale, thicknessScale);
                break;
            case 4:
                Internal::RenderRotatedRectangle(target, roi, scale, thicknessScale);
                break;
            case 5:
                Internal::RenderCircle(target, roi, scale, thicknessScale);
                break;
            case 6:
                Internal::RenderAnnulus(target, roi, scale, thicknessScale);
                break;
            case 7:
                Internal::RenderPolygon(target, roi, scale, thicknessScale);
                break;
            case 8:
                Internal::RenderArrowLine(target, roi, scale, thicknessScale);
                break;
            case 9:
                Internal::RenderEllipse(target, roi, scale, thicknessScale);
                break;
            case 10:
                Internal::RenderMask(target, roi, scale, thicknessScale);
                break;
            default:
                break;
        }
    }
}

void ROIRenderer::RenderAll(cv::Mat& target, const std::vector<cvROI*>* rois, double scale,
                            double thicknessScale) {
    if (rois != nullptr) {
        RenderAll(target, *rois, scale, thicknessScale);
    }
}

void ROIRenderer::RenderMask(cv::Mat& target, const cvROI& roi, double /*scale*/,
                             const cv::Point_<float>& /*offset*/) {
    Internal::RenderMask(target, &roi, 1.0, 1.0);
}

bool ROIRenderer::Internal::AllPointsNonPositive(const std::vector<cv::Point_<float>>& points) {
    return std::all_of(points.begin(), points.end(),
                       [](const PointF& p) { return p.x <= 0.0f && p.y <= 0.0f; });
}

void ROIRenderer::Internal::RenderPoint(cv::Mat& target, const cvROI* roi, double scale,
                                        double /*thicknessScale*/) {
    if (!Usable(target, roi) || AllPointsNonPositive(roi->points)) {
        return;
    }
    for (const auto& p : roi->points) {
        if (p.x > 0.0f) {
            roi_draw::Circle(target, RoundedScaled(p, scale), 2.0, roi->color, roi->thickness,
                             cv::LINE_8);
        }
    }
}

void ROIRenderer::Internal::RenderLine(cv::Mat& target, const cvROI* roi, double scale,
                                       double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    if (const auto t = LineThickness(*roi, thicknessScale)) {
        DrawStyledLines(target, *roi, scale, *t, false);
    }
}

void ROIRenderer::Internal::RenderArrowLine(cv::Mat& target, const cvROI* roi, double scale,
                                            double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    if (const auto t = LineThickness(*roi, thicknessScale)) {
        DrawStyledLines(target, *roi, scale, *t, true);
    }
}

void ROIRenderer::Internal::RenderRectangle(cv::Mat& target, const cvROI* roi, double scale,
                                            double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto& pts = roi->points;
    const auto t = LineThickness(*roi, thicknessScale);
    if (!t || AllPointsNonPositive(pts) || pts.size() < 2) {
        return;
    }
    const bool near1 = NearOne(scale);
    for (size_t i = 0; i + 1 < pts.size(); i += 2) {
        float x, y, w, h;
        if (near1) {
            x = pts[i].x;
            y = pts[i].y;
            w = static_cast<float>(std::ceil(static_cast<double>(pts[i + 1].x)));
            h = static_cast<float>(std::ceil(static_cast<double>(pts[i + 1].y)));
        } else {
            x = Scaled(pts[i].x, scale);
            y = Scaled(pts[i].y, scale);
            w = static_cast<float>(std::ceil(pts[i + 1].x * scale));
            h = static_cast<float>(std::ceil(pts[i + 1].y * scale));
        }
        if (!(w > 0.0f) || !(h > 0.0f)) {
            continue;
        }
        const double x0 = std::trunc(x), y0 = std::trunc(y);
        const double x1 = std::trunc(x + w), y1 = std::trunc(y + h);
        const cv::Point2d corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        // Top, right, bottom, left, each clipped to the target: at a high zoom a rectangle's
        // corners are often all off-screen while its edges still cross the view.
        for (int e = 0; e < 4; ++e) {
            roi_draw::ClippedLine(target, corners[e], corners[(e + 1) % 4], roi->color, *t);
        }
    }
}

void ROIRenderer::Internal::RenderRotatedRectangle(cv::Mat& target, const cvROI* roi, double scale,
                                                   double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto& pts = roi->points;
    const auto t = LineThickness(*roi, thicknessScale);
    if (!t || AllPointsNonPositive(pts)) {
        return;
    }
    std::vector<TurnedRect> rects;
    if (pts.size() == 2) {
        rects.push_back({pts[0].x, pts[0].y, pts[1].x, pts[1].y, roi->angle});
    } else if (pts.size() >= 3 && pts.size() % 3 == 0) {
        for (size_t i = 0; i < pts.size(); i += 3) {
            rects.push_back({pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x});
        }
    } else {
        return;
    }
    const bool near1 = NearOne(scale);
    for (const TurnedRect& r : rects) {
        const float w = Scaled(r.w, scale);
        const float h = Scaled(r.h, scale);
        if (!(w > 0.0f) || !(h > 0.0f)) {
            continue;
        }
        const cv::Point2f centre(0.5f * w + (near1 ? r.x : Scaled(r.x, scale)),
                                 0.5f * h + (near1 ? r.y : Scaled(r.y, scale)));
        cv::Point2f corners[4];
        cv::RotatedRect(centre, cv::Size2f(w, h), static_cast<float>(r.angle)).points(corners);
        for (int e = 0; e < 4; ++e) {
            const cv::Point2f& a = corners[e];
            const cv::Point2f& b = corners[(e + 1) % 4];
            roi_draw::ClippedLine(target, Trunc({a.x, a.y}), Trunc({b.x, b.y}), roi->color, *t);
        }
    }
}

void ROIRenderer::Internal::RenderCircle(cv::Mat& target, const cvROI* roi, double scale,
                                         double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto& pts = roi->points;
    const auto t = LineThickness(*roi, thicknessScale);
    if (!t || pts.size() < 2) {
        return;
    }
    for (size_t i = 0; i + 1 < pts.size(); i += 2) {
        const double radius = pts[i + 1].x * scale;
        if (radius > 0.0) {
            roi_draw::Circle(target, RoundedScaled(pts[i], scale), std::trunc(radius), roi->color,
                             *t, cv::LINE_8);
        }
    }
}

void ROIRenderer::Internal::RenderAnnulus(cv::Mat& target, const cvROI* roi, double scale,
                                          double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto& pts = roi->points;
    const auto t = LineThickness(*roi, thicknessScale);
    if (!t || pts.size() < 4) {
        return;
    }
    for (size_t i = 0; i + 3 < pts.size(); i += 4) {
        const PointF m(Scaled(pts[i].x, scale), Scaled(pts[i].y, scale));
        const cv::Point2d centre(std::nearbyint(static_cast<double>(m.x)),
                                 std::nearbyint(static_cast<double>(m.y)));
        const PointF& vec = pts[i + 1];
        const PointF& radii = pts[i + 2];
        const double outerBase = radii.y > 0.0f ? radii.y
                                                : std::sqrt(static_cast<double>(vec.x) * vec.x +
                                                            static_cast<double>(vec.y) * vec.y);
        const double outer = outerBase * scale;
        const double innerScaled = radii.x * scale;
        const double inner = innerScaled > 0.0 ? innerScaled : 0.5 * outer;
        const double start = pts[i + 3].x;
        const double end = pts[i + 3].y;

        roi_draw::EllipseArc(target, centre, std::trunc(outer), std::trunc(outer), start, end,
                             roi->color, *t, cv::LINE_8);
        roi_draw::EllipseArc(target, centre, std::trunc(inner), std::trunc(inner), start, end,
                             roi->color, *t, cv::LINE_8);

        // The corners as EA::pointOnCircle computes them, kept in double (no int overflow).
        const auto corner = [&m](double radius, double deg) {
            const double theta = deg * CV_PI / 180.0;
            return cv::Point2d(std::trunc(m.x + radius * std::cos(theta)),
                               std::trunc(m.y + radius * std::sin(theta)));
        };
        const cv::Point2d outerStart = corner(outer, start), innerStart = corner(inner, start);
        const cv::Point2d outerEnd = corner(outer, end), innerEnd = corner(inner, end);
        roi_draw::Line(target, outerStart, innerStart, roi->color, *t, cv::LINE_8);
        roi_draw::Line(target, outerEnd, innerEnd, roi->color, *t, cv::LINE_8);
        for (const cv::Point2d& c : {outerStart, innerStart, outerEnd, innerEnd}) {
            roi_draw::Circle(target, c, 3.0, roi->color, *t, cv::LINE_8);
        }
    }
}

void ROIRenderer::Internal::RenderEllipse(cv::Mat& target, const cvROI* roi, double scale,
                                          double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto& pts = roi->points;
    const double thick = std::trunc(thicknessScale);
    if (pts.size() < 3 || std::isnan(thick)) {
        return;
    }
    const int thickness = ClampToInt(thick);
    const double s = std::sin(15.0 * CV_PI / 180.0);
    const double k = std::cos(15.0 * CV_PI / 180.0);
    const double headLength = 3.0 * scale;
    for (size_t i = 0; i + 2 < pts.size(); i += 3) {
        const PointF m(Scaled(pts[i].x, scale), Scaled(pts[i].y, scale));
        const cv::Point2d centre(std::nearbyint(static_cast<double>(m.x)),
                                 std::nearbyint(static_cast<double>(m.y)));
        const double axisX = std::trunc(0.5 + scale * pts[i + 1].x);
        const double axisY = std::trunc(0.5 + scale * pts[i + 1].y);
        const double start = pts[i + 2].x;
        const double end = pts[i + 2].y;
        // Negative axes: OpenCV refuses the arc, and the head would mark an arc not drawn.
        if (!(axisX >= 0.0) || !(axisY >= 0.0)) {
            continue;
        }
        roi_draw::EllipseArc(target, centre, axisX, axisY, start, end, roi->color, thickness,
                             cv::LINE_8);

        const double endRad = end * CV_PI / 180.0;
        const cv::Point2d mc(m.x, m.y);
        const cv::Point2d e = mc + cv::Point2d(std::cos(endRad) * axisX, std::sin(endRad) * axisY);
        const cv::Point2d toEnd = e - mc;
        const double len = std::hypot(toEnd.x, toEnd.y);
        const cv::Point2d u = len > 0.0 ? toEnd / len : cv::Point2d(0.0, 0.0);
        // Travel is towards growing angles when start < end, so the tip turns that way.
        const double p = start < end ? -u.x : u.x;
        const double q = start < end ? u.y : -u.y;
        const cv::Point2d v1(-s * p + k * q, k * p + s * q);
        const cv::Point2d v2(s * p + k * q, k * p - s * q);
        const cv::Point2d tri[3] = {e, e + headLength * v1, e + headLength * v2};
        std::vector<std::vector<cv::Point>> contour(1);
        bool ok = true;
        for (const cv::Point2d& c : tri) {
            ok = ok && std::isfinite(c.x) && std::isfinite(c.y) &&
                 std::abs(c.x) <= roi_draw::kMaxCoord && std::abs(c.y) <= roi_draw::kMaxCoord;
            if (ok) {
                contour[0].emplace_back(cvRound(c.x), cvRound(c.y));
            }
        }
        if (ok) {
            cv::drawContours(target, contour, 0, roi->color, cv::FILLED, cv::LINE_AA);
        }
    }
}

void ROIRenderer::Internal::RenderPolygon(cv::Mat& target, const cvROI* roi, double scale,
                                          double thicknessScale) {
    if (!Usable(target, roi)) {
        return;
    }
    const auto t = LineThickness(*roi, thicknessScale);
    if (!t) {
        return;
    }
    constexpr float kSeparatorX = -1000000.0f;
    bool inRun = false;
    cv::Point2d first, previous;
    for (const auto& p : roi->points) {
        if (p.x < kSeparatorX) {
            if (inRun) {
                roi_draw::ClippedLine(target, previous, first, roi->color, *t);
                inRun = false;
            }
            continue;
        }
        const cv::Point2d current(std::trunc(Scaled(p.x, scale)), std::trunc(Scaled(p.y, scale)));
        if (!inRun) {
            first = previous = current;
            inRun = true;
            continue;
        }
        roi_draw::ClippedLine(target, previous, current, roi->color, *t);
        previous = current;
    }
    if (inRun) {
        roi_draw::ClippedLine(target, previous, first, roi->color, *t);
    }
}

void ROIRenderer::Internal::RenderMask(cv::Mat& target, const cvROI* roi, double /*scale*/,
                                       double /*thicknessScale*/) {
    if (!Usable(target, roi) || roi->mask.empty()) {
        return;
    }
    cv::Mat mask = roi->mask;
    if (mask.channels() > 1) {
        // The colour conversion takes 3 or 4 channels of 8-bit, 16-bit or float data only.
        const int depth = mask.depth();
        if ((mask.channels() != 3 && mask.channels() != 4) ||
            (depth != CV_8U && depth != CV_16U && depth != CV_32F)) {
            return;
        }
        cv::cvtColor(mask, mask, cv::COLOR_BGR2GRAY);
    }
    if (mask.type() != CV_8UC1) {
        mask.convertTo(mask, CV_8U, 1.0, 0.0);
    }
    if (mask.size() != target.size()) {
        cv::resize(mask, mask, target.size(), 0.0, 0.0, cv::INTER_NEAREST);
    }
    const cv::Scalar& c = roi->color;
    double alpha = c[3] / 255.0;
    if (std::isnan(alpha) || alpha <= 0.0) {
        alpha = 0.5;
    }
    alpha = std::min(alpha, 1.0);
    try {
        const cv::Mat colour(target.size(), target.type(), cv::Scalar(c[0], c[1], c[2], 255));
        cv::Mat blended;
        cv::addWeighted(colour, alpha, target, 1.0 - alpha, 0.0, blended);
        blended.copyTo(target, mask);
    } catch (const cv::Exception&) {
        // A target type the blend does not support (e.g. more than 4 channels) stays as is.
    }
}
