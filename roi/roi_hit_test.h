// ROIHitTest: which part of one shape a point is on. Comparisons with `tol` are strict and the
// first rule that hits wins; a miss is kNoHit = {-1, -1, None, FLT_MAX}.
#pragma once

#include <opencv2/core/types.hpp>

#include <cfloat>
#include <cstdint>
#include <vector>

// Scoped: `None` would clash with X11's macro in the panel code.
enum class HitHandle : std::int32_t {
    None = -1,
    Body = 0,
    LineStart = 1,
    LineEnd = 2,
    Left = 3,
    Right = 4,
    Top = 5,
    Bottom = 6,
    Radius = 7,
    InnerRadius = 8,
    StartAngle = 9,
    EndAngle = 10,
    // A rectangle's corner (vertexIndex: 0 top-left, 1 top-right, 2 bottom-right, 3
    // bottom-left) or a rotated rectangle's (vertexIndex as cv::RotatedRect::points gives them).
    Corner = 11,
    Vertex = 12,
    Rotate = 13,
};

struct HitResult {
    std::int32_t roiIndex = -1;     // 0 when the tested shape was hit
    std::int32_t vertexIndex = -1;  // polygon vertex, else -1
    HitHandle handle = HitHandle::None;
    float distance = FLT_MAX;  // 0 for a hit inside a rectangle

    [[nodiscard]] bool IsHit() const { return roiIndex >= 0; }
};

inline constexpr HitResult kNoHit{};

class ROIHitTest {
  public:
    [[nodiscard]] static HitResult TestPoint(const cv::Point_<float>& p,
                                             const cv::Point_<float>& pt, float tol);
    [[nodiscard]] static HitResult TestLine(const cv::Point_<float>& p, const cv::Point_<float>& a,
                                            const cv::Point_<float>& b, float tol);
    // Corners first (dragging one moves both edges that meet there), then edges, then inside.
    [[nodiscard]] static HitResult TestRectangle(const cv::Point_<float>& p,
                                                 const cv::Rect_<float>& r, float tol);
    [[nodiscard]] static HitResult TestCircle(const cv::Point_<float>& p,
                                              const cv::Point_<float>& centre, float radius,
                                              float tol);
    // Centre, the angle handles (the middles of the radial edges), the outer and inner circle
    // (the arcs count as full circles), then the radial edges; angles in degrees.
    [[nodiscard]] static HitResult TestAnnulus(const cv::Point_<float>& p,
                                               const cv::Point_<float>& centre, float innerRadius,
                                               float outerRadius, float startAngle, float endAngle,
                                               float tol);
    // Vertices, then (unless noCentreGrab) the centre of the integer bounding box.
    [[nodiscard]] static HitResult TestPolygon(const cv::Point_<float>& p,
                                               const std::vector<cv::Point_<float>>& vertices,
                                               float tol, bool noCentreGrab);
    // `corners` as cv::RotatedRect::points gives them; centre and angle are not used. Rotation
    // handles, then corners, then edges (both within one and a half times `tol`), then inside.
    [[nodiscard]] static HitResult TestRotatedRectangle(
        const cv::Point_<float>& p, const std::vector<cv::Point_<float>>& corners,
        const cv::Point_<float>& centre, float angle, float tol);
};
