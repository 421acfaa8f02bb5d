#include "panels/paint_blitter.h"

#include <wx/graphics.h>

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
    bool Fits(const cv::Size& size) const {
        return image != nullptr && cairo_image_surface_get_width(image) == size.width &&
               cairo_image_surface_get_height(image) == size.height;
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
    if (!m_native->Fits(bgr.size())) {
        m_native->Reset();
        cairo_surface_t* image = cairo_surface_create_similar_image(
            cairo_get_target(cr), CAIRO_FORMAT_RGB24, bgr.cols, bgr.rows);
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
    cairo_surface_mark_dirty(image);

    cairo_save(cr);
    cairo_set_source_surface(cr, image, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, bgr.cols, bgr.rows);
    cairo_fill(cr);
    cairo_restore(cr);
    return true;
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

#endif

PaintBlitter::PaintBlitter() : m_native(std::make_unique<Native>()) {}

PaintBlitter::~PaintBlitter() = default;

void PaintBlitter::Release() {
    m_native->Reset();
    m_bitmap = wxBitmap();
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
    return true;
}
