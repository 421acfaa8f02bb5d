#include <cstdint>
#include <string>

#include "module/bindings.h"
#include "module/conversions.h"
#include "module/display_py.h"
#include "module/gui_thread.h"
#include "module/parent_window.h"
#include "module/roi_panel_wrapper.h"

namespace {

using W = MovraROIAdvPanelWrapper;

constexpr const char* kSetEditingROIDoc = R"(
Sets the current editing ROI state.

Args:
    mode: ROI mode (1=Point, 2=Line, 3=Rect, 4=RotatedRect, 5=Circle, 6=Annulus, 7=Polygon)
    points: List of (x, y) tuples.
    angle: Rotation angle (for RotatedRectangle).
)";

constexpr const char* kAppendOverlayDoc = R"(
Append an overlay ROI.

Args:
    mode: ROI mode (0=None, 1=Point, 2=Line, 3=Rectangle, 4=RotatedRectangle,
                    5=Circle, 6=Annulus, 7=Polygon)
    points: List of (x, y) tuples. Format depends on mode:
        - Point: [(x1,y1), (x2,y2), ...]
        - Line: [(x1,y1), (x2,y2)]
        - Rectangle: [(left_top_x, left_top_y), (width, height)]
        - RotatedRectangle: [(left_top_x, left_top_y), (width, height)]
        - Circle: [(center_x, center_y), (radius, 0)]
        - Circle: [(center_x, center_y), (radius, 0)]
        - Annulus: [(center_x, center_y), (outer_r, 0), (inner_r, 0), (start_angle, end_angle)]
        - Polygon: [(x1,y1), (x2,y2), ...]
    color: Tuple (B, G, R) or (B, G, R, A), values 0-255
    size: Line/point thickness (default: 2)
    angle: Rotation angle for RotatedRectangle (default: 0.0)

Returns:
    Index of the appended overlay
)";

constexpr const char* kAppendTextDoc = R"(
Append a block of text drawn over the image while overlays are displayed
(SetDisplayOverlay(True)); it shows at the next repaint (Refresh()).

Args:
    lines: A str (one line per line break) or a sequence of str.
    position: Tuple (x, y), image pixels of the first line's top-left corner.
    color: Tuple (B, G, R) or (B, G, R, A), values 0-255
    font_height: Font height in image pixels (default: 16)
    font_path: Font file; the default font when empty or missing (default: "")
    background: None, or a colour tuple for a box behind each line (default: None)

Returns:
    Index of the appended text (-1 once the panel is gone)
)";

constexpr const char* kUpdateTextDoc = R"(
Replace the text at index (an unknown index is ignored) and repaint.

Arguments as for AppendText; show=False hides the text.
)";

constexpr const char* kUndoDoc = R"(
Undo the last change and repaint. A change is one mouse edit of the editing
ROI (press to release), one key edit, one call of SetEditingROI, SetRect,
HideROI, SetROIMode or SetFuncEnable (or a tool chosen in the menu) that
changed the shape, or one change of the set of ROIs (AddROI, UpdateROI,
RenameROI, SetROIColor, RemoveROI, ClearROIs, SetROISetData, an ROI drawn or
deleted); selecting alone is none. At least 100 changes are kept. The ROI the
change concerned is selected again; the restored editing ROI is reported
through the crop callback as a mouse edit is, then the set's changes through
the ROI-set callback.

Returns:
    True when a change was undone, False when there was none.
)";

constexpr const char* kRedoDoc = R"(
Redo the last undone change (reported as Undo reports).
A new change after an undo discards what could be redone.

Returns:
    True when a change was redone, False when there was none.
)";

constexpr const char* kSetMultiROIDoc = R"(
Switch the multi-ROI mouse rules on or off (off by default). On, with crop
editing enabled: a press on an unselected ROI (inside it or within ten screen
pixels of its outline; the topmost) selects it, and when the press lands on
the ROI itself a drag goes on to move or reshape it as with the editing ROI;
a press elsewhere lets the selected ROI go and, with a tool, draws a new ROI
that is added and selected; Delete removes the selected ROI; choosing another
tool lets the selected ROI go instead of emptying it. The selected ROI's
handles come first. Off, drawing replaces the selected ROI's shape, or adds an
ROI when none is selected.
)";

constexpr const char* kSetOnROISetChangedCallbackDoc = R"(
Set a callback cb(action, id) called after each change of the set of ROIs,
from the mouse, the keyboard, a call or Undo/Redo: action is "added",
"changed", "removed" or "selected" (id None when the selection went). A drag
reports at its release; ClearROIs reports one "removed" per ROI. The change is
whole when the callback runs, and the callback may call the panel (its own
reports follow those already due). None clears it; TypeError for anything else
that is not callable. Errors raised in it go to sys.unraisablehook.
)";

constexpr const char* kSetResultLogoDoc = R"(
Show or hide the result badge in the top-right corner and repaint.

Args:
    show: Whether the badge is drawn; False keeps the other settings.
    result: 0 = pass (green), 1 = fail (red), 2 = recycle (silver)
    font_path: Font file; the default font when empty or missing (default: "")
    pass_text, fail_text, recycle_text: The badge's text per result
)";

constexpr const char* kSetOnROIChangingCallbackDoc = R"(
Set a callback called while the user drags the editing ROI, with the same
(x, y, w, h) tuple as the crop callback, at most once per repaint (soon after
the paint that shows the change). The crop callback still comes once, on
release. None clears it.
)";

constexpr const char* kGetEditingROIDataDoc = R"(
Return the editing ROI as a dict of plain values (JSON-ready):
{"version": 1, "mode": int, "points": [[x, y], ...], "angle": float}, the
points in the form SetEditingROI takes; a circle adds "outer_radius", an
annulus also "inner_radius", "start_angle" and "end_angle". "points" is empty
when there is no shape (nothing drawn, an open polygon). See docs/roi-data.md.
)";

constexpr const char* kSetEditingROIDataDoc = R"(
Make the editing ROI (and its mode) the one a GetEditingROIData() dict
describes, and repaint: one undo step, no crop event. Bad data (another
version, an unknown mode, a point count that does not fit the mode, a number
that is not finite, a wrong type, a radius or angle that contradicts the
points) raises ValueError naming the field ("points[2]: ...") and leaves the
ROI as it was; TypeError when data is not a dict.
)";

constexpr const char* kGetOverlayDataDoc = R"(
Return the stored overlays as a list of dicts in index order: the keys of
GetEditingROIData (points as stored) plus "color" [B, G, R, A], "thickness",
"visible" and "line_style"; a mask overlay has no points but
"mask": {"width": w, "height": h}.
)";

constexpr const char* kAppendOverlayDataDoc = R"(
Append an overlay from a GetOverlayData() dict (shape modes 0 to 9; masks go
through AppendMaskOverlay) and return its index. "angle", "thickness" (2),
"visible" (True) and "line_style" (0) may be left out. Bad data raises
ValueError naming the field and appends nothing.
)";

constexpr const char* kLoadImageAsyncDoc = R"(
Load an image file without blocking: returns at once, decodes the file and its
information on a worker thread while the panel keeps showing (and editing) its
current image, then, on the GUI thread, shows it exactly as LoadImage(path)
would and calls callback(path, ok). A file that cannot be shown leaves the
panel as it was (ok False). A later LoadImage, LoadImageAsync or SetMat
supersedes a pending load: its callback gets False. Destroying the panel while
a load is pending drops it without a call. Errors raised in the callback go to
sys.unraisablehook.
)";

// The wrapper behind a Python object, or null before construction completed.
W* WrapperOf(PyObject* self) {
    auto* inst = reinterpret_cast<py::detail::instance*>(self);
    const py::detail::value_and_holder vh = inst->get_value_and_holder(nullptr, false);
    return vh && vh.holder_constructed() ? vh.value_ptr<W>() : nullptr;
}

// The callbacks a wrapper holds may refer back to its Python object (a callback calling its own
// panel): the type takes part in garbage collection so that such pairs can be collected.
void EnableGarbageCollection(PyHeapTypeObject* heapType) {
    PyTypeObject* type = &heapType->ht_type;
    type->tp_flags |= Py_TPFLAGS_HAVE_GC;
    type->tp_traverse = [](PyObject* self, visitproc visit, void* arg) {
        Py_VISIT(Py_TYPE(self));
        const W* wrapper = WrapperOf(self);
        return wrapper != nullptr ? wrapper->Traverse(visit, arg) : 0;
    };
    type->tp_clear = [](PyObject* self) {
        if (W* wrapper = WrapperOf(self)) {
            wrapper->ClearCallbacks();
        }
        return 0;
    };
}

constexpr const char* kGetROIMaskDoc = R"(
Return the editing ROI as a mask: a uint8 array of the image's size (rows, cols),
255 on the ROI's pixels and 0 elsewhere.

A pixel belongs to an area shape (rectangle, rotated rectangle, circle, annulus
sector, polygon) when its centre (x + 0.5, y + 0.5) lies inside the shape; a line
gives the 8-connected pixel line (OpenCV's LINE_8) between the pixels that hold its
end points, a point the pixel that holds it. An empty array (shape (0,)) without an
image or an editing ROI (a polygon still being drawn is not one yet).
)";

constexpr const char* kGetROIHistogramDoc = R"(
Histogram of the source values inside the editing ROI, equal to numpy.histogram of those
pixels: returns (counts, edges). counts has shape (bins,) for a one-channel image and
(channels, bins) for more; every channel uses the same range. range=None means the dtype's
whole range [min, max + 1) for integer images (one value per bin at bins=256 for uint8) and
the ROI's finite min..max for float images. id: an ROI of the set; None, the editing ROI.
None without an image or a ROI pixel on it.
)";

constexpr const char* kGetLineProfileDoc = R"(
Sample the image along a line ROI: a float64 array of shape (n, channels).

id: the ROI; None, the editing ROI. width: samples averaged across the line.
Row k holds the values at the point k pixels from the line's first point towards
its second, n = floor(length) + 1, so both ends are included when the length is
whole. Values are interpolated bilinearly where pixel (i, j)'s value sits at the
point (i, j), as in OpenCV's remap (the border pixels repeated up to one pixel
beyond the image; samples farther out are NaN). A width above 1 averages that
many parallel samples at unit spacing across the line, centred on it.
ValueError when the ROI is not a line, there is no image, or width is below 1.
)";

constexpr const char* kGetROIStatsDoc = R"(
Measure the image inside the editing ROI (the pixels of GetROIMask()).

Returns a dict:
    area: number of pixels
    perimeter: length of the shape's outline in pixels, of the whole shape even
        where it leaves the image (a line's length, 0 for a point)
    centroid: (x, y), the mean of the pixels' centres (x + 0.5, y + 0.5)
    bbox: (x, y, w, h), the smallest rectangle holding the pixels
    mean, std, min, max: lists, one value per channel of the source values
        (GetSourceMat(): the image's own channels and depth; min and max are ints for
        integer images); std is the population standard deviation (NumPy's std, ddof=0)
An empty dict without an image, an editing ROI, or a ROI pixel on the image.
)";

}  // namespace

void BindROIPanel(py::module_& m) {
    PanelClass<W, PanelHolder<W>> cls(m, "MovraROIAdvPanel",
                                      "Advanced ROI panel with editing (requires wxPython parent)",
                                      py::custom_type_setup(&EnableGarbageCollection));
    cls.def(py::init([](const PanelParent& parent, int id, int x, int y, int width, int height,
                         long style, const std::string& name) {
                 return new W(PlacementFor(parent, id, x, y, width, height, style, name));
             }),
             py::arg("parent_handle"), py::arg("id") = -1, py::arg("x") = -1, py::arg("y") = -1,
             py::arg("width") = -1, py::arg("height") = -1, py::arg("style") = 0,
             py::arg("name") = "MovraROIAdvPanel")
        .def(
            "SetMat", [](W& self, const py::object& img) { self.SetMat(ImageArrayFrom(img)); },
            py::arg("img"))
        .def("LoadImage", &W::LoadImage, py::arg("path"),
             "Load image from file (supports Unicode paths). Uses IMREAD_UNCHANGED to preserve "
             "original channel count so that GetLoadedImageInfo() reports correct "
             "channels/bitDepth/EXIF/GPS.")
        .def("GetMat", &W::GetMat)
        .def("GetDrawMat", &W::GetDrawMat)
        .def("GetRawMat", &W::GetRawMat,
             "Return the original-channel image array (8-bit, before the forced 3-channel "
             "normalisation applied by GetMat()). Grayscale → 1-ch, colour → 3-ch BGR, HEIF/JXL "
             "→ codec native. Returns empty array if no image is loaded.")
        .def("SetMode", &W::SetMode, py::arg("mode"))
        .def("SetZoomToFit", &W::SetZoomToFit)
        .def("ZoomToFit", &W::SetZoomToFit)
        .def("SetOriginal", &W::SetOriginal)
        .def("SetZoomIn", &W::SetZoomIn)
        .def("ZoomIn", &W::SetZoomIn)
        .def("SetZoomOut", &W::SetZoomOut)
        .def("ZoomOut", &W::SetZoomOut)
        .def("GetZoomFactor", &W::GetZoomFactor,
             "Return current display zoom factor (1.0 = 100%)")
        .def("GetLoadedImageInfo", &W::GetLoadedImageInfo,
             "Return dict with image file info (channels/bitDepth/EXIF/GPS). Reflects the "
             "original file before any display conversion.")
        .def("SetCenterImageEnable", &W::SetCenterImageEnable, py::arg("enable"))
        .def("SetROIMode", &W::SetROIMode, py::arg("mode"))
        .def("GetROIMode", &W::GetROIMode)
        .def("SetFuncEnable", &W::SetFuncEnable, py::arg("menu_enable"),
             py::arg("crop_enable") = false, py::arg("move_enable") = true)
        .def("SetLockROI", &W::SetLockROI, py::arg("lock"))
        .def("GetRect", &W::GetRect)
        .def("SetRect", &W::SetRect, py::arg("rect"))
        .def("GetLeftMouseDownPoint", &W::GetLeftMouseDownPoint)
        .def("GetLeftMouseUpPoint", &W::GetLeftMouseUpPoint)
        .def("GetStartAngle", &W::GetStartAngle)
        .def("GetEndAngle", &W::GetEndAngle)
        .def("GetRotateAngle", &W::GetRotateAngle)
        .def("GetInnerRadius", &W::GetInnerRadius)
        .def("GetOuterRadius", &W::GetOuterRadius)
        .def("GetPolygonPoints", &W::GetPolygonPoints)
        .def("SetEditingROI", &W::SetEditingROI, py::arg("mode"), py::arg("points"),
             py::arg("angle") = 0.0, kSetEditingROIDoc)
        .def("SetCanvasBgColor", &W::SetCanvasBgColor, py::arg("r"), py::arg("g"), py::arg("b"))
        .def("ClearOverlay", &W::ClearOverlay)
        .def("SetDisplayOverlay", &W::SetDisplayOverlay, py::arg("show"))
        .def("GetDisplayOverlay", &W::GetDisplayOverlay)
        .def("AppendOverlay", &W::AppendOverlay, py::arg("mode"), py::arg("points"),
             py::arg("color"), py::arg("size") = 2, py::arg("angle") = 0.0, kAppendOverlayDoc)
        .def("UpdateDrawImage", &W::UpdateDrawImage, py::arg("update") = false,
             "Update display after modifying overlays")
        .def("AppendMaskOverlay", &W::AppendMaskOverlay, py::arg("mask"), py::arg("color"),
             py::arg("alpha") = 0.5, "Append a pixel-level mask overlay")
        .def("ConvertMaskToPolygon", &W::ConvertMaskToPolygon, py::arg("mask"),
             "Convert a mask to a polygon (contour points)")
        .def("SetMenuROIEnable", &W::SetMenuROIEnable, py::arg("Point") = true,
             py::arg("Line") = true, py::arg("Rectangle") = true,
             py::arg("RotatedRectangle") = true, py::arg("Circle") = true,
             py::arg("Annulus") = true, py::arg("Polygon") = true)
        .def("HideROI", &W::HideROI)
        .def("SetSize", &W::SetSize, py::arg("w"), py::arg("h"))
        .def("Refresh", &W::Refresh)
        .def("GetHandle", &W::GetHandle)
        .def("IsOk", &W::IsOk)
        .def("SetOnCropCallback", &W::SetOnCropCallback, py::arg("callback"),
             "Set a callback function for crop events")
        .def("SetOnRightClickCallback", &W::SetOnRightClickCallback, py::arg("callback"),
             "Set a callback function for right-click events. Should return True to intercept.")
        .def("SetOnLeftDClickCallback", &W::SetOnLeftDClickCallback, py::arg("callback"),
             "Set a callback function for left double-click")
        .def("SetOnRightDClickCallback", &W::SetOnRightDClickCallback, py::arg("callback"),
             "Set a callback function for right double-click")
        .def("SetOnMouseMoveCallback", &W::SetOnMouseMoveCallback, py::arg("callback"),
             "Set a callback function for mouse movement")
        .def("SetGuideLineMode", &W::SetGuideLineMode, py::arg("mode"),
             "Set guide line overlay mode (GuideLineMode enum)")
        .def("GetGuideLineMode", &W::GetGuideLineMode)
        .def("SetGuideLineVisible", &W::SetGuideLineVisible, py::arg("visible"),
             "Show or hide guide lines without changing mode")
        .def("GetGuideLineVisible", &W::GetGuideLineVisible)
        .def("SetGuideLineColor", &W::SetGuideLineColor, py::arg("b"), py::arg("g"),
             py::arg("r"), py::arg("a") = 180, "Set guide line color (BGR + alpha 0-255)")
        .def("SetGuideLineThickness", &W::SetGuideLineThickness, py::arg("thickness"),
             "Set guide line thickness in pixels")
        .def("SetAspectRatio", &W::SetAspectRatio, py::arg("ratio"),
             "Set crop aspect ratio (AspectRatio enum, used by AspectRatioMask mode)")
        .def("GetAspectRatio", &W::GetAspectRatio)
        // Beyond the editing ROI and shape overlays: texts and the result badge.
        .def("AppendText", &W::AppendText, py::arg("lines"), py::arg("position"),
             py::arg("color"), py::arg("font_height") = 16, py::arg("font_path") = "",
             py::arg("background") = py::none(), kAppendTextDoc)
        .def("UpdateText", &W::UpdateText, py::arg("index"), py::arg("lines"),
             py::arg("position"), py::arg("color"), py::arg("font_height") = 16,
             py::arg("font_path") = "", py::arg("background") = py::none(),
             py::arg("show") = true, kUpdateTextDoc)
        .def("SetResultLogo", &W::SetResultLogo, py::arg("show"), py::arg("result"),
             py::arg("font_path") = "", py::arg("pass_text") = "PASS",
             py::arg("fail_text") = "FAIL", py::arg("recycle_text") = "RECYCLE",
             kSetResultLogoDoc)
        // Undo and redo of the editing ROI.
        .def("Undo", &W::Undo, kUndoDoc)
        .def("Redo", &W::Redo, kRedoDoc)
        .def("CanUndo", &W::CanUndo, "Whether Undo() has a change to undo")
        .def("CanRedo", &W::CanRedo, "Whether Redo() has a change to redo")
        // Masks and measurements of the editing ROI.
        .def("GetROIMask", &W::GetROIMask, py::arg("id") = py::none(), kGetROIMaskDoc)
        .def("GetROIStats", &W::GetROIStats, py::arg("id") = py::none(), kGetROIStatsDoc)
        .def("GetROIHistogram", &W::GetROIHistogram, py::arg("bins") = 256,
             py::arg("range") = py::none(), py::arg("id") = py::none(), kGetROIHistogramDoc)
        .def("GetLineProfile", &W::GetLineProfile, py::arg("id") = py::none(),
             py::arg("width") = 1, kGetLineProfileDoc)
        // Live ROI updates and the ROI as data.
        .def("SetOnROIChangingCallback", &W::SetOnROIChangingCallback, py::arg("callback"),
             kSetOnROIChangingCallbackDoc)
        .def("GetEditingROIData", &W::GetEditingROIData, kGetEditingROIDataDoc)
        .def("SetEditingROIData", &W::SetEditingROIData, py::arg("data"), kSetEditingROIDataDoc)
        .def("GetOverlayData", &W::GetOverlayData, kGetOverlayDataDoc)
        .def("AppendOverlayData", &W::AppendOverlayData, py::arg("data"), kAppendOverlayDataDoc)
        // Loading off the GUI thread.
        .def("LoadImageAsync", &W::LoadImageAsync, py::arg("path"),
             py::arg("callback") = py::none(), kLoadImageAsyncDoc)
        .def("IsLoading", &W::IsLoading,
             "Whether a LoadImageAsync is pending (decoding, or waiting to be shown)")
        .def("SetAutoOrient", &W::SetAutoOrient, py::arg("enable"),
             "Turn JPEG and TIFF images upright by their EXIF orientation in LoadImage; "
             "GetLoadedImageInfo() then reports the upright size (off by default: files load "
             "as stored)")
        // The set of named ROIs; the selected one is the editing ROI.
        .def("AddROI", &W::AddROI, py::arg("mode"), py::arg("points"), py::arg("angle") = 0.0,
             py::arg("name") = "", py::arg("color") = py::none(),
             "Add an ROI (points as SetEditingROI takes them) and return its id; color is "
             "(B, G, R) or (B, G, R, A), without it a palette colour by id")
        .def("GetROIs", &W::GetROIs,
             "The ROIs in drawing order, each GetEditingROIData()'s dict plus id, name, color")
        .def("GetROI", &W::GetROI, py::arg("id"), "One ROI's dict; KeyError for an unknown id")
        .def("UpdateROI", &W::UpdateROI, py::arg("id"), py::arg("data"),
             "Replace an ROI's shape by a dict as SetEditingROIData takes it")
        .def("RenameROI", &W::RenameROI, py::arg("id"), py::arg("name"))
        .def("SetROIColor", &W::SetROIColor, py::arg("id"), py::arg("color"))
        .def("RemoveROI", &W::RemoveROI, py::arg("id"),
             "Remove an ROI; False when there is none of that id")
        .def("ClearROIs", &W::ClearROIs)
        .def("SelectROI", &W::SelectROI, py::arg("id"),
             "Make an ROI the editing ROI (None: none); no undo step")
        .def("GetSelectedROI", &W::GetSelectedROI)
        .def("GetROISetData", &W::GetROISetData,
             "{'version': 2, 'rois': [...], 'selected': id or None}")
        .def("SetROISetData", &W::SetROISetData, py::arg("data"),
             "Take back GetROISetData()'s dict (ids included) or a version-1 shape dict; "
             "ValueError naming the field for bad data, the set unchanged")
        .def("SetMultiROI", &W::SetMultiROI, py::arg("enable"), kSetMultiROIDoc)
        .def("GetMultiROI", &W::GetMultiROI, "Whether the multi-ROI mouse rules are on")
        .def("SetOnROISetChangedCallback", &W::SetOnROISetChangedCallback, py::arg("callback"),
             kSetOnROISetChangedCallbackDoc);
    BindSourceAndDisplay<W>(cls);
}
