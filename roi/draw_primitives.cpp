#include "roi/draw_primitives.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "roi/draw_safety.h"

namespace ID {

namespace {

cv::Point2d D(const cv::Point& p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

bool ZeroLength(const cv::Point& p1, const cv::Point& p2) {
    return !(std::hypot(static_cast<float>(D(p1).x - D(p2).x),
                        static_cast<float>(D(p1).y - D(p2).y)) > 0.0f);
}

}  // namespace

void drawArrow(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
               const cv::Scalar& color, int thickness, int lineType) {
    roi_draw::ArrowBarbs(img, D(p1), D(p2), length, angleDeg, color, thickness, lineType);
}

void drawArrowLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                   const cv::Scalar& color, int thickness, int lineType) {
    roi_draw::Line(img, D(p1), D(p2), color, thickness, lineType);
    roi_draw::ArrowBarbs(img, D(p1), D(p2), length, angleDeg, color, thickness, lineType);
}

void drawDashedLine(cv::Mat& img, cv::Point p1, cv::Point p2, const cv::Scalar& color,
                    int thickness, int gap) {
    roi_draw::DashedLine(img, D(p1), D(p2), color, thickness, gap);
}

void drawDottedLine(cv::Mat& img, cv::Point p1, cv::Point p2, const cv::Scalar& color, int radius,
                    int gap) {
    roi_draw::DottedLine(img, D(p1), D(p2), color, radius, gap);
}

void drawArrowDashedLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                         const cv::Scalar& color, int thickness, int gap) {
    if (ZeroLength(p1, p2)) {
        return;
    }
    roi_draw::DashedLine(img, D(p1), D(p2), color, thickness, gap);
    roi_draw::ArrowBarbs(img, D(p1), D(p2), length, angleDeg, color, thickness, cv::LINE_8);
}

void drawArrowDottedLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                         const cv::Scalar& color, int radius, int gap) {
    if (ZeroLength(p1, p2)) {
        return;
    }
    roi_draw::DottedLine(img, D(p1), D(p2), color, radius, gap);
    roi_draw::ArrowBarbs(img, D(p1), D(p2), length, angleDeg, color, radius, cv::LINE_8);
}

void drawReularCrossLine(cv::Mat& img, cv::Point centre, const cv::Scalar& color, int thickness,
                         int size) {
    // In double: centre +- size/2 may leave the int range.
    const double half = size / 2;
    const cv::Point2d c = D(centre);
    roi_draw::Line(img, {c.x - half, c.y}, {c.x + half, c.y}, color, thickness, cv::LINE_8);
    roi_draw::Line(img, {c.x, c.y - half}, {c.x, c.y + half}, color, thickness, cv::LINE_8);
}

}  // namespace ID
