// PaintBlitter: shows an 8-bit BGR buffer on a wx DC, keeping its pixel store from one paint to
// the next while the size stays. On GTK 3 the pixels go into a cairo image that the X server
// reads through shared memory: wx's own bitmap drawing converts every pixel twice more and
// uploads the image again, several times the cost of the rest of a paint. Elsewhere, and on a
// DC without a cairo context, through a reused 32-bit wxBitmap. GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>

#include <opencv2/core.hpp>

#include <memory>

class PaintBlitter {
  public:
    PaintBlitter();
    ~PaintBlitter();
    PaintBlitter(const PaintBlitter&) = delete;
    PaintBlitter& operator=(const PaintBlitter&) = delete;

    // Draws `bgr` (CV_8UC3) with its top-left pixel at (x, y) of the DC, opaque. False, with
    // nothing drawn, for an empty buffer or another type, or when no pixel store can be made.
    [[nodiscard]] bool Blit(wxDC& dc, const cv::Mat& bgr, int x, int y);
    // Drops the pixel store (the next Blit makes a new one).
    void Release();

  private:
    [[nodiscard]] bool BlitThroughBitmap(wxDC& dc, const cv::Mat& bgr, int x, int y);

    struct Native;
    std::unique_ptr<Native> m_native;
    wxBitmap m_bitmap;
};
