// PaintBlitter: shows an 8-bit BGR buffer on a wx DC, keeping its pixel store from one paint to
// the next while the size stays. On GTK 3 the pixels go into a cairo image that the X server
// reads through shared memory: wx's own bitmap drawing converts every pixel twice more and
// uploads the image again, several times the cost of the rest of a paint. Elsewhere, and on a
// DC without a cairo context, through a reused 32-bit wxBitmap. GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/gdicmn.h>

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
    // Fills the part of a `client`-sized window that the last Blit left uncovered. The same
    // fill as the last one (area and colour) is skipped: the window still shows it, unless
    // ForgetWindow was called since. Repeated draws through a client DC (a live feed shown
    // with a letterbox) then cost no more than their image.
    void FillAround(wxDC& dc, const wxSize& client, const wxColour& colour);
    // The window's pixels are not what was drawn last (a paint event's fresh surface, or a
    // drawing of another kind): the next FillAround fills.
    void ForgetWindow() { m_filled = false; }
    // Drops the pixel store (the next Blit makes a new one).
    void Release();

  private:
    [[nodiscard]] bool BlitThroughBitmap(wxDC& dc, const cv::Mat& bgr, int x, int y);
    void Fill(wxDC& dc, const wxRect& rect, const wxColour& colour);

    struct Native;
    std::unique_ptr<Native> m_native;
    wxBitmap m_bitmap;
    wxRect m_blitted;  // where the last Blit drew
    bool m_filled = false;
    wxSize m_filledClient;
    wxRect m_filledAround;
    wxColour m_filledColour;
};
