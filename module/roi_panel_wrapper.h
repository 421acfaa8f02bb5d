// MovraROIAdvPanelWrapper: the native object behind Python's MovraROIAdvPanel. Creates one ROI
// panel under a host wx window found from its X11 handle, forwards calls to it (building ROI
// and text records from Python values), and connects Python callables to the panel's crop event
// and mouse callbacks. Every method returns its neutral default once the panel is gone, and
// then reads none of its arguments. Python errors of bad arguments are raised before the panel
// is called.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>

#include "module/async_load.h"
#include "module/conversions.h"
#include "module/host_embedding.h"
#include "module/panel_wrapper_base.h"
#include "module/roi_panel_callbacks.h"
#include "panels/roi_adv_panel.h"

class MovraROIAdvPanelWrapper : public PanelWrapperBase<MovraROIAdvPanel> {
  public:
    // Throws std::runtime_error (no window left behind) as MovraPanelWrapper does.
    explicit MovraROIAdvPanelWrapper(const PanelPlacement& placement);
    ~MovraROIAdvPanelWrapper();
    MovraROIAdvPanelWrapper(const MovraROIAdvPanelWrapper&) = delete;
    MovraROIAdvPanelWrapper& operator=(const MovraROIAdvPanelWrapper&) = delete;

    // --- Image and zoom.
    // Raises ValueError for 2 or more than 4 channels (see WithImageArray).
    void SetMat(const py::array& img);
    [[nodiscard]] bool LoadImage(const std::string& utf8Path);
    // As MovraPanelWrapper's: decoded (with the file's information) on a worker thread, taken
    // on the GUI thread as LoadImage takes it, then callback(path, ok).
    void LoadImageAsync(const std::string& utf8Path, const py::object& callback);
    [[nodiscard]] bool IsLoading() const;
    [[nodiscard]] py::array_t<std::uint8_t> GetMat() const;
    [[nodiscard]] py::array_t<std::uint8_t> GetDrawMat() const;
    [[nodiscard]] py::array_t<std::uint8_t> GetRawMat() const;
    void SetMode(int mode);
    void SetAutoOrient(bool enable);
    void SetOriginal();
    [[nodiscard]] double GetZoomFactor() const;
    [[nodiscard]] py::dict GetLoadedImageInfo() const;

    // --- The editing ROI.
    void SetROIMode(int mode);
    [[nodiscard]] int GetROIMode() const;
    void SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable);
    void SetLockROI(bool lock);
    [[nodiscard]] py::tuple GetRect() const;
    void SetRect(const py::tuple& rect);
    [[nodiscard]] py::tuple GetLeftMouseDownPoint() const;
    [[nodiscard]] py::tuple GetLeftMouseUpPoint() const;
    [[nodiscard]] double GetStartAngle() const;
    [[nodiscard]] double GetEndAngle() const;
    [[nodiscard]] double GetRotateAngle() const;
    [[nodiscard]] double GetInnerRadius() const;
    [[nodiscard]] double GetOuterRadius() const;
    [[nodiscard]] py::list GetPolygonPoints() const;
    // Points in the caller's order, thickness 1, no colour; the mode is not range-checked.
    void SetEditingROI(int mode, const py::list& points, double angle);
    void SetMenuROIEnable(bool point, bool line, bool rect, bool rotatedRect, bool circle,
                          bool annulus, bool polygon);
    void HideROI();

    // --- Overlays, texts and the result badge.
    void ClearOverlay();
    void SetDisplayOverlay(bool show);
    [[nodiscard]] bool GetDisplayOverlay() const;
    // Index of the new overlay, -1 without a panel.
    [[nodiscard]] int AppendOverlay(int mode, const py::list& points, const py::tuple& color,
                                    int size, double angle);
    void UpdateDrawImage(bool update);
    // -1 for an empty mask or without a panel; alpha is the opacity in 0..1.
    [[nodiscard]] int AppendMaskOverlay(const UInt8Array& mask, const py::tuple& color,
                                        double alpha);
    [[nodiscard]] py::list ConvertMaskToPolygon(const UInt8Array& mask);
    // `lines`: a str (split at line breaks) or a sequence of str; `background`: None or a
    // colour tuple. Index of the new text, -1 without a panel.
    [[nodiscard]] int AppendText(const py::object& lines, const py::tuple& position,
                                 const py::tuple& color, int fontHeight,
                                 const std::string& fontPath, const py::object& background);
    // Replaces text `index` (others are ignored) and repaints; `show` false hides it.
    void UpdateText(int index, const py::object& lines, const py::tuple& position,
                    const py::tuple& color, int fontHeight, const std::string& fontPath,
                    const py::object& background, bool show);
    // result 0 pass, 1 fail, 2 recycle; repaints.
    void SetResultLogo(bool show, int result, const std::string& fontPath,
                       const std::string& passText, const std::string& failText,
                       const std::string& recycleText);

    // --- Window.

    // --- Callbacks. The crop callback cannot be cleared; the others take None to clear.
    void SetOnCropCallback(const py::function& callback);
    void SetOnRightClickCallback(const py::object& callback);
    void SetOnLeftDClickCallback(const py::object& callback);
    void SetOnRightDClickCallback(const py::object& callback);
    void SetOnMouseMoveCallback(const py::object& callback);
    // Python's garbage collector sees the callables (a callback that refers to its own panel
    // makes a cycle) and may drop them.
    [[nodiscard]] int Traverse(visitproc visit, void* arg) const;
    void ClearCallbacks();

    // --- Undo and redo of the editing ROI. A step repaints and reports the restored ROI as a
    // mouse edit does (crop callback); false when there was no step, or no panel.
    [[nodiscard]] bool Undo();
    [[nodiscard]] bool Redo();
    [[nodiscard]] bool CanUndo() const;
    [[nodiscard]] bool CanRedo() const;
    // --- Masks and measurements of the editing ROI (pixel rule: roi/roi_measure.h).
    // (rows, cols) uint8, 255 inside; shape (0,) without an image or a ROI.
    [[nodiscard]] py::array_t<std::uint8_t> GetROIMask(const py::object& id) const;
    // Statistics of the raw image inside the ROI; empty without a ROI pixel on the image.
    [[nodiscard]] py::dict GetROIStats(const py::object& id) const;
    [[nodiscard]] py::object GetROIHistogram(int bins, const py::object& range,
                                             const py::object& id) const;

    // --- The set of named ROIs (roi_panel_wrapper_set.cpp). Ids are ints; KeyError for an
    // unknown one, ValueError for bad shape data (nothing changed).
    [[nodiscard]] int AddROI(int mode, const py::list& points, double angle,
                             const std::string& name, const py::object& color);
    [[nodiscard]] py::list GetROIs() const;
    [[nodiscard]] py::dict GetROI(int id) const;
    void UpdateROI(int id, const py::object& data);
    void RenameROI(int id, const std::string& name);
    void SetROIColor(int id, const py::tuple& color);
    [[nodiscard]] bool RemoveROI(int id);
    void ClearROIs();
    // None deselects.
    void SelectROI(const py::object& id);
    [[nodiscard]] py::object GetSelectedROI() const;
    [[nodiscard]] py::dict GetROISetData() const;
    void SetROISetData(const py::object& data);
    void SetMultiROI(bool enable);
    [[nodiscard]] bool GetMultiROI() const;
    // cb(action, id) after each change of the set; None clears it. TypeError for anything else
    // that is not callable.
    void SetOnROISetChangedCallback(const py::object& callback);
    // The source values along a line ROI (None: the editing ROI), (n, channels) float64;
    // ValueError for another shape, no image, or a bad width (rules: roi/line_profile.h);
    // shape (0,) without a panel.
    [[nodiscard]] py::array_t<double> GetLineProfile(const py::object& id, int width) const;

    // --- Live ROI updates and the ROI as data.
    // Called while the user drags the editing ROI with the crop callback's tuple, at most once
    // per repaint; None clears it. TypeError for anything else that is not callable.
    void SetOnROIChangingCallback(const py::object& callback);
    // The editing ROI as a dict of plain values; SetEditingROIData takes it back (one undo
    // step, no crop event). A bad dict raises ValueError naming the field and changes nothing.
    [[nodiscard]] py::dict GetEditingROIData() const;
    void SetEditingROIData(const py::object& data);
    // The stored overlays as such dicts, in index order; AppendOverlayData adds one back and
    // returns its index (-1 without a panel).
    [[nodiscard]] py::list GetOverlayData() const;
    [[nodiscard]] int AppendOverlayData(const py::object& data);

  private:
    // wx destroyed the panel with its host window: the callables go at once.
    void OnPanelGone();

    std::shared_ptr<RoiCallbacks> m_callbacks = std::make_shared<RoiCallbacks>();
    AsyncLoadReport m_async;
};
