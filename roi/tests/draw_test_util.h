// Small helpers for pixel checks on drawing targets.
#pragma once

#include <opencv2/core.hpp>

#include <utility>
#include <vector>

#include "roi/roi_records.h"

// A record the renderer draws: visible, of `mode`, with these points, thickness and colour.
inline cvROI VisibleRoi(CvROIMode mode, std::vector<cv::Point_<float>> points, int thickness,
                        const cv::Scalar& color) {
    cvROI r;
    r.visible = true;
    r.mode = mode;
    r.points = std::move(points);
    r.thickness = thickness;
    r.color = color;
    return r;
}

inline cv::Mat Blank(int cols, int rows) {
    return cv::Mat(rows, cols, CV_8UC3, cv::Scalar::all(0));
}

inline int Lit(const cv::Mat& img) {
    cv::Mat grey;
    cv::extractChannel(img, grey, 0);
    cv::Mat any = grey.clone();
    for (int c = 1; c < img.channels(); ++c) {
        cv::Mat ch;
        cv::extractChannel(img, ch, c);
        any |= ch;
    }
    return cv::countNonZero(any);
}

inline bool On(const cv::Mat& img, int x, int y) {
    const cv::Vec3b& v = img.at<cv::Vec3b>(y, x);
    return v[0] != 0 || v[1] != 0 || v[2] != 0;
}

inline bool Equal(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}
