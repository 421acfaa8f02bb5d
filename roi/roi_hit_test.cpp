#include "roi/roi_hit_test.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

#include "roi/roi_geometry.h"

namespace {

HitResult Hit(HitHandle handle, float distance, std::int32_t vertex = -1) {
    return HitResult{0, vertex, handle, distance};
}

}  // namespace

HitResult ROIHitTest::TestPoint(const cv::Point_<float>& p, const cv::Point_<float>& pt,
                                float tol) {
    const float d = ROIGeometry::DistanceToPoint(p, pt);
    return d < tol ? Hit(HitHandle::Body, d) : kNoHit;
}

HitResult ROIHitTest::TestLine(const cv::Point_<float>& p, const cv::Point_<float>& a,
                               const cv::Point_<float>& b, float tol) {
    if (a.x == b.x && a.y == b.y) {
        return kNoHit;
    }
    const float d1 = ROIGeometry::DistanceToPoint(p, a);
    const float d2 = ROIGeometry::DistanceToPoint(p, b);
    const float dl = ROIGeometry::DistanceToLine(p, a, b);
    if (d1 < tol) {
        return Hit(HitHandle::LineStart, d1);
    }
    if (d2 < tol) {
        return Hit(HitHandle::LineEnd, d2);
    }
    if (dl < tol) {
        return Hit(HitHandle::Body, dl);
    }
    return kNoHit;
}

HitResult ROIHitTest::TestRectangle(const cv::Point_<float>& p, const cv::Rect_<float>& r,
                                    float tol) {
    if (!(r.width > 0.0f) || !(r.height > 0.0f)) {
        return kNoHit;
    }
    const float right = r.x + r.width;
    const float bottom = r.y + r.height;
    const cv::Point_<float> corners[4] = {{r.x, r.y}, {right, r.y}, {right, bottom}, {r.x, bottom}};
    HitResult corner = kNoHit;
    for (int i = 0; i < 4; ++i) {
        const float d = ROIGeometry::DistanceToPoint(p, corners[i]);
        if (d < tol && d < corner.distance) {
            corner = Hit(HitHandle::Corner, d, i);
        }
    }
    if (corner.IsHit()) {
        return corner;
    }
    const bool inY = r.y - tol <= p.y && p.y <= bottom + tol;
    const bool inX = r.x - tol <= p.x && p.x <= right + tol;
    const float dLeft = std::abs(p.x - r.x);
    const float dRight = std::abs(p.x - right);
    const float dTop = std::abs(p.y - r.y);
    const float dBottom = std::abs(p.y - bottom);
    if (dLeft < tol && inY) {
        return Hit(HitHandle::Left, dLeft);
    }
    if (dRight < tol && inY) {
        return Hit(HitHandle::Right, dRight);
    }
    if (dTop < tol && inX) {
        return Hit(HitHandle::Top, dTop);
    }
    if (dBottom < tol && inX) {
        return Hit(HitHandle::Bottom, dBottom);
    }
    if (ROIGeometry::IsInsideRect(p, r)) {
        return Hit(HitHandle::Body, 0.0f);
    }
    return kNoHit;
}

HitResult ROIHitTest::TestCircle(const cv::Point_<float>& p, const cv::Point_<float>& centre,
                                 float radius, float tol) {
    if (!(radius > 0.0f)) {
        return kNoHit;
    }
    const float dEdge = ROIGeometry::DistanceToCircle(p, centre, radius);
    const float dCentre = ROIGeometry::DistanceToPoint(p, centre);
    if (dEdge < tol) {
        return Hit(HitHandle::Radius, dEdge);
    }
    if (dCentre < tol) {
        return Hit(HitHandle::Body, dCentre);
    }
    return kNoHit;
}

HitResult ROIHitTest::TestAnnulus(const cv::Point_<float>& p, const cv::Point_<float>& centre,
                                  float innerRadius, float outerRadius, float startAngle,
                                  float endAngle, float tol) {
    // Written so that NaN radii also end here.
    if (!(innerRadius < outerRadius) || !(innerRadius >= 0.0f) || !(outerRadius > 0.0f)) {
        return kNoHit;
    }
    const auto radial = [&](float deg, cv::Point_<float>& outer, cv::Point_<float>& inner) {
        const double rad = static_cast<double>(deg) * CV_PI / 180.0;
        const auto c = static_cast<float>(std::cos(rad));
        const auto s = static_cast<float>(std::sin(rad));
        outer = {centre.x + outerRadius * c, centre.y + outerRadius * s};
        inner = {centre.x + innerRadius * c, centre.y + innerRadius * s};
    };
    cv::Point_<float> startOuter, startInner, endOuter, endInner;
    radial(startAngle, startOuter, startInner);
    radial(endAngle, endOuter, endInner);

    const float dCentre = ROIGeometry::DistanceToPoint(p, centre);
    if (dCentre < tol) {
        return Hit(HitHandle::Body, dCentre);
    }
    // The angle handles sit half-way along the radial edges, away from both circles, so a
    // press on one turns the edge instead of resizing a circle; the start wins where they meet.
    const float dStartMid = ROIGeometry::DistanceToPoint(p, (startOuter + startInner) * 0.5f);
    if (dStartMid < tol) {
        return Hit(HitHandle::StartAngle, dStartMid);
    }
    const float dEndMid = ROIGeometry::DistanceToPoint(p, (endOuter + endInner) * 0.5f);
    if (dEndMid < tol) {
        return Hit(HitHandle::EndAngle, dEndMid);
    }
    const float dOuter = ROIGeometry::DistanceToCircle(p, centre, outerRadius);
    if (dOuter < tol) {
        return Hit(HitHandle::Radius, dOuter);
    }
    const float dInner = ROIGeometry::DistanceToCircle(p, centre, innerRadius);
    if (dInner < tol) {
        return Hit(HitHandle::InnerRadius, dInner);
    }
    const float dStart = ROIGeometry::DistanceToLine(p, startOuter, startInner);
    if (dStart < tol) {
        return Hit(HitHandle::StartAngle, dStart);
    }
    const float dEnd = ROIGeometry::DistanceToLine(p, endOuter, endInner);
    if (dEnd < tol) {
        return Hit(HitHandle::EndAngle, dEnd);
    }
    return kNoHit;
}

HitResult ROIHitTest::TestPolygon(const cv::Point_<float>& p,
                                  const std::vector<cv::Point_<float>>& vertices, float tol,
                                  bool noCentreGrab) {
    if (vertices.empty()) {
        return kNoHit;
    }
    HitResult best = kNoHit;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const float d = ROIGeometry::DistanceToPoint(p, vertices[i]);
        if (d < tol && d < best.distance) {
            best = Hit(HitHandle::Vertex, d, static_cast<std::int32_t>(i));
        }
    }
    if (best.IsHit()) {
        return best;
    }
    if (noCentreGrab || vertices.size() < 3) {
        return kNoHit;
    }
    const cv::Rect box = cv::boundingRect(vertices);
    const cv::Point_<float> centre(static_cast<float>(box.x) + static_cast<float>(box.width) / 2,
                                   static_cast<float>(box.y) + static_cast<float>(box.height) / 2);
    const float d = ROIGeometry::DistanceToPoint(p, centre);
    return d < tol ? Hit(HitHandle::Body, d) : kNoHit;
}

HitResult ROIHitTest::TestRotatedRectangle(const cv::Point_<float>& p,
                                           const std::vector<cv::Point_<float>>& corners,
                                           const cv::Point_<float>& /*centre*/, float /*angle*/,
                                           float tol) {
    if (corners.size() != 4) {
        return kNoHit;
    }
    const auto& c = corners;
    const float dm = std::min(ROIGeometry::DistanceToPoint(p, (c[1] + c[2]) * 0.5f),
                              ROIGeometry::DistanceToPoint(p, (c[0] + c[1]) * 0.5f));
    if (dm < tol) {
        return Hit(HitHandle::Rotate, dm);
    }
    HitResult corner = kNoHit;
    for (int i = 0; i < 4; ++i) {
        const float d = ROIGeometry::DistanceToPoint(p, c[i]);
        if (d < 1.5f * tol && d < corner.distance) {
            corner = Hit(HitHandle::Corner, d, i);
        }
    }
    if (corner.IsHit()) {
        return corner;
    }
    const float e01 = ROIGeometry::DistanceToLine(p, c[0], c[1]);
    const float e12 = ROIGeometry::DistanceToLine(p, c[1], c[2]);
    const float e23 = ROIGeometry::DistanceToLine(p, c[2], c[3]);
    const float e30 = ROIGeometry::DistanceToLine(p, c[3], c[0]);
    const float e = std::min({e01, e12, e23, e30});
    // Edges get one and a half times the tolerance of the rotation handles.
    if (e < 1.5f * tol) {
        const HitHandle h = e == e01   ? HitHandle::Left
                            : e == e12 ? HitHandle::Top
                            : e == e23 ? HitHandle::Right
                                       : HitHandle::Bottom;
        return Hit(h, e);
    }
    if (cv::pointPolygonTest(corners, p, false) > 0) {
        return Hit(HitHandle::Body, 0.0f);
    }
    return kNoHit;
}
