// ID: line primitives OpenCV lacks (dashed and dotted lines, arrow heads, a small cross).
// Safe for any end points and arguments: what OpenCV would refuse draws nothing, a gap <= 0
// draws no dashes or dots, and the cost is bounded by the target size.
#pragma once

#include <opencv2/core.hpp>

namespace ID {

// The two barbs of an arrow head at p2, `length` long at +-angleDeg from the shaft; no shaft.
void drawArrow(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
               const cv::Scalar& color, int thickness, int lineType);
// Shaft p1-p2, then the barbs at p2.
void drawArrowLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                   const cv::Scalar& color, int thickness, int lineType);
// Dashes `gap` long separated by `gap`, from p1; the remainder after the last sample is left
// out, so the line may stop short of p2.
void drawDashedLine(cv::Mat& img, cv::Point p1, cv::Point p2, const cv::Scalar& color,
                    int thickness, int gap);
// Filled dots of `radius` every `gap` pixels from p1.
void drawDottedLine(cv::Mat& img, cv::Point p1, cv::Point p2, const cv::Scalar& color, int radius,
                    int gap);
void drawArrowDashedLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                         const cv::Scalar& color, int thickness, int gap);
// Barbs drawn with thickness `radius`.
void drawArrowDottedLine(cv::Mat& img, cv::Point p1, cv::Point p2, int length, int angleDeg,
                         const cv::Scalar& color, int radius, int gap);
// Plus sign: arms from centre -+ size/2 (integer division) on both axes.
void drawReularCrossLine(cv::Mat& img, cv::Point centre, const cv::Scalar& color, int thickness,
                         int size);

}  // namespace ID
