"""MovraModule - OpenCV + wxWidgets Image Panel for Python."""

from collections.abc import Callable, Sequence
from typing import Any, ClassVar

import numpy
import numpy.typing
import wx

_UInt8Array = numpy.typing.NDArray[numpy.uint8]
_ArrayLike = numpy.typing.ArrayLike
_Float64Array = numpy.typing.NDArray[numpy.float64]

__version__: str

class CvDisplayMode:
    Original: ClassVar[CvDisplayMode]
    ZoomToFit: ClassVar[CvDisplayMode]
    __members__: ClassVar[dict[str, CvDisplayMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class CvROIMode:
    # The member "None" is reached with getattr(CvROIMode, "None") or CvROIMode(0).
    Point: ClassVar[CvROIMode]
    Line: ClassVar[CvROIMode]
    Rectangle: ClassVar[CvROIMode]
    RotatedRectangle: ClassVar[CvROIMode]
    Circle: ClassVar[CvROIMode]
    Annulus: ClassVar[CvROIMode]
    Polygon: ClassVar[CvROIMode]
    Mask: ClassVar[CvROIMode]
    __members__: ClassVar[dict[str, CvROIMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class GuideLineMode:
    Off: ClassVar[GuideLineMode]
    CenterCross: ClassVar[GuideLineMode]
    RuleOfThirds: ClassVar[GuideLineMode]
    GoldenRatio: ClassVar[GuideLineMode]
    SafeZones: ClassVar[GuideLineMode]
    AspectRatioMask: ClassVar[GuideLineMode]
    DiagonalLines: ClassVar[GuideLineMode]
    CornerMarkers: ClassVar[GuideLineMode]
    __members__: ClassVar[dict[str, GuideLineMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class AspectRatio:
    AR_1_1: ClassVar[AspectRatio]
    AR_4_3: ClassVar[AspectRatio]
    AR_3_2: ClassVar[AspectRatio]
    AR_16_9: ClassVar[AspectRatio]
    AR_2_39_1: ClassVar[AspectRatio]
    AR_9_16: ClassVar[AspectRatio]
    __members__: ClassVar[dict[str, AspectRatio]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

Original: CvDisplayMode
ZoomToFit: CvDisplayMode
Point: CvROIMode
Line: CvROIMode
Rectangle: CvROIMode
RotatedRectangle: CvROIMode
Circle: CvROIMode
Annulus: CvROIMode
Polygon: CvROIMode
Mask: CvROIMode
Off: GuideLineMode
CenterCross: GuideLineMode
RuleOfThirds: GuideLineMode
GoldenRatio: GuideLineMode
SafeZones: GuideLineMode
AspectRatioMask: GuideLineMode
DiagonalLines: GuideLineMode
CornerMarkers: GuideLineMode
AR_1_1: AspectRatio
AR_4_3: AspectRatio
AR_3_2: AspectRatio
AR_16_9: AspectRatio
AR_2_39_1: AspectRatio
AR_9_16: AspectRatio

class MovraEngine:
    """Pure-logic image processing engine (no GUI)"""
    def __init__(self) -> None: ...
    def SetMat(self, img: _ArrayLike) -> None: ...
    def GetMat(self) -> _UInt8Array: ...
    def HasImage(self) -> bool: ...
    def GetImageSize(self) -> tuple[int, int, int]: ...
    def Clear(self) -> None: ...
    def LoadImage(self, path: str, flags: int = 1) -> bool:
        """Load image from file (supports Unicode paths)"""
    def SaveImage(self, path: str) -> bool:
        """Save image to file (supports Unicode paths)"""
    def ConvertToGray(self) -> None: ...
    def Resize(self, width: int, height: int, interpolation: int = 1) -> None: ...
    def GaussianBlur(self, kernel_size: int, sigma: float = 0.0) -> None: ...
    def Canny(self, threshold1: float, threshold2: float) -> _UInt8Array: ...

class MovraPanel:
    """Basic image display panel (requires wxPython parent)"""
    def __init__(
        self,
        parent_handle: int | wx.Window,
        id: int = -1,
        x: int = -1,
        y: int = -1,
        width: int = -1,
        height: int = -1,
        style: int = 0,
        name: str = "MovraPanel",
    ) -> None:
        """
        parent_handle: the host window: the wx.Window itself (shown or not; the main form,
        on X11 and Wayland alike), or on X11 its native handle (GetHandle(), non-zero only
        once the window is shown). Under Wayland a handle names only the top-level window,
        so an int raises RuntimeError there. TypeError for any other object, including a
        destroyed window.
        """
    def SetMat(self, img: _ArrayLike) -> None: ...
    def LoadImage(self, path: str, flags: int = 1) -> bool:
        """Load image from file (supports Unicode paths)"""
    def LoadImageAsync(
        self,
        path: str,
        callback: Callable[[str, bool], object] | None = None,
        flags: int = 1,
    ) -> None:
        """Load without blocking: decoded on a worker thread, shown on the GUI thread as
        LoadImage shows it, then callback(path, ok). A later LoadImage, LoadImageAsync or SetMat
        supersedes a pending load (callback gets False); destroying the panel drops it."""
    def IsLoading(self) -> bool:
        """Whether a LoadImageAsync is pending (decoding, or waiting to be shown)"""
    def GetMat(self) -> _UInt8Array: ...
    def SetMode(self, mode: int) -> None: ...
    def SetAutoOrient(self, enable: bool) -> None:
        """Turn JPEG and TIFF images upright by their EXIF orientation in LoadImage (off by default: files load as stored)"""
    def SetZoomToFit(self) -> None: ...
    def SetOriginal(self, is_scrollbar_visible: bool = True) -> None: ...
    def SetZoomIn(self) -> None: ...
    def SetZoomOut(self) -> None: ...
    def SetSize(self, w: int, h: int) -> None: ...
    def SetCanvasBgColor(self, r: int, g: int, b: int) -> None: ...
    def SetCenterImageEnable(self, enable: bool) -> None: ...
    def Refresh(self) -> None: ...
    def GetHandle(self) -> int:
        """The panel's X11 window id (0 until it is shown); always 0 under Wayland"""
    def IsOk(self) -> bool: ...
    def SetGuideLineMode(self, mode: GuideLineMode) -> None:
        """Set guide line overlay mode (GuideLineMode enum)"""
    def GetGuideLineMode(self) -> GuideLineMode: ...
    def SetGuideLineVisible(self, visible: bool) -> None:
        """Show or hide guide lines without changing mode"""
    def GetGuideLineVisible(self) -> bool: ...
    def SetGuideLineColor(self, b: int, g: int, r: int, a: int = 180) -> None:
        """Set guide line color (BGR + alpha 0-255)"""
    def SetGuideLineThickness(self, thickness: int) -> None:
        """Set guide line thickness in pixels"""
    def SetAspectRatio(self, ratio: AspectRatio) -> None:
        """Set crop aspect ratio (AspectRatio enum, used by AspectRatioMask mode)"""
    def GetAspectRatio(self) -> AspectRatio: ...
    def GetSourceMat(self) -> numpy.typing.NDArray[Any]:
        """The source image at its own depth and channels (uint8, uint16, int16 or float32);
        for an 8-bit image what the 8-bit getters return. Empty array without an image."""
    def GetSourcePixel(self, x: int, y: int) -> tuple[int, ...] | tuple[float, ...] | None:
        """The source values at (x, y) (ints for integer images, floats for float ones), in
        the image's channel order; None outside the image."""
    def SetDisplayLevels(self, low: float | None, high: float | None = None) -> None:
        """Show source value v as clip(round((v - low) * 255 / (high - low)), 0, 255) on every
        channel; None returns to the default (saturation). ValueError for high <= low, NaN or
        infinity (levels unchanged)."""
    def GetDisplayLevels(self) -> tuple[float, float] | None: ...
    def SetAutoLevels(self, saturated: float = 0.35) -> tuple[float, float] | None:
        """Set and return the levels that clip `saturated` per cent of the source's values,
        half at each end; None without an image."""
    def SetColormap(self, name: str) -> None:
        """An OpenCV colormap by its lower-case name ("viridis", "jet", ...; "gray" is the
        default) for single-channel sources, after the levels. ValueError for an unknown name."""
    def GetColormap(self) -> str: ...

class MovraROIAdvPanel:
    """Advanced ROI panel with editing (requires wxPython parent)"""
    def __init__(
        self,
        parent_handle: int | wx.Window,
        id: int = -1,
        x: int = -1,
        y: int = -1,
        width: int = -1,
        height: int = -1,
        style: int = 0,
        name: str = "MovraROIAdvPanel",
    ) -> None:
        """
        parent_handle: the host window: the wx.Window itself (shown or not; the main form,
        on X11 and Wayland alike), or on X11 its native handle (GetHandle(), non-zero only
        once the window is shown). Under Wayland a handle names only the top-level window,
        so an int raises RuntimeError there. TypeError for any other object, including a
        destroyed window.
        """
    def SetMat(self, img: _ArrayLike) -> None: ...
    def LoadImage(self, path: str) -> bool:
        """Load image from file (supports Unicode paths). Uses IMREAD_UNCHANGED to preserve original channel count so that GetLoadedImageInfo() reports correct channels/bitDepth/EXIF/GPS."""
    def LoadImageAsync(
        self,
        path: str,
        callback: Callable[[str, bool], object] | None = None,
    ) -> None:
        """Load without blocking: decoded on a worker thread, shown on the GUI thread as
        LoadImage shows it (file information included), then callback(path, ok). A later LoadImage, LoadImageAsync or SetMat
        supersedes a pending load (callback gets False); destroying the panel drops it."""
    def IsLoading(self) -> bool:
        """Whether a LoadImageAsync is pending (decoding, or waiting to be shown)"""
    # The set of named ROIs; the selected one is the editing ROI.
    def AddROI(
        self,
        mode: int,
        points: list[tuple[float, float]],
        angle: float = 0.0,
        name: str = "",
        color: tuple[int, ...] | None = None,
    ) -> int:
        """Add an ROI (points as SetEditingROI takes them) and return its id; color is (B, G, R) or (B, G, R, A), without it a palette colour by id"""
    def GetROIs(self) -> list[dict[str, Any]]:
        """The ROIs in drawing order, each GetEditingROIData()'s dict plus id, name, color"""
    def GetROI(self, id: int) -> dict[str, Any]:
        """One ROI's dict; KeyError for an unknown id"""
    def UpdateROI(self, id: int, data: dict[str, Any]) -> None:
        """Replace an ROI's shape by a dict as SetEditingROIData takes it"""
    def RenameROI(self, id: int, name: str) -> None: ...
    def SetROIColor(self, id: int, color: tuple[int, ...]) -> None: ...
    def RemoveROI(self, id: int) -> bool:
        """Remove an ROI; False when there is none of that id"""
    def ClearROIs(self) -> None: ...
    def SelectROI(self, id: int | None) -> None:
        """Make an ROI the editing ROI (None: none); no undo step"""
    def GetSelectedROI(self) -> int | None: ...
    def GetROISetData(self) -> dict[str, Any]:
        """{'version': 2, 'rois': [...], 'selected': id or None}"""
    def SetROISetData(self, data: dict[str, Any]) -> None:
        """Take back GetROISetData()'s dict (ids included) or a version-1 shape dict; ValueError naming the field for bad data, the set unchanged"""
    def SetMultiROI(self, enable: bool) -> None:
        """
        Switch the multi-ROI mouse rules on or off (off by default). On, with crop
        editing enabled: a press on an unselected ROI (inside it or within ten screen
        pixels of its outline; the topmost) selects it, and when the press lands on
        the ROI itself a drag goes on to move or reshape it as with the editing ROI;
        a press elsewhere lets the selected ROI go and, with a tool, draws a new ROI
        that is added and selected; Delete removes the selected ROI; choosing another
        tool lets the selected ROI go instead of emptying it. The selected ROI's
        handles come first. Off, drawing replaces the selected ROI's shape, or adds an
        ROI when none is selected.
        """
    def GetMultiROI(self) -> bool:
        """Whether the multi-ROI mouse rules are on"""
    def SetOnROISetChangedCallback(
        self, callback: Callable[[str, int | None], object] | None
    ) -> None:
        """
        Set a callback cb(action, id) called after each change of the set of ROIs,
        from the mouse, the keyboard, a call or Undo/Redo: action is "added",
        "changed", "removed" or "selected" (id None when the selection went). A drag
        reports at its release; ClearROIs reports one "removed" per ROI. The change is
        whole when the callback runs, and the callback may call the panel (its own
        reports follow those already due). None clears it; TypeError for anything else
        that is not callable. Errors raised in it go to sys.unraisablehook.
        """
    def GetMat(self) -> _UInt8Array: ...
    def GetDrawMat(self) -> _UInt8Array: ...
    def GetRawMat(self) -> _UInt8Array:
        """Return the original-channel image array (8-bit, before the forced 3-channel normalisation applied by GetMat()). Grayscale → 1-ch, colour → 3-ch BGR, HEIF/JXL → codec native. Returns empty array if no image is loaded."""
    def SetMode(self, mode: int) -> None: ...
    def SetAutoOrient(self, enable: bool) -> None:
        """Turn JPEG and TIFF images upright by their EXIF orientation in LoadImage; GetLoadedImageInfo() then reports the upright size (off by default: files load as stored)"""
    def SetZoomToFit(self) -> None: ...
    def ZoomToFit(self) -> None: ...
    def SetOriginal(self) -> None: ...
    def SetZoomIn(self) -> None: ...
    def ZoomIn(self) -> None: ...
    def SetZoomOut(self) -> None: ...
    def ZoomOut(self) -> None: ...
    def GetZoomFactor(self) -> float:
        """Return current display zoom factor (1.0 = 100%)"""
    def GetLoadedImageInfo(self) -> dict[str, Any]:
        """Return dict with image file info (channels/bitDepth/EXIF/GPS). Reflects the original file before any display conversion."""
    def SetCenterImageEnable(self, enable: bool) -> None: ...
    def SetROIMode(self, mode: int) -> None: ...
    def GetROIMode(self) -> int: ...
    def SetFuncEnable(
        self, menu_enable: bool, crop_enable: bool = False, move_enable: bool = True
    ) -> None: ...
    def SetLockROI(self, lock: bool) -> None: ...
    def GetRect(self) -> tuple[int, int, int, int]: ...
    def SetRect(self, rect: tuple[int, int, int, int]) -> None: ...
    def GetLeftMouseDownPoint(self) -> tuple[float, float]: ...
    def GetLeftMouseUpPoint(self) -> tuple[float, float]: ...
    def GetStartAngle(self) -> float: ...
    def GetEndAngle(self) -> float: ...
    def GetRotateAngle(self) -> float: ...
    def GetInnerRadius(self) -> float: ...
    def GetOuterRadius(self) -> float: ...
    def GetPolygonPoints(self) -> list[tuple[float, float]]: ...
    def SetEditingROI(self, mode: int, points: list[Any], angle: float = 0.0) -> None:
        """
        Sets the current editing ROI state.

        Args:
            mode: ROI mode (1=Point, 2=Line, 3=Rect, 4=RotatedRect, 5=Circle, 6=Annulus, 7=Polygon)
            points: List of (x, y) tuples.
            angle: Rotation angle (for RotatedRectangle).
        """
    def SetCanvasBgColor(self, r: int, g: int, b: int) -> None: ...
    def ClearOverlay(self) -> None: ...
    def SetDisplayOverlay(self, show: bool) -> None: ...
    def GetDisplayOverlay(self) -> bool: ...
    def AppendOverlay(
        self,
        mode: int,
        points: list[Any],
        color: tuple[float, ...],
        size: int = 2,
        angle: float = 0.0,
    ) -> int:
        """
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
                - Annulus: [(center_x, center_y), (outer_r, 0), (inner_r, 0), (start_angle, end_angle)]
                - Polygon: [(x1,y1), (x2,y2), ...]
            color: Tuple (B, G, R) or (B, G, R, A), values 0-255
            size: Line/point thickness (default: 2)
            angle: Rotation angle for RotatedRectangle (default: 0.0)

        Returns:
            Index of the appended overlay
        """
    def UpdateDrawImage(self, update: bool = False) -> None:
        """Update display after modifying overlays"""
    def AppendMaskOverlay(
        self, mask: _ArrayLike, color: tuple[float, ...], alpha: float = 0.5
    ) -> int:
        """Append a pixel-level mask overlay"""
    def ConvertMaskToPolygon(self, mask: _ArrayLike) -> list[tuple[float, float]]:
        """Convert a mask to a polygon (contour points)"""
    def SetMenuROIEnable(
        self,
        Point: bool = True,
        Line: bool = True,
        Rectangle: bool = True,
        RotatedRectangle: bool = True,
        Circle: bool = True,
        Annulus: bool = True,
        Polygon: bool = True,
    ) -> None: ...
    def HideROI(self) -> None: ...
    def SetSize(self, w: int, h: int) -> None: ...
    def Refresh(self) -> None: ...
    def GetHandle(self) -> int:
        """The panel's X11 window id (0 until it is shown); always 0 under Wayland"""
    def IsOk(self) -> bool: ...
    def SetOnCropCallback(self, callback: Callable[[tuple[int, int, int, int]], object]) -> None:
        """Set a callback function for crop events"""
    def SetOnRightClickCallback(
        self, callback: Callable[[tuple[float, float], int], object] | None
    ) -> None:
        """Set a callback function for right-click events. Should return True to intercept."""
    def SetOnLeftDClickCallback(
        self, callback: Callable[[tuple[float, float]], object] | None
    ) -> None:
        """Set a callback function for left double-click"""
    def SetOnRightDClickCallback(
        self, callback: Callable[[tuple[float, float]], object] | None
    ) -> None:
        """Set a callback function for right double-click"""
    def SetOnMouseMoveCallback(
        self, callback: Callable[[tuple[float, float]], object] | None
    ) -> None:
        """Set a callback function for mouse movement"""
    def SetGuideLineMode(self, mode: GuideLineMode) -> None:
        """Set guide line overlay mode (GuideLineMode enum)"""
    def GetGuideLineMode(self) -> GuideLineMode: ...
    def SetGuideLineVisible(self, visible: bool) -> None:
        """Show or hide guide lines without changing mode"""
    def GetGuideLineVisible(self) -> bool: ...
    def SetGuideLineColor(self, b: int, g: int, r: int, a: int = 180) -> None:
        """Set guide line color (BGR + alpha 0-255)"""
    def SetGuideLineThickness(self, thickness: int) -> None:
        """Set guide line thickness in pixels"""
    def SetAspectRatio(self, ratio: AspectRatio) -> None:
        """Set crop aspect ratio (AspectRatio enum, used by AspectRatioMask mode)"""
    def GetAspectRatio(self) -> AspectRatio: ...
    def AppendText(
        self,
        lines: str | Sequence[str],
        position: tuple[float, float],
        color: tuple[float, ...],
        font_height: int = 16,
        font_path: str = "",
        background: tuple[float, ...] | None = None,
    ) -> int:
        """
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
        """
    def UpdateText(
        self,
        index: int,
        lines: str | Sequence[str],
        position: tuple[float, float],
        color: tuple[float, ...],
        font_height: int = 16,
        font_path: str = "",
        background: tuple[float, ...] | None = None,
        show: bool = True,
    ) -> None:
        """
        Replace the text at index (an unknown index is ignored) and repaint.

        Arguments as for AppendText; show=False hides the text.
        """
    def SetResultLogo(
        self,
        show: bool,
        result: int,
        font_path: str = "",
        pass_text: str = "PASS",
        fail_text: str = "FAIL",
        recycle_text: str = "RECYCLE",
    ) -> None:
        """
        Show or hide the result badge in the top-right corner and repaint.

        Args:
            show: Whether the badge is drawn; False keeps the other settings.
            result: 0 = pass (green), 1 = fail (red), 2 = recycle (silver)
            font_path: Font file; the default font when empty or missing (default: "")
            pass_text, fail_text, recycle_text: The badge's text per result
        """
    # Undo and redo of the set of ROIs and its editing ROI.
    def Undo(self) -> bool:
        """
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
        """
    def Redo(self) -> bool:
        """
        Redo the last undone change (reported as Undo reports).
        A new change after an undo discards what could be redone.

        Returns:
            True when a change was redone, False when there was none.
        """
    def CanUndo(self) -> bool:
        """Whether Undo() has a change to undo"""
    def CanRedo(self) -> bool:
        """Whether Redo() has a change to redo"""
    # Masks and measurements of the editing ROI.
    def GetROIMask(self, id: int | None = None) -> _UInt8Array:
        """
        Return the editing ROI as a mask: a uint8 array of the image's size (rows, cols),
        255 on the ROI's pixels and 0 elsewhere.

        A pixel belongs to an area shape (rectangle, rotated rectangle, circle, annulus
        sector, polygon) when its centre (x + 0.5, y + 0.5) lies inside the shape; a line
        gives the 8-connected pixel line (OpenCV's LINE_8) between the pixels that hold its
        end points, a point the pixel that holds it. An empty array (shape (0,)) without an
        image or an editing ROI (a polygon still being drawn is not one yet).
        """
    def GetROIStats(self, id: int | None = None) -> dict[str, Any]:
        """
        Measure the image inside the editing ROI (the pixels of GetROIMask()).

        Returns a dict:
            area: number of pixels
            perimeter: length of the shape's outline in pixels, of the whole shape even
                where it leaves the image (a line's length, 0 for a point)
            centroid: (x, y), the mean of the pixels' centres (x + 0.5, y + 0.5)
            bbox: (x, y, w, h), the smallest rectangle holding the pixels
            mean, std, min, max: lists, one value per channel of the source values
                (GetSourceMat(): the image's own channels and depth; min and max are ints
                for integer images); std is the population standard deviation (NumPy's
                std, ddof=0)
        An empty dict without an image, an editing ROI, or a ROI pixel on the image.
        """
    def GetROIHistogram(
        self, bins: int = 256, range: tuple[float, float] | None = None, id: int | None = None
    ) -> tuple[numpy.typing.NDArray[numpy.int64], numpy.typing.NDArray[numpy.float64]] | None:
        """
        Histogram of the source values inside the editing ROI, equal to numpy.histogram of
        those pixels: (counts, edges), counts of shape (bins,) for one channel and
        (channels, bins) for more, every channel over the same range. range=None: the
        dtype's whole range [min, max + 1) for integer images, the ROI's finite min..max for
        float images. id: an ROI of the set (None: the editing ROI). None without an image
        or a ROI pixel on it.
        """
    # --- Live ROI updates and the ROI as data.
    def GetLineProfile(self, id: int | None = None, width: int = 1) -> _Float64Array:
        """Source values along a line ROI, shape (n, channels)."""
    def SetOnROIChangingCallback(
        self, callback: Callable[[tuple[int, int, int, int]], object] | None
    ) -> None:
        """
        Set a callback called while the user drags the editing ROI, with the same
        (x, y, w, h) tuple as the crop callback, at most once per repaint (soon after
        the paint that shows the change). The crop callback still comes once, on
        release. None clears it.
        """
    def GetEditingROIData(self) -> dict[str, Any]:
        """
        Return the editing ROI as a dict of plain values (JSON-ready):
        {"version": 1, "mode": int, "points": [[x, y], ...], "angle": float}, the
        points in the form SetEditingROI takes; a circle adds "outer_radius", an
        annulus also "inner_radius", "start_angle" and "end_angle". "points" is empty
        when there is no shape (nothing drawn, an open polygon). See docs/roi-data.md.
        """
    def SetEditingROIData(self, data: dict[str, Any]) -> None:
        """
        Make the editing ROI (and its mode) the one a GetEditingROIData() dict
        describes, and repaint: one undo step, no crop event. Bad data (another
        version, an unknown mode, a point count that does not fit the mode, a number
        that is not finite, a wrong type, a radius or angle that contradicts the
        points) raises ValueError naming the field ("points[2]: ...") and leaves the
        ROI as it was; TypeError when data is not a dict.
        """
    def GetOverlayData(self) -> list[dict[str, Any]]:
        """
        Return the stored overlays as a list of dicts in index order: the keys of
        GetEditingROIData (points as stored) plus "color" [B, G, R, A], "thickness",
        "visible" and "line_style"; a mask overlay has no points but
        "mask": {"width": w, "height": h}.
        """
    def AppendOverlayData(self, data: dict[str, Any]) -> int:
        """
        Append an overlay from a GetOverlayData() dict (shape modes 0 to 9; masks go
        through AppendMaskOverlay) and return its index. "angle", "thickness" (2),
        "visible" (True) and "line_style" (0) may be left out. Bad data raises
        ValueError naming the field and appends nothing.
        """
    # --- The source image at its own depth and its display.
    def GetSourceMat(self) -> numpy.typing.NDArray[Any]:
        """The source image at its own depth and channels (uint8, uint16, int16 or float32);
        for an 8-bit image what the 8-bit getters return. Empty array without an image."""
    def GetSourcePixel(self, x: int, y: int) -> tuple[int, ...] | tuple[float, ...] | None:
        """The source values at (x, y) (ints for integer images, floats for float ones), in
        the image's channel order; None outside the image."""
    def SetDisplayLevels(self, low: float | None, high: float | None = None) -> None:
        """Show source value v as clip(round((v - low) * 255 / (high - low)), 0, 255) on every
        channel; None returns to the default (saturation). ValueError for high <= low, NaN or
        infinity (levels unchanged)."""
    def GetDisplayLevels(self) -> tuple[float, float] | None: ...
    def SetAutoLevels(self, saturated: float = 0.35) -> tuple[float, float] | None:
        """Set and return the levels that clip `saturated` per cent of the source's values,
        half at each end; None without an image."""
    def SetColormap(self, name: str) -> None:
        """An OpenCV colormap by its lower-case name ("viridis", "jet", ...; "gray" is the
        default) for single-channel sources, after the levels. ValueError for an unknown name."""
    def GetColormap(self) -> str: ...

def GetImageFileInfo(path: str) -> dict[str, Any]:
    """Read image file metadata (size, channels, bit_depth, EXIF, GPS) without loading into a panel. Returns a dict."""

INTER_NEAREST: int
INTER_LINEAR: int
INTER_AREA: int
INTER_CUBIC: int
INTER_LANCZOS4: int
IMREAD_UNCHANGED: int
IMREAD_GRAYSCALE: int
IMREAD_COLOR: int
IMREAD_ANYDEPTH: int
IMREAD_ANYCOLOR: int
def MeasureROIs(image: _ArrayLike | MovraEngine, rois: Sequence[dict[str, Any]]) -> list[dict[str, Any]]:
    """GetROIStats' measurement of an image array inside each ROI dict, without a window."""
