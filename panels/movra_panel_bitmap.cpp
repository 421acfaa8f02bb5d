// Matrix to wx bitmap: OpenCV writes straight into the bitmap's pixel memory.
#include <wx/log.h>
#include <wx/rawbmp.h>

#include <opencv2/imgproc.hpp>

#include "panels/movra_panel.h"

wxBitmap MovraPanel::ConvertMatToBitmap(const cv::Mat& mat, int /*unused*/) {
    if (mat.empty()) {
        return wxBitmap();
    }
    // Depth 32 on every input type: GTK only opens 32-bit bitmaps with wxAlphaPixelData.
    wxBitmap bitmap(mat.cols, mat.rows, 32);
    if (!ConvertMatBitmapTowxBitmap(mat, bitmap)) {
        wxLogError("Could not convert Mat to wxBitmap.");
        return wxBitmap();
    }
    return bitmap;
}

bool MovraPanel::ConvertMatBitmapTowxBitmap(const cv::Mat& mat, wxBitmap& bitmap, int, int) {
    if (mat.empty() || !bitmap.IsOk()) {
        return false;
    }
    if (bitmap.GetWidth() != mat.cols || bitmap.GetHeight() != mat.rows) {
        // Writing a larger matrix into a smaller bitmap would run past its pixel memory.
        return false;
    }
    wxAlphaPixelData data(bitmap);
    if (!data) {
        return false;
    }
    wxAlphaPixelData::Iterator it(data);
    cv::Mat dst(mat.rows, mat.cols, CV_8UC4, static_cast<void*>(&it.Data()),
                static_cast<size_t>(data.GetRowStride()));
    constexpr int R = wxAlphaPixelFormat::RED;
    constexpr int G = wxAlphaPixelFormat::GREEN;
    constexpr int B = wxAlphaPixelFormat::BLUE;
    constexpr int A = wxAlphaPixelFormat::ALPHA;
    // GTK's RGBA and BGRA layouts have OpenCV colour conversions, which are several times
    // faster than a general channel shuffle; other layouts take the shuffle.
    constexpr bool kRGBA = R == 0 && G == 1 && B == 2 && A == 3;
    constexpr bool kBGRA = B == 0 && G == 1 && R == 2 && A == 3;
    if (kRGBA || kBGRA) {
        int code = -1;
        switch (mat.type()) {
            case CV_8UC4:
                code = kRGBA ? cv::COLOR_BGRA2RGBA : -1;
                break;
            case CV_8UC3:
                code = kRGBA ? cv::COLOR_BGR2RGBA : cv::COLOR_BGR2BGRA;
                break;
            case CV_8UC1:
                code = kRGBA ? cv::COLOR_GRAY2RGBA : cv::COLOR_GRAY2BGRA;
                break;
            default:
                return true;  // other types leave the bitmap as it was created
        }
        if (code >= 0) {
            // The destination header already has the right size and type: cvtColor writes
            // into the bitmap's own memory.
            cv::cvtColor(mat, dst, code);
        } else {
            mat.copyTo(dst);
        }
        return true;
    }
    switch (mat.type()) {
        case CV_8UC4: {
            const int pairs[] = {0, B, 1, G, 2, R, 3, A};
            cv::mixChannels(&mat, 1, &dst, 1, pairs, 4);
            break;
        }
        case CV_8UC3:
        case CV_8UC1: {
            cv::Mat bgr = mat;
            if (mat.type() == CV_8UC1) {
                cv::cvtColor(mat, bgr, cv::COLOR_GRAY2BGR);
            }
            // Alpha from a constant plane in the same pass: opaque images get alpha 255.
            const cv::Mat opaque(mat.rows, mat.cols, CV_8UC1, cv::Scalar(255));
            const cv::Mat src[] = {bgr, opaque};
            const int pairs[] = {0, B, 1, G, 2, R, 3, A};
            cv::mixChannels(src, 2, &dst, 1, pairs, 4);
            break;
        }
        default:
            break;
    }
    return true;
}
