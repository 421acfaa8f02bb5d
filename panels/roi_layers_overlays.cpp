// Stored and external overlay records in the buffer: culled by an image-space box before any
// point is mapped, then mapped into the buffer and drawn by ROIRenderer at scale 1.
//
// What each point of a record means decides how it is mapped (positions are shifted and
// scaled, sizes only scaled, angles kept), for every group of the record:
//   Rectangle         pairs     (left-top, (width, height))
//   RotatedRectangle  2 points  (left-top, (width, height)), angle from the record
//                     triples   (left-top, (width, height), (angle, -))
//   Circle            pairs     (centre, (radius, -))
//   Annulus           fours     (centre, outer-radius vector, (inner, outer override),
//                                (start, end) angles)
//   Ellipse           triples   (centre, (semi-axis x, semi-axis y), (start, end) angles)
//   Point, Line, ArrowLine, Polygon: positions only.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

#include "panels/roi_layers.h"
#include "panels/roi_layers_util.h"
#include "roi/roi_renderer.h"

namespace roi_layers {

namespace {

enum class Role { Position, Size, Kept };

Role PointRole(CvROIMode mode, size_t count, size_t i) {
    switch (mode) {
        case CvROIMode::Rectangle:
        case CvROIMode::Circle:
            return i % 2 == 0 ? Role::Position : Role::Size;
        case CvROIMode::RotatedRectangle:
            if (count == 2) return i == 0 ? Role::Position : Role::Size;
            [[fallthrough]];
        case CvROIMode::Ellipse:
            return i % 3 == 0 ? Role::Position : i % 3 == 1 ? Role::Size : Role::Kept;
        case CvROIMode::Annulus:
            return i % 4 == 0 ? Role::Position : i % 4 == 3 ? Role::Kept : Role::Size;
        default:
            return Role::Position;
    }
}

// Image-space extent of the parts of a record, in double; a NaN or infinite coordinate makes
// the record undrawable.
class Extent {
  public:
    void Add(double x0, double y0, double x1, double y1) {
        if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) ||
            !std::isfinite(y1)) {
            bad_ = true;
            return;
        }
        if (!any_) {
            minX_ = maxX_ = x0;
            minY_ = maxY_ = y0;
            any_ = true;
        }
        minX_ = std::min({minX_, x0, x1});
        maxX_ = std::max({maxX_, x0, x1});
        minY_ = std::min({minY_, y0, y1});
        maxY_ = std::max({maxY_, y0, y1});
    }
    void Add(const cv::Point2f& p) { Add(p.x, p.y, p.x, p.y); }
    [[nodiscard]] bool Valid() const { return any_ && !bad_; }

    // (trunc(minX), trunc(minY), trunc(maxX - minX), trunc(maxY - minY)), grown by `margin`
    // on each side. Far-off coordinates are held within +-2^29 so that the box and its sums
    // stay ints; no image reaches that far.
    [[nodiscard]] cv::Rect Box(int margin = 0) const {
        if (!Valid()) return {};
        static constexpr double kFar = 536870912.0;
        const auto c = [](double v) { return std::clamp(v, -kFar, kFar); };
        const auto t = [](double v) { return static_cast<int>(std::trunc(v)); };
        return {t(c(minX_)) - margin, t(c(minY_)) - margin, t(c(maxX_) - c(minX_)) + 2 * margin,
                t(c(maxY_) - c(minY_)) + 2 * margin};
    }

  private:
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    bool any_ = false;
    bool bad_ = false;
};

void AddTurnedRect(Extent& e, const cv::Point2f& tl, const cv::Point2f& size, double angle) {
    if (!(size.x > 0) || !(size.y > 0)) return;  // not drawn
    if (angle == 0.0) {
        e.Add(tl.x, tl.y, static_cast<double>(tl.x) + size.x, static_cast<double>(tl.y) + size.y);
        return;
    }
    if (!std::isfinite(angle)) {
        e.Add(NAN, NAN, NAN, NAN);
        return;
    }
    cv::Point2f corners[4];
    cv::RotatedRect(tl + size * 0.5f, cv::Size2f(size.x, size.y), static_cast<float>(angle))
        .points(corners);
    for (const cv::Point2f& p : corners) e.Add(p);
}

bool Separator(const cv::Point2f& p) { return p.x < 0 && p.y < 0; }

bool Overlaps(const cv::Rect& a, const cv::Rect& b) {
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0) return false;
    const long long x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const long long x1 = std::min<long long>(1LL * a.x + a.width, 1LL * b.x + b.width);
    const long long y1 = std::min<long long>(1LL * a.y + a.height, 1LL * b.y + b.height);
    return x1 > x0 && y1 > y0;
}

void DrawMask(cv::Mat& buffer, const Viewport& vp, const cvROI& roi) {
    // A mask of another size than the image would land on the wrong pixels.
    if (roi.mask.empty() || roi.mask.size() != vp.originalSize) return;
    const cv::Mat region = vp.ExtractVisibleRegion(roi.mask);
    if (region.empty()) return;
    cvROI part = roi;
    part.mask = region;
    ROIRenderer::Internal::RenderMask(buffer, &part, 1.0, 1.0);
}

}  // namespace

cv::Rect OverlayBoundingBox(const cvROI& roi, const cv::Size& imageSize) {
    const auto& pts = roi.points;
    const size_t n = pts.size();
    Extent e;
    switch (roi.mode) {
        case CvROIMode::Mask:
            if (roi.mask.empty()) return {};
            return {0, 0, imageSize.width, imageSize.height};
        case CvROIMode::Rectangle:
            for (size_t i = 0; i + 1 < n; i += 2) AddTurnedRect(e, pts[i], pts[i + 1], 0.0);
            return e.Box();
        case CvROIMode::RotatedRectangle:
            if (n == 2) {
                AddTurnedRect(e, pts[0], pts[1], roi.angle);
            } else if (n % 3 == 0) {
                for (size_t i = 0; i < n; i += 3) {
                    AddTurnedRect(e, pts[i], pts[i + 1], pts[i + 2].x);
                }
            }
            return e.Box();
        case CvROIMode::Circle:
            // Centres outside the image count too: such a circle can still reach into view.
            for (size_t i = 0; i + 1 < n; i += 2) {
                const double r = pts[i + 1].x;
                if (r > 0 || std::isnan(r)) {
                    e.Add(pts[i].x - r, pts[i].y - r, pts[i].x + r, pts[i].y + r);
                }
            }
            return e.Box();
        case CvROIMode::Annulus:
            for (size_t i = 0; i + 3 < n; i += 4) {
                const cv::Point2f& v = pts[i + 1];
                const cv::Point2f& radii = pts[i + 2];
                const double outer = radii.y > 0 ? radii.y : std::hypot(v.x, v.y);
                if (!(outer > 0) && !std::isnan(outer)) continue;
                const double r = std::max<double>(outer, radii.x);  // an inner arc may be larger
                e.Add(pts[i].x - r, pts[i].y - r, pts[i].x + r, pts[i].y + r);
            }
            return e.Box();
        case CvROIMode::Ellipse:
            for (size_t i = 0; i + 2 < n; i += 3) {
                const double a = std::abs(pts[i + 1].x), b = std::abs(pts[i + 1].y);
                e.Add(pts[i].x - a, pts[i].y - b, pts[i].x + a, pts[i].y + b);
            }
            return e.Box();
        case CvROIMode::Point:
            for (const cv::Point2f& p : pts) e.Add(p);
            // The markers around the points: a single point gets a 10 x 10 box.
            return e.Box(5);
        case CvROIMode::Line:
        case CvROIMode::ArrowLine: {
            if (n < 2) return {};
            for (const cv::Point2f& p : pts) e.Add(p);
            if (!e.Valid()) return {};
            cv::Rect box = e.Box();
            // Horizontal and vertical segments still need an area to meet the view.
            if (box.width < 1) box = {box.x - 1, box.y, 2, box.height};
            if (box.height < 1) box = {box.x, box.y - 1, box.width, 2};
            return box;
        }
        case CvROIMode::Polygon:
            for (const cv::Point2f& p : pts) {
                if (!Separator(p)) e.Add(p);
            }
            return e.Box();
        default:
            return {};  // kinds the renderer does not draw
    }
}

void DrawOverlay(cv::Mat& buffer, const Viewport& vp, const cvROI& roi,
                 std::vector<cv::Point2f> view, const cv::Scalar& highlight) {
    if (!roi.visible || !detail::CanDraw(buffer, vp)) return;
    try {
        if (roi.mode == CvROIMode::Mask) {
            DrawMask(buffer, vp, roi);
            return;
        }
        const auto& pts = roi.points;
        if (view.size() != pts.size()) return;
        const cv::Point2f offset = vp.GetCenteringOffset();
        const auto zoom = static_cast<float>(detail::Zoom(vp));
        for (size_t i = 0; i < view.size(); ++i) {
            switch (PointRole(roi.mode, pts.size(), i)) {
                case Role::Position:
                    // Polygon runs are split by a point with both coordinates negative.
                    view[i] = roi.mode == CvROIMode::Polygon && Separator(pts[i])
                                  ? cv::Point2f(-1e9f, -1e9f)
                                  : view[i] - offset;
                    break;
                case Role::Size:
                    view[i] = pts[i] * zoom;
                    break;
                case Role::Kept:
                    view[i] = pts[i];
                    break;
            }
        }
        if (ROIRenderer::Internal::AllPointsNonPositive(view)) return;
        cvROI copy = roi;
        copy.points = std::move(view);
        if (roi.highlightIndex >= 0) copy.color = highlight;
        ROIRenderer::RenderAll(buffer, std::vector<cvROI*>{&copy}, 1.0,
                               std::max(detail::Zoom(vp), 1.0));
    } catch (const cv::Exception&) {
        // A buffer or mask type OpenCV cannot draw with: the record is left out of this paint.
    }
}

void DrawOverlays(cv::Mat& buffer, const Viewport& vp, const std::vector<cvROI>& stored,
                  const std::vector<cvROI*>* external, const cv::Scalar& highlight) {
    if (!detail::CanDraw(buffer, vp)) return;
    const cv::Rect visible = vp.GetVisibleROI();
    const auto draw = [&](const cvROI& roi) {
        // Culled before anything is mapped or allocated.
        if (!roi.visible || !Overlaps(OverlayBoundingBox(roi, vp.originalSize), visible)) return;
        DrawOverlay(buffer, vp, roi,
                    roi.mode == CvROIMode::Mask ? std::vector<cv::Point2f>{}
                                                : vp.OriginalToView(roi.points),
                    highlight);
    };
    for (const cvROI& roi : stored) draw(roi);
    if (external != nullptr) {
        for (const cvROI* roi : *external) {
            if (roi != nullptr) draw(*roi);
        }
    }
}

}  // namespace roi_layers
