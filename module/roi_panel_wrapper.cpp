#include "module/roi_panel_wrapper.h"

#include <wx/string.h>
#include <wx/thread.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "module/file_info_dict.h"
#include "module/line_profile_py.h"
#include "module/panel_ops.h"
#include "module/roi_data_dict.h"
#include "module/roi_measure_py.h"
#include "module/roi_set_dict.h"
#include "panels/roi_adv_panel.h"
#include "roi/roi_records.h"

namespace {

using Panel = MovraROIAdvPanel;

py::array_t<std::uint8_t> EmptyArray() { return MatToNumpy(cv::Mat()); }

BackgroundLoad* LoadOf(Panel* panel) {
    return panel != nullptr ? &panel->m_backgroundLoad : nullptr;
}

// The record the Python side describes: visible, solid, no highlight, points as given.
cvROI MakeROI(int mode, std::vector<cv::Point2f> points, const cv::Scalar& color, int thickness,
              double angle) {
    cvROI roi;
    roi.visible = true;
    roi.thickness = thickness;
    roi.highlightIndex = -1;
    roi.angle = angle;
    roi.mode = static_cast<CvROIMode>(mode);
    roi.lineStyle = LineStyle::Solid;
    roi.color = color;
    roi.points = std::move(points);
    return roi;
}

// None empties the panel's member; a callable installs the forwarder once, which reads the
// stored callable at every call, so replacing one callable by another leaves it alone.
template <class Member>
void Install(Member& member, const py::object& callback, Member forwarder) {
    if (callback.is_none()) {
        member = nullptr;
    } else if (!member) {
        member = std::move(forwarder);
    }
}

void RequireCallableOrNone(const py::object& callback) {
    if (!callback.is_none() && PyCallable_Check(callback.ptr()) == 0) {
        throw py::type_error("callback must be callable or None");
    }
}

}  // namespace

MovraROIAdvPanelWrapper::MovraROIAdvPanelWrapper(const PanelPlacement& placement) {
    m_panel.Create(placement);
    m_panel.Embedding().SetGoneHook([this] { OnPanelGone(); });
    // Bound once for the panel's life; with no callable set the forwarder only passes the
    // event on.
    BindCropForwarder(*m_panel.Get(), m_callbacks);
}

MovraROIAdvPanelWrapper::~MovraROIAdvPanelWrapper() {
    m_async.Forget(LoadOf(m_panel.Get()));
    // A callback may drop the last reference to its own panel: the handler that called it is
    // still running, so the window must outlive it.
    m_panel.Embedding().Release(m_callbacks->activeCalls > 0 || m_async.InCallback());
    m_callbacks->ReleaseAll();
}

void MovraROIAdvPanelWrapper::OnPanelGone() {
    m_callbacks->ReleaseAll();
    m_async.Forget(nullptr);
}

// --- Image and zoom.

void MovraROIAdvPanelWrapper::SetMat(const py::array& img) {
    m_async.Supersede(LoadOf(m_panel.Get()));
    m_panel.Call([&](Panel& p) {
        // The panel copies the pixels once into its own buffer; the array stays referenced by
        // the call, and the panel's work needs no Python object.
        WithImageArray(img, [&p](const cv::Mat& view) {
            const py::gil_scoped_release unlocked;
            (void)p.SetCVmat(view, false, false);
            Repaint(p, true);
        });
    });
}

bool MovraROIAdvPanelWrapper::LoadImage(const std::string& utf8Path) {
    m_async.Supersede(LoadOf(m_panel.Get()));
    return m_panel.CallOr(false, [&](Panel& p) {
        // Decoding is most of the time; the panel's own steps need no Python object either.
        const py::gil_scoped_release unlocked;
        if (!p.SetCVmat(wxString::FromUTF8(utf8Path), false, false)) {
            return false;
        }
        Repaint(p, true);
        return true;
    });
}

void MovraROIAdvPanelWrapper::LoadImageAsync(const std::string& utf8Path,
                                             const py::object& callback) {
    const Panel* panel = m_panel.Get();
    const bool upright = panel != nullptr && panel->m_autoOrient;
    m_async.Start(LoadOf(m_panel.Get()), utf8Path, callback, [this, utf8Path, upright] {
        Panel::DecodedFile file = Panel::DecodeFile(utf8Path, upright);
        // Runs only while this load is the panel's pending one, so the wrapper and panel live.
        return BackgroundLoad::Adopt([this, file]() mutable {
            const bool ok = m_panel.CallOr(false, [&](Panel& p) {
                if (!p.AdoptDecodedFile(std::move(file), false, false)) {
                    return false;
                }
                Repaint(p, true);
                return true;
            });
            m_async.Finish(ok);
        });
    });
}

bool MovraROIAdvPanelWrapper::IsLoading() const {
    return m_async.IsLoading(LoadOf(m_panel.Get()));
}

py::array_t<std::uint8_t> MovraROIAdvPanelWrapper::GetMat() const {
    return m_panel.CallOr(EmptyArray(), [](Panel& p) { return MatToNumpy(p.GetWorkingMat()); });
}

py::array_t<std::uint8_t> MovraROIAdvPanelWrapper::GetDrawMat() const {
    return m_panel.CallOr(EmptyArray(), [](Panel& p) { return MatToNumpy(p.GetDrawMat()); });
}

py::array_t<std::uint8_t> MovraROIAdvPanelWrapper::GetRawMat() const {
    return m_panel.CallOr(EmptyArray(), [](Panel& p) { return MatToNumpy(p.m_rawMat); });
}

void MovraROIAdvPanelWrapper::SetMode(int mode) {
    m_panel.Call([&](Panel& p) {
        p.m_displayMode = mode;
        p.UpdateScale();
        Repaint(p, false);
    });
}

void MovraROIAdvPanelWrapper::SetOriginal() {
    m_panel.Call([](Panel& p) {
        p.SetOriginal(true);
        Repaint(p, false);
    });
}

void MovraROIAdvPanelWrapper::SetAutoOrient(bool enable) {
    m_panel.Call([&](Panel& p) { p.m_autoOrient = enable; });
}

double MovraROIAdvPanelWrapper::GetZoomFactor() const {
    return m_panel.CallOr(1.0, [](Panel& p) { return p.m_viewport.scale; });
}

py::dict MovraROIAdvPanelWrapper::GetLoadedImageInfo() const {
    return m_panel.CallOr(py::dict(), [](Panel& p) {
        py::dict info = ImageFileInfoToDict(p.m_imageInfo);
        info["damaged"] = p.m_imageDamaged;
        return info;
    });
}

// --- The editing ROI.

void MovraROIAdvPanelWrapper::SetROIMode(int mode) {
    m_panel.Call([&](Panel& p) { p.SetROIMode(static_cast<CvROIMode>(mode)); });
}

int MovraROIAdvPanelWrapper::GetROIMode() const {
    return m_panel.CallOr(0, [](Panel& p) { return p.m_roiMode; });
}

void MovraROIAdvPanelWrapper::SetFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable) {
    m_panel.Call([&](Panel& p) { p.SetFuncEnable(menuEnable, cropEnable, moveEnable); });
}

void MovraROIAdvPanelWrapper::SetLockROI(bool lock) {
    m_panel.Call([&](Panel& p) { p.SetLockROI(lock); });
}

py::tuple MovraROIAdvPanelWrapper::GetRect() const {
    cv::Rect rect(0, 0, 0, 0);
    m_panel.Call([&](Panel& p) { p.GetRect(rect); });
    return RectToTuple(rect);
}

void MovraROIAdvPanelWrapper::SetRect(const py::tuple& rect) {
    m_panel.Call([&](Panel& p) { p.SetRect(ParseRectTuple(rect)); });
}

py::tuple MovraROIAdvPanelWrapper::GetLeftMouseDownPoint() const {
    return PointToTuple(m_panel.CallOr(cv::Point2f(0.f, 0.f),
                                       [](Panel& p) { return p.GetLeftMouseDownPoint(); }));
}

py::tuple MovraROIAdvPanelWrapper::GetLeftMouseUpPoint() const {
    return PointToTuple(m_panel.CallOr(cv::Point2f(0.f, 0.f),
                                       [](Panel& p) { return p.GetLeftMouseUpPoint(); }));
}

double MovraROIAdvPanelWrapper::GetStartAngle() const {
    return m_panel.CallOr(0.0, [](Panel& p) { return p.GetStartAngle(); });
}

double MovraROIAdvPanelWrapper::GetEndAngle() const {
    return m_panel.CallOr(360.0, [](Panel& p) { return p.GetEndAngle(); });
}

double MovraROIAdvPanelWrapper::GetRotateAngle() const {
    return m_panel.CallOr(0.0, [](Panel& p) { return p.GetRotateAngle(); });
}

double MovraROIAdvPanelWrapper::GetInnerRadius() const {
    return m_panel.CallOr(0.0, [](Panel& p) { return p.GetInnerRadius(); });
}

double MovraROIAdvPanelWrapper::GetOuterRadius() const {
    return m_panel.CallOr(0.0, [](Panel& p) { return p.GetOuterRadius(); });
}

py::list MovraROIAdvPanelWrapper::GetPolygonPoints() const {
    std::vector<cv::Point2f> points;
    m_panel.Call([&](Panel& p) { p.GetPolygonPoints(points); });
    return PointListToList(points);
}

void MovraROIAdvPanelWrapper::SetEditingROI(int mode, const py::list& points, double angle) {
    m_panel.Call([&](Panel& p) {
        p.SetROI(MakeROI(mode, ParsePointList(points), cv::Scalar(0, 0, 0, 0), 1, angle), true);
    });
}

void MovraROIAdvPanelWrapper::SetMenuROIEnable(bool point, bool line, bool rect,
                                               bool rotatedRect, bool circle, bool annulus,
                                               bool polygon) {
    m_panel.Call([&](Panel& p) {
        p.SetMenuROIEnable(point, line, rect, rotatedRect, circle, annulus, polygon);
    });
}

void MovraROIAdvPanelWrapper::HideROI() {
    m_panel.Call([](Panel& p) { p.HideROI(); });
}

// --- Overlays (texts and the result badge: roi_panel_wrapper_texts.cpp).

void MovraROIAdvPanelWrapper::ClearOverlay() {
    m_panel.Call([](Panel& p) { p.ClearOverlay(); });
}

void MovraROIAdvPanelWrapper::SetDisplayOverlay(bool show) {
    m_panel.Call([&](Panel& p) { p.SetDisplayOverlay(show); });
}

bool MovraROIAdvPanelWrapper::GetDisplayOverlay() const {
    return m_panel.CallOr(false, [](Panel& p) { return p.GetDisplayOverlay(); });
}

int MovraROIAdvPanelWrapper::AppendOverlay(int mode, const py::list& points,
                                           const py::tuple& color, int size, double angle) {
    return m_panel.CallOr(-1, [&](Panel& p) {
        return p.AppendOverlay(
            MakeROI(mode, ParsePointList(points), ParseColorTuple(color), size, angle));
    });
}

void MovraROIAdvPanelWrapper::UpdateDrawImage(bool update) {
    m_panel.Call([&](Panel& p) { p.UpdateDrawImage(update); });
}

int MovraROIAdvPanelWrapper::AppendMaskOverlay(const UInt8Array& mask, const py::tuple& color,
                                               double alpha) {
    return m_panel.CallOr(-1, [&](Panel& p) {
        const cv::Scalar colour = ParseColorTuple(color);
        int index = -1;
        // The panel keeps its own copy of the mask: one copy on the way in.
        WithNumpyView(mask, [&](const cv::Mat& view) {
            index = p.AppendMaskOverlay(view, colour, alpha);
        });
        return index;
    });
}

py::list MovraROIAdvPanelWrapper::ConvertMaskToPolygon(const UInt8Array& mask) {
    return m_panel.CallOr(py::list(), [&](Panel& p) {
        std::vector<cv::Point2f> polygon;
        WithNumpyView(mask, [&](const cv::Mat& view) {
            const py::gil_scoped_release unlocked;  // the call keeps the array referenced
            polygon = p.ConvertMaskToPolygon(view);
        });
        return PointListToList(polygon);
    });
}

// --- Window.

// --- Callbacks.

void MovraROIAdvPanelWrapper::SetOnCropCallback(const py::function& callback) {
    m_panel.Call([&](Panel&) { m_callbacks->onCrop = callback; });
}

void MovraROIAdvPanelWrapper::SetOnRightClickCallback(const py::object& callback) {
    m_panel.Call([&](Panel& p) {
        m_callbacks->onRightClick = callback;
        Install(p.m_onRightClick, callback, RightClickForwarder(m_callbacks));
    });
}

void MovraROIAdvPanelWrapper::SetOnLeftDClickCallback(const py::object& callback) {
    m_panel.Call([&](Panel& p) {
        m_callbacks->onLeftDClick = callback;
        Install(p.m_onLeftDClick, callback,
                PointForwarder(m_callbacks, &RoiCallbacks::onLeftDClick));
    });
}

void MovraROIAdvPanelWrapper::SetOnRightDClickCallback(const py::object& callback) {
    m_panel.Call([&](Panel& p) {
        m_callbacks->onRightDClick = callback;
        Install(p.m_onRightDClick, callback,
                PointForwarder(m_callbacks, &RoiCallbacks::onRightDClick));
    });
}

void MovraROIAdvPanelWrapper::SetOnMouseMoveCallback(const py::object& callback) {
    m_panel.Call([&](Panel& p) {
        m_callbacks->onMouseMove = callback;
        Install(p.m_onMouseMove, callback,
                PointForwarder(m_callbacks, &RoiCallbacks::onMouseMove));
    });
}

int MovraROIAdvPanelWrapper::Traverse(visitproc visit, void* arg) const {
    if (const int stop = m_async.Traverse(visit, arg)) {
        return stop;
    }
    return m_callbacks->Traverse(visit, arg);
}

void MovraROIAdvPanelWrapper::ClearCallbacks() {
    m_callbacks->ReleaseAll();
    // The collector may run on any thread, but the panel, its load and the load's callback
    // belong to the GUI thread: there the wrapper's deletion drops them (the other objects of a
    // cycle are cleared meanwhile, which breaks it).
    if (wxIsMainThread()) {
        m_async.Forget(LoadOf(m_panel.Get()));
    }
}

// --- Undo and redo.

bool MovraROIAdvPanelWrapper::Undo() {
    return m_panel.CallOr(false, [](Panel& p) { return p.Undo(); });
}

bool MovraROIAdvPanelWrapper::Redo() {
    return m_panel.CallOr(false, [](Panel& p) { return p.Redo(); });
}

bool MovraROIAdvPanelWrapper::CanUndo() const {
    return m_panel.CallOr(false, [](Panel& p) { return p.CanUndo(); });
}

bool MovraROIAdvPanelWrapper::CanRedo() const {
    return m_panel.CallOr(false, [](Panel& p) { return p.CanRedo(); });
}

// --- Masks and measurements.

py::array_t<std::uint8_t> MovraROIAdvPanelWrapper::GetROIMask(const py::object& id) const {
    return m_panel.CallOr(EmptyArray(), [&](Panel& p) {
        return id.is_none() ? ROIMaskArray(p) : ROIMaskArray(p, ShapeById(p, id));
    });
}

py::object MovraROIAdvPanelWrapper::GetROIHistogram(int bins, const py::object& range,
                                                   const py::object& id) const {
    return m_panel.CallOr(py::object(py::none()), [&](Panel& p) {
        return id.is_none() ? ROIHistogram(p, bins, range)
                            : ROIHistogram(p, ShapeById(p, id), bins, range);
    });
}

py::dict MovraROIAdvPanelWrapper::GetROIStats(const py::object& id) const {
    return m_panel.CallOr(py::dict(), [&](Panel& p) {
        return id.is_none() ? ROIStatsDict(p) : ROIStatsDict(p, ShapeById(p, id));
    });
}

py::array_t<double> MovraROIAdvPanelWrapper::GetLineProfile(const py::object& id,
                                                             int width) const {
    const Panel* panel = m_panel.Get();
    if (panel == nullptr) {
        return py::array_t<double>(std::vector<py::ssize_t>{0});  // "no panel", as GetMat
    }
    if (!id.is_none()) {
        throw py::value_error("id: no ROI with id " + py::repr(id).cast<std::string>());
    }
    return LineProfileArray(*panel, width);
}

// --- Live ROI updates and the ROI as data.

void MovraROIAdvPanelWrapper::SetOnROIChangingCallback(const py::object& callback) {
    RequireCallableOrNone(callback);
    m_panel.Call([&](Panel& p) {
        m_callbacks->onROIChanging = callback;
        Install(p.m_onROIChanging, callback, RectForwarder(m_callbacks));
    });
}

void MovraROIAdvPanelWrapper::SetOnROISetChangedCallback(const py::object& callback) {
    RequireCallableOrNone(callback);
    m_panel.Call([&](Panel& p) {
        m_callbacks->onROISetChanged = callback;
        Install(p.m_onROISetChanged, callback, SetChangeForwarder(m_callbacks));
    });
}

py::dict MovraROIAdvPanelWrapper::GetEditingROIData() const {
    return EditingDataToDict(m_panel.CallOr(ROIShape(), [](Panel& p) {
        return p.m_editor.Shape(static_cast<CvROIMode>(p.m_roiMode));
    }));
}

void MovraROIAdvPanelWrapper::SetEditingROIData(const py::object& data) {
    m_panel.Call([&](Panel& p) {
        ROIShape shape = ParseEditingDataDict(data);
        p.SetROI(MakeROI(static_cast<int>(shape.mode), std::move(shape.points),
                         cv::Scalar(0, 0, 0, 0), 1, shape.angle),
                 true);
    });
}

py::list MovraROIAdvPanelWrapper::GetOverlayData() const {
    py::list list;
    m_panel.Call([&](Panel& p) {
        for (const cvROI& roi : p.m_overlays) {
            list.append(OverlayToDict(roi));
        }
    });
    return list;
}

int MovraROIAdvPanelWrapper::AppendOverlayData(const py::object& data) {
    return m_panel.CallOr(-1, [&](Panel& p) { return p.AppendOverlay(ParseOverlayDict(data)); });
}
