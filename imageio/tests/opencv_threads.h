// For thread tests run under ThreadSanitizer: MOVRA_OPENCV_THREADS=1 keeps OpenCV's work on the
// calling thread, since its TBB workers synchronise in ways the sanitizer cannot see.
#pragma once

#include <opencv2/core/utility.hpp>

#include <cstdlib>

inline bool ApplyOpenCVThreadLimit() {
    if (const char* n = std::getenv("MOVRA_OPENCV_THREADS")) cv::setNumThreads(std::atoi(n));
    return true;
}
