// MovraPanel: a scrolled wx window that shows one OpenCV matrix as a bitmap, unscaled or fitted
// to the window, with guide lines over it. Base of the ROI panel, which overrides most of the
// virtual interface; the plain panel's defaults do nothing or return neutral values.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/scrolwin.h>
#include <wx/string.h>

#include <opencv2/core.hpp>

#include <vector>

#include "panels/background_load.h"
#include "panels/display_modes.h"
#include "roi/roi_mode.h"

struct cvROI;
struct cvText;
class wxTextCtrl;

class MovraPanel : public wxScrolled<wxWindow> {
  public:
    MovraPanel(wxWindow* parent, const wxSize& size);
    MovraPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
               const wxString& name);
    ~MovraPanel() override;

    // --- Virtual interface shared with the ROI panel (slot order matters to nobody but is kept).
    virtual bool SetBitmap(const wxBitmap& bmp);
    virtual void ClearImg();
    // Replaces the working image (unless `internal`) and rebuilds the display bitmap; true when
    // the bitmap was rebuilt. Failures are logged and leave the previous bitmap shown.
    virtual bool SetCVmat(const cv::Mat& mat, bool internal, bool keepScale);
    // Decodes a file by its extension (the module's one decoder choice, through the opening
    // policy) and hands it to the matrix form; false when it is missing (which clears the
    // panel), has an unsupported extension or cannot be decoded.
    virtual bool SetCVmat(const wxString& path, bool internal, bool keepScale);
    // Shows a matrix or file at once without storing it as the working image.
    virtual bool SetCVmatDisplay(cv::Mat& mat);
    virtual bool SetCVmatDisplay(const wxString& path);
    virtual void SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable);
    virtual void SetSIMDMenuEnable(bool enable);
    virtual void GetRect(cv::Rect& rect);
    virtual void SetRect(const cv::Rect& rect);
    virtual cv::Point2f GetLeftMouseDownPoint();
    virtual cv::Point2f GetLeftMouseUpPoint();
    virtual double GetStartAngle();
    virtual double GetEndAngle();
    virtual double GetRotateAngle();
    virtual double GetInnerRadius() const;
    virtual double GetOuterRadius() const;
    virtual void GetPolygonPoints(std::vector<cv::Point2f>& points) const;
    virtual void GetRotatedRectEdges(cv::Point2f& e1, cv::Point2f& e2, cv::Point2f& e3,
                                     cv::Point2f& e4);
    virtual void ClearOverlay();
    // Index of the stored record; -1 on a panel that stores none.
    virtual int AppendOverlay(const cvROI& roi);
    virtual int AppendOverlay(const cvText& text);
    virtual void UpdateOverlayByIndex(int index, const cvROI& roi, bool visible);
    virtual void UpdateOverlayByIndex(int index, const cvText& text, bool visible);
    virtual void SetDisplayOverlay(bool show);
    virtual bool GetDisplayOverlay() const;
    virtual void SetExtDisplay(std::vector<cvROI*>* rois);
    virtual void SetExtText(std::vector<cvText*>* texts);
    virtual void UpdatePassFailRecycleLogo(bool show, int result);
    virtual void UpdatePassFailRecycleLogo(bool show, int result, wxString fontPath,
                                           wxString passText, wxString failText,
                                           wxString recycleText);
    // The plain panel zooms too: fit, unscaled (scrollbars back on request) and the ROI panel's
    // zoom steps, each rebuilding the display bitmap; steps keep that bitmap below 32767 px a
    // side and within 64 megapixels (zooming out goes further when one step is not enough).
    virtual void SetZoomToFit();
    virtual void SetOriginal(bool showScrollbars);
    virtual void SetZoomIn();
    virtual void SetZoomOut();
    // Recomputes m_scale from m_displayMode and the client size; does not rebuild the bitmap.
    // Fitting marks the panel fitted: it then fits again whenever the window is resized,
    // until a zoom step or the original size ends that.
    virtual void UpdateScale();
    virtual void SetStatusTextCtrl(wxTextCtrl* ctrl);
    virtual void SetMenuROIEnable(bool point, bool line, bool rect, bool rotatedRect, bool circle,
                                  bool annulus, bool polygon);
    virtual void HideROI();
    virtual void SetLockROI(bool lock);
    virtual void SetROI(const cvROI& roi, bool refresh);
    virtual void UpdateDrawImage(bool resize);
    virtual cv::Mat& GetDrawMat();
    virtual void SetCanvasBgColor(int r, int g, int b);
    virtual wxBitmap& GetBitmap();
    virtual cv::Mat& GetCVcropmat();
    virtual void SetROIMode(CvROIMode mode);
    virtual void SetCenterImageEnable(bool enable);
    // Draws the guide-line figure over the display bitmap; the DC is prepared for scrolling.
    virtual void DrawGuideLineWxDC(wxDC& dc);

    // --- Non-virtual helpers.
    // SetCVmat(mat, false, false) of the plain panel for a matrix nobody else uses: its pixels
    // are taken over instead of copied (a 12-megapixel copy costs more than the whole display).
    // True when `mat` became the working image, also when the display could not be rebuilt
    // from it (that is logged and the previous bitmap stays); false for an empty matrix or a
    // store that failed.
    bool AdoptCVmat(cv::Mat&& mat);
    void OnPaint(wxPaintEvent& event);
    // Recomputes the scale and rebuilds the display from m_matBitmap.
    bool UpdateCVmat();
    // which = 1: the working image, 0: the displayed copy; anything else does nothing.
    void SaveImage(wxString path, int which);
    // Invalid bitmap for an empty matrix or when the pixels cannot be written.
    [[nodiscard]] static wxBitmap ConvertMatToBitmap(const cv::Mat& mat, int unused = 0);
    // Writes 8-bit 1/3/4-channel pixels into a valid 32-bit bitmap of the same size.
    [[nodiscard]] static bool ConvertMatBitmapTowxBitmap(const cv::Mat& mat, wxBitmap& bitmap,
                                                         int unused1 = 0, int unused2 = 0);
    // 16-bit matrices to 8 bits in place by saturation (scale 1, offset 0).
    static void Convert16bitTo8bit(cv::Mat& m);
    void SetGuideLineMode(GuideLineMode mode);
    void SetGuideLineVisible(bool visible);
    void SetGuideLineStyle(const GuideLineStyle& style);
    void SetAspectRatio(AspectRatio ratio);
    int GetSSE() const { return m_sseLevel; }
    // 3 with AVX-512, 2 with AVX2, 1 with SSE4.1, else 0; computed once per process.
    static int GetSSESupport();

    int m_sseLevel;
    wxBitmap m_bitmap;
    int m_displayMode = static_cast<int>(CvDisplayMode::Original);
    double m_scale = 1.0;
    cv::Mat m_matBitmap;
    cv::Mat m_drawmatBitmap;
    int m_simdMode = 0;
    int m_roiMode = 0;
    bool m_centerImage = false;
    // The zoom follows the window's size (set by fitting, cleared by the user's zooming).
    bool m_fitted = false;
    // Files are turned upright by their EXIF orientation (JPEG, TIFF) when loaded.
    bool m_autoOrient = false;
    int m_guideLineMode = static_cast<int>(GuideLineMode::Off);
    bool m_guideLineVisible = true;
    GuideLineStyle m_guideLineStyle;
    int m_aspectRatio = static_cast<int>(AspectRatio::AR_16_9);
    // Loads decoded off the GUI thread; last, so it is gone before the rest of the panel.
    BackgroundLoad m_backgroundLoad{*this};

  protected:
    wxSize DoGetBestClientSize() const override;

  private:
    void Init();
    // A window manager gives the window its final size only after it is shown, often after
    // the image was loaded and fitted: a fitted panel fits again at every new size.
    void OnSize(wxSizeEvent& event);
    bool m_refitting = false;
    // The working image as three 8-bit channels; `adopt` lets it share the pixels of `mat`.
    // When OpenCV throws while writing it, no working image is left.
    void StoreWorkingImage(const cv::Mat& mat, bool adopt);
    // Clears the panel for an empty working image, else rebuilds the display bitmap.
    bool ShowWorkingImage(bool updateScale);
    // Rebuilds m_drawmatBitmap and the display bitmap from m_matBitmap at m_scale, an
    // enlargement capped to the largest display bitmap. A scale that is not > 0 logs
    // `badScaleMessage` and returns false; OpenCV's exceptions pass to the caller.
    bool RebuildDisplay(const char* badScaleMessage);
    // Sets a zoom from the step rules and rebuilds; nothing when it did not change.
    void ApplyZoomStep(double zoom);
};
