#include "panels/paint_blitter.h"

#include <wx/graphics.h>

#include <algorithm>

#include <opencv2/imgproc.hpp>

#include "panels/movra_panel.h"

// The cairo image below stores the bytes in OpenCV's BGRA order only on little-endian machines.
#if defined(__WXGTK3__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#include <cairo.h>

// An RGB24 cairo image, whose pixels are 32-bit words 0x00RRGGBB: in memory on a little-endian
// machine that is OpenCV's BGRA with the fourth byte ignored. Made "similar" to the X window's
// surface, cairo backs it with shared memory the server reads without a copy through the socket.
struct PaintBlitter::Native {
    cairo_surface_t* image = nullptr;

    ~Native() { Reset(); }
    void Reset() {
        if (image != nullptr) {
            cairo_surface_destroy(image);
            image = nullptr;
        }
    }
    [[nodiscard]] cv::Size Size() const {
        return image == nullptr ? cv::Size()
                                : cv::Size(cairo_image_surface_get_width(image),
                                           cairo_image_surface_get_height(image));
    }
};

namespace {

cairo_t* CairoOf(wxDC& dc) {
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    return gc != nullptr ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
}

}  // namespace

bool PaintBlitter::Blit(wxDC& dc, const cv::Mat& bgr, int x, int y) {
    if (bgr.empty() || bgr.type() != CV_8UC3) {
        return false;
    }
    cairo_t* cr = CairoOf(dc);
    if (cr == nullptr) {
        return BlitThroughBitmap(dc, bgr, x, y);
    }
    // The image only grows, to cover every buffer so far (at most the window) with some room
    // to spare: the shared memory behind a dropped image stays resident in cairo's pool, so a
    // new image for each buffer size (a zoom, scroll bars coming and going) would hold another
    // window's worth each time.
    const cv::Size held = m_native->Size();
    if (held.width < bgr.cols || held.height < bgr.rows) {
        m_native->Reset();
        constexpr int kStep = 64;
        const auto roomy = [](int held, int needed) {
            return std::max(held, (needed + kStep - 1) / kStep * kStep);
        };
        cairo_surface_t* image = cairo_surface_create_similar_image(
            cairo_get_target(cr), CAIRO_FORMAT_RGB24, roomy(held.width, bgr.cols),
            roomy(held.height, bgr.rows));
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
            cairo_image_surface_get_data(image) == nullptr) {
            cairo_surface_destroy(image);
            return BlitThroughBitmap(dc, bgr, x, y);
        }
        m_native->image = image;
    }
    cairo_surface_t* image = m_native->image;
    // Cairo may still be reading the pixels of the previous paint.
    cairo_surface_flush(image);
    cv::Mat pixels(bgr.rows, bgr.cols, CV_8UC4, cairo_image_surface_get_data(image),
                   static_cast<size_t>(cairo_image_surface_get_stride(image)));
    cv::cvtColor(bgr, pixels, cv::COLOR_BGR2BGRA);
    cairo_surface_mark_dirty_rectangle(image, 0, 0, bgr.cols, bgr.rows);

    cairo_save(cr);
    cairo_set_source_surface(cr, image, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, bgr.cols, bgr.rows);
    cairo_fill(cr);
    cairo_restore(cr);
    m_blitted = wxRect(x, y, bgr.cols, bgr.rows);
    return true;
}

void PaintBlitter::Fill(wxDC& dc, const wxRect& rect, const wxColour& colour) {
    cairo_t* cr = CairoOf(dc);
    if (cr == nullptr) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(colour));
        dc.DrawRectangle(rect);
        dc.SetBrush(wxNullBrush);
        return;
    }
    cairo_save(cr);
    cairo_set_source_rgb(cr, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_fill(cr);
    cairo_restore(cr);
}

#else

struct PaintBlitter::Native {
    void Reset() {}
};

bool PaintBlitter::Blit(wxDC& dc, const cv::Mat& bgr, int x, int y) {
    if (bgr.empty() || bgr.type() != CV_8UC3) {
        return false;
    }
    return BlitThroughBitmap(dc, bgr, x, y);
}

void PaintBlitter::Fill(wxDC& dc, const wxRect& rect, const wxColour& colour) {
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(rect);
    dc.SetBrush(wxNullBrush);
}

#endif

PaintBlitter::PaintBlitter() : m_native(std::make_unique<Native>()) {}

PaintBlitter::~PaintBlitter() = default;

void PaintBlitter::Release() {
    m_native->Reset();
    m_bitmap = wxBitmap();
}

void PaintBlitter::FillAround(wxDC& dc, const wxSize& client, const wxColour& colour) {
    const wxRect covered = m_blitted.Intersect(wxRect(client));
    if (m_filled && client == m_filledClient && covered == m_filledAround &&
        colour == m_filledColour) {
        return;
    }
    const int x0 = covered.IsEmpty() ? 0 : covered.x;
    const int x1 = covered.IsEmpty() ? 0 : covered.GetRight() + 1;
    const int y0 = covered.IsEmpty() ? client.y : covered.y;
    const int y1 = covered.IsEmpty() ? client.y : covered.GetBottom() + 1;
    // Bands above and below the image across the window, then left and right of it.
    if (y0 > 0) Fill(dc, wxRect(0, 0, client.x, y0), colour);
    if (y1 < client.y) Fill(dc, wxRect(0, y1, client.x, client.y - y1), colour);
    if (y1 > y0 && x0 > 0) Fill(dc, wxRect(0, y0, x0, y1 - y0), colour);
    if (y1 > y0 && x1 < client.x) Fill(dc, wxRect(x1, y0, client.x - x1, y1 - y0), colour);
    m_filled = true;
    m_filledClient = client;
    m_filledAround = covered;
    m_filledColour = colour;
}

bool PaintBlitter::BlitThroughBitmap(wxDC& dc, const cv::Mat& bgr, int x, int y) {
    if (!m_bitmap.IsOk() || m_bitmap.GetWidth() != bgr.cols || m_bitmap.GetHeight() != bgr.rows) {
        m_bitmap = wxBitmap(bgr.cols, bgr.rows, 32);
    }
    if (!MovraPanel::ConvertMatBitmapTowxBitmap(bgr, m_bitmap)) {
        m_bitmap = wxBitmap();
        return false;
    }
    dc.DrawBitmap(m_bitmap, x, y, false);
    m_blitted = wxRect(x, y, bgr.cols, bgr.rows);
    return true;
}
