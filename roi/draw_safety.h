// Drawing calls that are safe for any geometry: end points and radii are doubles that may be
// NaN, infinite or far outside the int range. Whatever OpenCV would refuse (thickness out of
// range, negative radius or axes, unknown line type) draws nothing instead of throwing, and
// nothing costs more than the target's size, however large the shape.
#pragma once

#include <opencv2/core.hpp>

namespace roi_draw {

// Within this range integer geometry goes to OpenCV unchanged; beyond it segments are clipped
// in double first, which OpenCV's int geometry could not represent.
inline constexpr double kMaxCoord = 268435456.0;  // 2^28
inline constexpr int kMaxThickness = 32767;       // OpenCV's own limit

// Clips a-b to [xmin, xmax] x [ymin, ymax] (Liang-Barsky, in double); false when nothing is
// left or the segment is not finite. t0, t1 receive the kept parameter range of a + t (b - a).
[[nodiscard]] bool ClipSegment(double xmin, double ymin, double xmax, double ymax,
                               const cv::Point2d& a, const cv::Point2d& b, double& t0, double& t1);

// cv::line between integer-valued end points.
void Line(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
          int thickness, int lineType);
// cv::clipLine to the target, then cv::line with the clipped segment when it is not empty.
void ClippedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                 int thickness);
// cv::circle; radius is integer-valued. Negative thickness fills, as in OpenCV.
void Circle(cv::Mat& img, const cv::Point2d& centre, double radius, const cv::Scalar& color,
            int thickness, int lineType);
// cv::ellipse with rotation 0; centre and axes integer-valued, angles in degrees.
void EllipseArc(cv::Mat& img, const cv::Point2d& centre, double axisX, double axisY,
                double startDeg, double endDeg, const cv::Scalar& color, int thickness,
                int lineType);

// Shafts of the ID primitives, sampled every `gap` pixels from a: dashes between samples
// 2j and 2j+1, or filled dots. Only samples near the target are visited.
void DashedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                int thickness, int gap);
void DottedLine(cv::Mat& img, const cv::Point2d& a, const cv::Point2d& b, const cv::Scalar& color,
                int radius, int gap);
// The two barbs of an arrow head at `head`, pointing back towards `tail`.
void ArrowBarbs(cv::Mat& img, const cv::Point2d& tail, const cv::Point2d& head, int length,
                int angleDeg, const cv::Scalar& color, int thickness, int lineType);

}  // namespace roi_draw
