// MovraROIAdvPanel: the interactive image panel. Shows one image at any zoom from 10 % (less
// when fitting a huge image) to 2000 % without ever scaling the whole image: each paint cuts
// the visible part at the current zoom into a small buffer, draws the layers into it (guide
// lines, the editing ROI with its handles, stored and external overlays, texts, the
// pass/fail/recycle logo) and blits it.
// The user edits one region of interest with the mouse (rules in the ROIEditor it holds); the
// host adds read-only overlays, masks and texts. GUI thread only.
#pragma once

#include <wx/arrstr.h>
#include <wx/cursor.h>
#include <wx/event.h>
#include <wx/menu.h>
#include <wx/string.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <opencv2/core.hpp>
#include <opencv2/freetype.hpp>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imageio/file_info.h"
#include "panels/movra_panel.h"
#include "panels/paint_blitter.h"
#include "panels/roi_layers.h"
#include "roi/roi_editor.h"
#include "roi/roi_records.h"
#include "roi/roi_set.h"
#include "roi/roi_set_history.h"
#include "roi/viewport.h"

class MovraROIAdvPanel : public MovraPanel {
  public:
    static constexpr const char* kDefaultFontPath =
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

    MovraROIAdvPanel(wxWindow* parent, const wxSize& size);
    MovraROIAdvPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                     long style, const wxString& name);
    ~MovraROIAdvPanel() override;

    // --- Image, paint and zoom.
    void ClearImg() override;
    // Keeps one copy of the matrix as both the working and the raw image (its own channels;
    // depths as StoreSource keeps them), fits the zoom unless `internal` or `keepScale`, and
    // repaints. False for an empty matrix (the panel is cleared) and, with nothing changed, for
    // a channel count other than 1, 3 or 4.
    bool SetCVmat(const cv::Mat& mat, bool internal, bool keepScale) override;
    // Reads the file's information, decodes it by extension, keeps the decoded image at its
    // own depth as the one source (GetWorkingMat expands its grey to three channels); hides
    // the stored overlays. False (image kept) for a missing or undecodable file.
    bool SetCVmat(const wxString& path, bool internal, bool keepScale) override;
    // That load in two steps, for loading off the GUI thread: DecodeFile touches no window and
    // runs on any thread; AdoptDecodedFile takes a decoded file as SetCVmat(path) does, except
    // that a failed decode changes nothing (SetCVmat(path) keeps the failed file's information).
    struct DecodedFile {
        ImageFileInfo info;
        cv::Mat source;  // the one image the panel keeps
        bool ok = false;
        bool damaged = false;  // decoded, with damage reported by the decoder
    };
    // `upright`: as with SetAutoOrient.
    [[nodiscard]] static DecodedFile DecodeFile(const std::string& utf8Path, bool upright);
    bool AdoptDecodedFile(DecodedFile&& file, bool internal, bool keepScale);
    // Paints a matrix or file at once without keeping it; the next full paint shows the stored
    // image again.
    bool SetCVmatDisplay(cv::Mat& mat) override;
    bool SetCVmatDisplay(const wxString& path) override;
    void SetZoomToFit() override;
    void SetOriginal(bool showScrollbars) override;
    void SetZoomIn() override;
    void SetZoomOut() override;
    void UpdateScale() override;
    void SetCenterImageEnable(bool enable) override;
    void UpdateDrawImage(bool resize) override;
    // The source saturated to 8 bits, a grey file's image expanded to three channels.
    [[nodiscard]] cv::Mat GetWorkingMat() const override;
    // Guide lines are drawn into the buffer, not over it.
    void DrawGuideLineWxDC(wxDC& dc) override;

    void OnPaint(wxPaintEvent& event);
    void RenderFrame(wxDC& dc);
    // The image alone (no layers), for the display-only paths.
    void RenderFrameFast(wxDC& dc, const cv::Mat& mat);
    // Shared by both renderers: the viewport follows the window and its scroll position, and
    // the visible part of `image` at the zoom is cut out and rendered (levels, colormap) as
    // 8-bit three channels (empty when nothing is visible or the image has a channel count
    // the panel cannot show).
    cv::Mat CutVisibleBuffer(const cv::Mat& image);
    // Zoom steps: store the new m_scale and return whether it changed; the viewport is the
    // caller's to update.
    bool CalcZoomIn();
    bool CalcZoomOut();

    // --- Layers, drawn into the visible buffer in this order.
    void DrawGuideOnVisibleBuffer(cv::Mat& buffer);
    void DrawCurrentEditingROI(cv::Mat& buffer);
    void DrawStoredOverlays(cv::Mat& buffer);
    void DrawROI(cv::Mat& buffer, const cvROI& roi, std::vector<cv::Point2f> view);
    void DrawTexts(cv::Mat& buffer);
    void DrawPFRLogo(cv::Mat& buffer);

    // --- The editing ROI (rules in ROIEditor). Setters repaint unless stated.
    // Disabling crop editing also empties the ROI (no repaint).
    void SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable) override;
    // The crop rectangle of the ROI in the current mode, (0, 0, 0, 0) when empty or degenerate.
    void GetRect(cv::Rect& rect) override;
    // A width or height below 1 empties the ROI; the mode and the points stay.
    void SetRect(const cv::Rect& rect) override;
    cv::Point2f GetLeftMouseDownPoint() override;
    cv::Point2f GetLeftMouseUpPoint() override;
    double GetStartAngle() override;
    double GetEndAngle() override;
    double GetRotateAngle() override;
    double GetInnerRadius() const override;
    double GetOuterRadius() const override;
    // The vertices of a polygon, the corners of a rotated rectangle, the ends of a line.
    void GetPolygonPoints(std::vector<cv::Point2f>& points) const override;
    // Corners 1, 2, 3, 0 of a rotated rectangle; outputs untouched in any other mode.
    void GetRotatedRectEdges(cv::Point2f& e1, cv::Point2f& e2, cv::Point2f& e3,
                             cv::Point2f& e4) override;
    // The control that shows the pixel under the pointer; it may be destroyed first.
    void SetStatusTextCtrl(wxTextCtrl* ctrl) override;
    void HideROI() override;
    // A locked ROI is neither created nor changed by the mouse.
    void SetLockROI(bool lock) override;
    // Takes the record's mode, then its shape (a point count that does not fit empties it).
    // No crop event.
    void SetROI(const cvROI& roi, bool refresh) override;
    // A different mode empties the ROI; the same mode again does nothing. No event.
    void SetROIMode(CvROIMode mode) override;
    void ClearROIState();
    // Binds or unbinds the seven mouse handlers (idempotent).
    void SetMouseEventConnect(bool connect);
    [[nodiscard]] HitResult HitTestCurrentROI(const cv::Point2f& p) const;
    void UpdateROIFromDrag(const cv::Point2f& p);
    // Stored overlays are not hit-tested: always no hit.
    [[nodiscard]] HitResult HitTestStoredROIs(const cv::Point2f& p) const;
    // Sends the crop event (synchronously, to the panel's handler and on to its parents) unless
    // a polygon is still open.
    void FinalizeCurrentROI();
    // A drag changed the shape: the next paint schedules one m_onROIChanging call.
    void NoteROIChanging();
    // Called at the end of every paint.
    void ScheduleROIChanging();

    // --- Undo and redo of the set and its editing ROI: an ROI added, removed, renamed,
    // recoloured or changed (each edit of the editing ROI too). A step selects what it selected
    // then, repaints, reports a change of the editing ROI as a mouse edit does (the tool-change
    // event first when the mode changes with it, then the crop event) and then reports the set's
    // changes. False when there was no step to take.
    bool Undo();
    bool Redo();
    [[nodiscard]] bool CanUndo() const;
    [[nodiscard]] bool CanRedo() const;

    // --- Keys, while the panel has the focus (a click gives it the focus), crop editing is on,
    // the ROI is not locked and an image is shown: the arrow keys move the ROI by one image
    // pixel (Shift: ten) unless moving is switched off, Delete empties it, Esc drops a drag in
    // progress, Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo. A move or Delete is a step and
    // sends the crop event. Keys it does not use go on (arrows then scroll the view).
    void OnKeyDown(wxKeyEvent& e);

    // --- Mouse. Positions are mapped to image pixels at the current zoom, scroll position
    // and centering.
    void OnImgeLeftMouseDown(wxMouseEvent& e);
    void OnImgeLeftMouseUp(wxMouseEvent& e);
    void OnImgeMouseMove(wxMouseEvent& e);
    void OnImgeLeftDClick(wxMouseEvent& e);
    void OnImgeRightDClick(wxMouseEvent& e);
    void OnMiddleMouseDown(wxMouseEvent& e);
    void OnMiddleMouseUp(wxMouseEvent& e);
    // Ctrl: zoom one step about the pointer; otherwise scroll.
    void OnMouseWheel(wxMouseEvent& e);

    // --- Context menu (zoom commands 400-403, tools 404-410, SIMD choices 411-415).
    void SetMenuROIEnable(bool point, bool line, bool rect, bool rotatedRect, bool circle,
                          bool annulus, bool polygon) override;
    void SetSIMDMenuEnable(bool enable) override;
    void OnContextMenu(wxContextMenuEvent& e);
    // The menu as it would pop up now (the caller owns it): popping up is modal, so the menu is
    // built apart from it.
    [[nodiscard]] wxMenu* BuildContextMenu() const;
    // Pops up the menu at a client position; returns when it closes.
    void ShowContextMenu(const wxPoint& pos);
    void OnMenu_ScaleUp(wxCommandEvent& e);
    void OnMenu_ScaleDown(wxCommandEvent& e);
    void OnMenu_ZoomtoFit(wxCommandEvent& e);
    void OnMenu_Origianl(wxCommandEvent& e);
    // Changes the tool (also to the current one, which empties the ROI) and sends the
    // tool-change event.
    void OnMenu_ROIChange(wxCommandEvent& e);
    void OnMenu_SIMDChange(wxCommandEvent& e);

    // --- Overlays, texts and the result logo. None repaints unless stated.
    void ClearOverlay() override;
    // Index of the appended record.
    int AppendOverlay(const cvROI& roi) override;
    int AppendOverlay(const cvText& text) override;
    // -1 (nothing stored) for an empty mask; alpha is the opacity in 0..1.
    int AppendMaskOverlay(const cv::Mat& mask, const cv::Scalar& color, double alpha);
    // Outline of the largest outer contour of an 8-bit one-channel mask; empty without one.
    std::vector<cv::Point2f> ConvertMaskToPolygon(const cv::Mat& mask);
    // Out-of-range indexes are ignored; `show` makes the record visible and repaints.
    void UpdateOverlayByIndex(int index, const cvROI& roi, bool show) override;
    void UpdateOverlayByIndex(int index, const cvText& text, bool show) override;
    void SetDisplayOverlay(bool show) override;
    bool GetDisplayOverlay() const override;
    // Caller-owned lists read at every paint; null detaches.
    void SetExtDisplay(std::vector<cvROI*>* rois) override;
    void SetExtText(std::vector<cvText*>* texts) override;
    void UpdatePassFailRecycleLogo(bool show, int result) override;
    void UpdatePassFailRecycleLogo(bool show, int result, wxString fontPath, wxString passText,
                                   wxString failText, wxString recycleText) override;

    // --- Host callbacks, assigned and cleared directly by the owner; each receives the image
    // point under the pointer (not clamped to the image). Empty ones are not called. They run
    // inside wx event handlers, which no exception may leave.
    // Right click: returning true takes the click, and no context menu opens (the int is -1).
    std::function<bool(const cv::Point2f&, int)> m_onRightClick;
    std::function<void(const cv::Point2f&)> m_onLeftDClick;
    std::function<void(const cv::Point2f&)> m_onRightDClick;
    // Every motion event, inside the image or not, also while panning.
    std::function<void(const cv::Point2f&)> m_onMouseMove;
    // While the user drags the editing ROI: the crop rectangle after the change, at most once
    // per repaint (called soon after the paint that showed it); none for the release itself,
    // which sends the crop event.
    std::function<void(const cv::Rect&)> m_onROIChanging;

    // --- The editing ROI's state and rules: the panel holds them and turns its events into
    // the editor's calls.
    ROIEditor m_editor;

    // --- The set of named ROIs. The selected one is the editing ROI: while it is selected its
    // shape lives in m_editor, and the set's copy is brought up to date by SyncSelectedROI.
    // With nothing selected, a shape the editor gets (drawn, set by a call) becomes a new ROI,
    // added and selected. Every change but a selection is an undo step (Undo, Redo), and each
    // is reported to m_onROISetChanged once the change is whole.
    ROISet m_rois;
    int m_selectedROI = -1;  // -1: none
    // Writes the editing ROI's shape into the selected entry.
    void SyncSelectedROI();
    // Makes `id` (-1: none) the editing ROI, its shape and mode loaded into the editor without
    // a crop event or an undo step; false (nothing changed) for an unknown id. Repaints.
    bool SelectROI(int id);
    // Appends an ROI and returns its id; repaints.
    int AddROI(ROIShape shape, std::string name, const cv::Scalar& color);
    // Replaces a shape (the editing ROI's too when it is the selected one); false for an
    // unknown id. Repaints.
    bool UpdateROI(int id, ROIShape shape);
    // False for an unknown id. Repaint.
    bool RenameROI(int id, std::string name);
    bool SetROIColor(int id, const cv::Scalar& color);
    // Removing the selected ROI empties the editing ROI. Repaint.
    bool RemoveROI(int id);
    void ClearROIs();
    // Puts `entries` (ids checked unique by the caller) in place of the whole set as one step
    // and selects `selected` (-1: none; an unknown id selects nothing). Repaints.
    void ReplaceROIs(std::vector<ROIEntry> entries, int selected);
    // Multi-ROI mouse rules, off by default: with crop editing on, a press on an unselected ROI
    // (the topmost within ten screen pixels) selects it, and goes on to grab it as a press on
    // the editing ROI does when it lands on it (a drag then moves or reshapes it); a press
    // elsewhere lets the selected ROI go and, with a tool, draws a new one; Delete removes the
    // selected ROI; choosing another tool lets the selected ROI go instead of emptying it. The
    // selected ROI's handles come first. Off, a press always goes to the editing ROI.
    void SetMultiROI(bool enable) { m_multiROI = enable; }
    [[nodiscard]] bool GetMultiROI() const { return m_multiROI; }
    // Called with "added", "changed", "removed" or "selected" and the ROI's id (-1: the
    // selection went) after each change of the set, once the change is whole; it may call
    // back into the panel. Not called for a drag until its release.
    std::function<void(const char* action, int id)> m_onROISetChanged;
    // Unselected ROIs in their colours (pen 2, culled to the view), each with its name.
    void DrawROISet(cv::Mat& buffer);
    // The labels' font, loaded at the first paint that draws a name (and only tried then).
    roi_layers::Labels m_labels;
    bool m_labelsLoaded = false;

    // --- Mouse glue.
    bool m_middleDown = false;
    wxPoint m_panStartMouse{0, 0};
    int m_panStartScroll[2] = {0, 0};
    // The pointer in image pixels at the last motion event, also outside the image.
    cv::Point m_mouseImagePos{0, 0};
    bool m_mouseEventsBound = false;
    wxWeakRef<wxTextCtrl> m_statusTextCtrl;

    // --- Context menu: which tools it offers (Point, Line, Rectangle, RotatedRectangle,
    // Circle, Annulus, Polygon) and whether it shows the SIMD choices.
    bool m_menuROIEnable[7] = {false, false, false, false, false, false, false};
    bool m_simdMenuEnable = false;

    // --- Image state.
    // A header of m_matBitmap (one buffer): the source as decoded or set.
    cv::Mat m_rawMat;
    // The source came from a grey file, whose working picture has three channels.
    bool m_greyShownAsBGR = false;
    ImageFileInfo m_imageInfo;
    // The loaded file decoded with damage reported by its decoder (shown all the same).
    bool m_imageDamaged = false;
    Viewport m_viewport;
    std::string m_defaultFontPath = kDefaultFontPath;
    bool m_displayOverlay = false;
    cv::Scalar m_highlightColor{0, 255, 255, 0};

    // --- Overlays, texts, logo.
    std::vector<cvROI> m_overlays;
    std::vector<cvROI*>* m_extOverlays = nullptr;
    std::vector<cvText> m_texts;
    std::vector<cv::Ptr<cv::freetype::FreeType2>> m_textFonts;
    std::vector<cvText*>* m_extTexts = nullptr;
    std::vector<cv::Ptr<cv::freetype::FreeType2>> m_extTextFonts;
    bool m_showLogo = false;
    int m_logoResult = 0;
    wxString m_logoFontPath;
    wxString m_passText;
    wxString m_failText;
    wxString m_recycleText;
    cv::Ptr<cv::freetype::FreeType2> m_logoFont;
    int m_logoFontHeight = -1;
    int m_logoBaseline = 0;
    cv::Size m_logoBufferSize{0, 0};

  protected:
    // The clock of the polygon's quick second press, in milliseconds.
    [[nodiscard]] virtual std::int64_t NowMs() const;

  private:
    void Init();
    // The current tool as the editor's mode (the base class keeps it as an int).
    [[nodiscard]] CvROIMode RoiMode() const { return static_cast<CvROIMode>(m_roiMode); }
    // The viewport follows the window's client size and scroll position: each paint sets them,
    // and a mouse event is mapped through the same view, the one the user sees.
    void SyncViewportToWindow();
    // Image point under a window position (not limited to the image).
    [[nodiscard]] cv::Point2f ImagePoint(const wxPoint& pos) const;
    // Mode, zoom and image size; MakeEditContext adds the event's time and Shift state.
    [[nodiscard]] EditContext BaseEditContext() const;
    [[nodiscard]] EditContext MakeEditContext(const wxMouseEvent& e) const;
    // Carries out what an editing step asks for; false when the step did not use the event.
    bool ApplyOutcome(const EditOutcome& outcome);
    void SendToolChange();
    // GTK does not move the keyboard focus to a plain window that is clicked.
    void TakeFocusFromClick();
    void OnFocusClick(wxMouseEvent& e);
    // True when the key edited (or was meant for) the ROI.
    [[nodiscard]] bool HandleEditingKey(const wxKeyEvent& e);
    void ShowStatusLine();
    void SetStockCursor(wxStockCursor id);
    void PanTo(const wxPoint& pos);
    void WheelZoom(int rotation);
    void WheelScroll(const wxMouseEvent& e);
    // Binds or unbinds the menu's command ids (400-415) to their handlers.
    void BindMenuCommands(bool bind);
    // The rest of SetCVmat once m_matBitmap holds the image: tells the viewport its size, fits
    // the zoom when asked, sets the virtual size and repaints; clears the panel and returns
    // false for an empty image.
    bool ShowImage(bool fitZoom);
    // m_scale and the viewport's scale together (clamped to the viewport's range), the virtual
    // size after them, then a repaint.
    void ApplyZoom(double zoom);
    // ApplyZoom keeping the image point under `anchor` (a client position) where it is.
    void ZoomAbout(double zoom, const wxPoint& anchor);
    // Where the context menu was opened (client position), for its "Original Size".
    wxPoint m_menuAnchor = wxDefaultPosition;
    // Blits the buffer at the centering offset and fills only the part of the window it leaves
    // uncovered with the background colour.
    void BlitBuffer(wxDC& dc, const cv::Mat& buffer);
    void ClearWindow(wxDC& dc);
    // A paint that failed is logged once per distinct message: logging at every repaint would
    // flood the host with one dialog per frame.
    void ReportPaintError(const char* what);
    // A renderer for a text drawn at paint time, where an exception has nowhere to go: an
    // unreadable font falls back to the default font, and a null result skips the text.
    cv::Ptr<cv::freetype::FreeType2> LoadFontForPaint(const std::string& fontPath) const;

    // --- The set's history and reports (roi_adv_panel_set_history.cpp).
    ROISetHistory m_setHistory;
    bool m_multiROI = false;
    // Editor steps not yet turned into set steps: the editor hands them over inside its calls,
    // and CommitEdits takes them once the call is over.
    std::vector<std::pair<ROISnapshot, ROISnapshot>> m_pendingEdits;
    // Changes to report, oldest first.
    std::deque<std::pair<const char*, int>> m_setChanges;
    void CommitEdits();
    void NoteSetChange(const char* action, int id) { m_setChanges.emplace_back(action, id); }
    // Reports the noted changes; the callback may destroy the panel, so callers touch nothing
    // of it afterwards.
    void FlushSetChanges();
    // Selection without a report or repaint (noted for the report when it changed).
    void SelectQuietly(int id);
    // Loads the selected entry's shape and mode into the editor (empties it for none).
    void LoadSelectedIntoEditor();
    // Carries a step out backwards or forwards and reports it; false without a step.
    bool ApplySetStep(std::optional<ROISetStep> step, bool undo);
    // The multi-ROI rules of a press: true when the press only selected an ROI and the editor
    // must not see it.
    bool PressSelectsROI(const cv::Point2f& p);
    // Delete in multi-ROI mode: removes the selected ROI (with a crop event for the emptied
    // editing ROI); false when there is none.
    bool DeleteSelectedROI();
    // An entry removed from the set with the step that records it; the editing ROI empties
    // when it is the selected one.
    void RemoveInto(ROISetStep& step, int id);
    // The same for every entry; returns their ids in drawing order.
    std::vector<int> RemoveAllInto(ROISetStep& step);
    // Removes a known entry as one step, its reports noted.
    void RemoveAsStep(int id);
    // A name or colour change of an entry (`change` edits it) as one step and report; a change
    // that changes nothing is none. False for an unknown id.
    template <class Change>
    bool ChangeEntry(int id, Change&& change);

    std::string m_lastPaintError;
    // Live ROI updates: a change not yet reported, and whether its report is already queued.
    bool m_roiChangePending = false;
    bool m_roiChangeQueued = false;
    void DeliverROIChanging();
    // The cursor the mouse handlers set last, and its stock id (wxCURSOR_NONE: none yet).
    wxStockCursor m_stockCursor = wxCURSOR_NONE;
    wxCursor m_editCursor;
};
