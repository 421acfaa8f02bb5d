"""MovraROIAdvPanel in a real wx.App on Xvfb: the Python interface, argument conversion and
errors, what overlays, masks, texts and the result badge put on the screen, and the panel's
life when its host window, the garbage collector or the interpreter ends it. The user's mouse
and the callbacks it triggers: test_roi_panel_callbacks.py."""

import gc
import weakref

import numpy as np
import pytest

wx = pytest.importorskip("wx")
cv2 = pytest.importorskip("cv2")

from pyrun import run_python  # noqa: E402
from wxutil import grab, hidden_frames, make_roi_panel, panel_window, settle  # noqa: E402

METHOD_ORDER = [
    "SetMat", "LoadImage", "GetMat", "GetDrawMat", "GetRawMat", "SetMode", "SetZoomToFit",
    "ZoomToFit", "SetOriginal", "SetZoomIn", "ZoomIn", "SetZoomOut", "ZoomOut", "GetZoomFactor",
    "GetLoadedImageInfo", "SetCenterImageEnable", "SetROIMode", "GetROIMode", "SetFuncEnable",
    "SetLockROI", "GetRect", "SetRect", "GetLeftMouseDownPoint", "GetLeftMouseUpPoint",
    "GetStartAngle", "GetEndAngle", "GetRotateAngle", "GetInnerRadius", "GetOuterRadius",
    "GetPolygonPoints", "SetEditingROI", "SetCanvasBgColor", "ClearOverlay",
    "SetDisplayOverlay", "GetDisplayOverlay", "AppendOverlay", "UpdateDrawImage",
    "AppendMaskOverlay", "ConvertMaskToPolygon", "SetMenuROIEnable", "HideROI", "SetSize",
    "Refresh", "GetHandle", "IsOk", "SetOnCropCallback", "SetOnRightClickCallback",
    "SetOnLeftDClickCallback", "SetOnRightDClickCallback", "SetOnMouseMoveCallback",
    "SetGuideLineMode", "GetGuideLineMode", "SetGuideLineVisible", "GetGuideLineVisible",
    "SetGuideLineColor", "SetGuideLineThickness", "SetAspectRatio", "GetAspectRatio",
    "AppendText", "UpdateText", "SetResultLogo",
    # undo and redo
    "Undo", "Redo", "CanUndo", "CanRedo",
    "GetROIMask", "GetROIStats", "GetROIHistogram", "GetLineProfile",
    # Live ROI updates and the ROI as data.
    "SetOnROIChangingCallback", "GetEditingROIData", "SetEditingROIData", "GetOverlayData",
    "AppendOverlayData",
    # Loading off the GUI thread.
    "LoadImageAsync", "IsLoading",
    "SetAutoOrient",
    # The set of named ROIs.
    "AddROI", "GetROIs", "GetROI", "UpdateROI", "RenameROI", "SetROIColor", "RemoveROI",
    "ClearROIs", "SelectROI", "GetSelectedROI", "GetROISetData", "SetROISetData",
    "SetMultiROI", "GetMultiROI", "SetOnROISetChangedCallback",
    # The source image at its own depth and its display.
    "GetSourceMat", "GetSourcePixel", "SetDisplayLevels", "GetDisplayLevels", "SetAutoLevels",
    "SetColormap", "GetColormap",
]

TEXT_A = """
Sets the current editing ROI state.

Args:
    mode: ROI mode (1=Point, 2=Line, 3=Rect, 4=RotatedRect, 5=Circle, 6=Annulus, 7=Polygon)
    points: List of (x, y) tuples.
    angle: Rotation angle (for RotatedRectangle).
"""

TEXT_B = """
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
"""


def shown(movra, host, image, **kw):
    """A panel showing `image` with overlays displayed, and its wx window."""
    p = make_roi_panel(movra, host, **kw)
    p.SetMat(image)
    p.SetDisplayOverlay(True)
    return p, panel_window(host, p)


def black(h=300, w=400):
    return np.zeros((h, w, 3), np.uint8)


# --- the Python interface -----------------------------------------------------------------


def test_class_interface_order_docstrings_and_keywords(movra):
    cls = movra.MovraROIAdvPanel
    assert cls.__doc__ == "Advanced ROI panel with editing (requires wxPython parent)"
    assert [n for n in vars(cls) if not n.startswith("_")] == METHOD_ORDER
    assert cls.SetEditingROI.__doc__.split("\n", 2)[2].rstrip("\n") == TEXT_A.rstrip("\n")
    assert cls.AppendOverlay.__doc__.split("\n", 2)[2].rstrip("\n") == TEXT_B.rstrip("\n")
    assert cls.SetMenuROIEnable.__doc__.splitlines()[0] == (
        "SetMenuROIEnable(self: MovraModule.MovraROIAdvPanel, Point: bool = True, "
        "Line: bool = True, Rectangle: bool = True, RotatedRectangle: bool = True, "
        "Circle: bool = True, Annulus: bool = True, Polygon: bool = True) -> None")
    assert cls.SetFuncEnable.__doc__.splitlines()[0].endswith(
        "menu_enable: bool, crop_enable: bool = False, move_enable: bool = True) -> None")
    assert cls.__init__.__doc__.splitlines()[0].endswith(
        "parent_handle: int | wx.Window, id: int = -1, x: int = -1, y: int = -1, "
        "width: int = -1, height: int = -1, style: int = 0, name: str = 'MovraROIAdvPanel') -> None")


@pytest.mark.x11  # int window handles
def test_positional_constructor_and_shared_hidden_frame(movra, host):
    # (handle, 640, 480) is (handle, id, x): the size stays at its default.
    p = movra.MovraROIAdvPanel(host.GetHandle(), 640, 480)
    settle()
    win = wx.Window.FindWindowById(640)
    assert win is not None and win.GetHandle() == p.GetHandle() != 0
    assert win.GetName() == "MovraROIAdvPanel"
    assert tuple(win.GetPosition()) == (480, 0)
    assert tuple(win.GetSize()) == (400, 300)
    # Both panel classes share one hidden frame, which goes with the last of them.
    if len(hidden_frames()) != 1:
        pytest.skip("panels of other tests are still alive")
    q = movra.MovraPanel(host.GetHandle())
    del p
    settle()
    assert len(hidden_frames()) == 1
    del q
    settle()
    assert hidden_frames() == []


# --- arguments and errors -----------------------------------------------------------------


def test_bad_arguments_raise_and_change_nothing(movra, host, tmp_path):
    img = np.full((30, 40, 3), 9, np.uint8)
    p = make_roi_panel(movra, host)
    p.SetMat(img)
    # A path with a NUL names no file, even when the part before the NUL is one.
    real = tmp_path / "real.png"
    cv2.imwrite(str(real), np.zeros((9, 11, 3), np.uint8))
    assert p.LoadImage(f"{real}\0x") is False
    assert p.GetLoadedImageInfo()["width"] == 40
    with pytest.raises(RuntimeError, match=r"^Rect tuple must have 4 elements \(x, y, w, h\)$"):
        p.SetRect((1, 2, 3))
    with pytest.raises(TypeError):
        p.SetRect([1, 2, 3, 4])
    with pytest.raises(RuntimeError):
        p.SetRect((1, 2, "x", 4))
    for bad in (np.zeros(10, np.uint8), np.zeros((2, 3, 4, 5), np.uint8)):
        with pytest.raises(RuntimeError, match="Number of dimensions must be 2 or 3"):
            p.SetMat(bad)
        with pytest.raises(RuntimeError, match="Number of dimensions must be 2 or 3"):
            p.AppendMaskOverlay(bad, (1, 2, 3))
    with pytest.raises(TypeError):
        p.AppendOverlay(3, ((1, 2), (3, 4)), (0, 255, 0))  # a tuple where a list is expected
    with pytest.raises(TypeError):
        p.AppendOverlay(3, [(1, 2), (3, 4)], [0, 255, 0])  # a list where a tuple is expected
    with pytest.raises(TypeError):
        p.AppendOverlay(3, [5, (3, 4)], (0, 255, 0))  # an item that is not iterable
    with pytest.raises(RuntimeError):
        p.AppendOverlay(3, [("a", 2)], (0, 255, 0))
    with pytest.raises(TypeError):
        p.SetOnCropCallback(None)
    with pytest.raises(TypeError):
        p.SetGuideLineMode(2)
    with pytest.raises(TypeError):
        p.AppendText(42, (0, 0), (1, 2, 3))
    with pytest.raises(TypeError):
        p.AppendText(["ok", 3], (0, 0), (1, 2, 3))
    with pytest.raises(RuntimeError, match="Position tuple must have 2 elements"):
        p.AppendText("x", (1,), (1, 2, 3))
    # Nothing was stored by the failed calls: the next overlay and text get index 0.
    assert p.AppendOverlay(3, [(1, 2), (3, 4)], (0, 255, 0)) == 0
    assert p.AppendText("x", (1, 2), (1, 2, 3)) == 0
    assert np.array_equal(p.GetMat(), img)


def test_images_info_and_raw_channels(movra, host, tmp_path):
    p = make_roi_panel(movra, host)
    assert p.GetRawMat().shape == (0,)
    assert p.GetMat().shape == (0,)
    grey = np.tile(np.arange(64, dtype=np.uint8), (20, 1))
    path = tmp_path / "grau_ä.png"
    cv2.imencode(".png", grey)[1].tofile(str(path))
    assert p.LoadImage(str(path)) is True
    assert np.array_equal(p.GetRawMat(), grey)
    mat = p.GetMat()
    assert mat.shape == (20, 64, 3) and all(np.array_equal(mat[..., c], grey) for c in range(3))
    info = p.GetLoadedImageInfo()
    assert (info["width"], info["height"], info["channels"]) == (64, 20, 1)
    assert info["format"] == movra.GetImageFileInfo(str(path))["format"] != ""
    assert p.GetLoadedImageInfo() is not info  # a fresh dict every call
    # A missing file fails and keeps what was shown.
    assert p.LoadImage(str(tmp_path / "missing.png")) is False
    assert np.array_equal(p.GetRawMat(), grey)

    rng = np.random.default_rng(3)
    bgr = rng.integers(0, 256, (30, 50, 3), dtype=np.uint8)
    p.SetMat(bgr)
    assert np.array_equal(p.GetMat(), bgr) and np.array_equal(p.GetRawMat(), bgr)
    assert p.GetLoadedImageInfo()["channels"] == 3


def test_zoom_steps_and_second_names(movra, host):
    p = make_roi_panel(movra, host)
    assert p.GetZoomFactor() == 1.0
    p.SetMat(black(150, 200))  # fitted into 400 x 300: zoom 2
    assert p.GetZoomFactor() == pytest.approx(2.0)
    p.ZoomIn()
    assert p.GetZoomFactor() == pytest.approx(2.5)
    p.SetZoomIn()
    assert p.GetZoomFactor() == pytest.approx(3.0)
    p.ZoomOut()
    p.SetZoomOut()
    assert p.GetZoomFactor() == pytest.approx(2.0)
    p.SetOriginal()
    assert p.GetZoomFactor() == 1.0
    p.ZoomToFit()
    assert p.GetZoomFactor() == pytest.approx(2.0)


# --- what overlays put on the screen ------------------------------------------------------


def test_overlays_examples_drawn_at_their_places(movra, host):
    grey = np.full((300, 400, 3), 100, np.uint8)
    p, win = shown(movra, host, grey)
    assert p.AppendOverlay(3, [(10, 20), (100, 50)], (0, 255, 0)) == 0
    assert p.AppendOverlay(5, [(250, 150), (20, 0)], (0, 0, 255, 128), size=3) == 1
    # One point: the item (7,) is dropped, and the colour of a short tuple is (0, 0, 0, 0).
    assert p.AppendOverlay(1, [(320, 60), (7,)], (255, 0)) == 2
    p.Refresh()
    px = grab(win).astype(int)
    green, red, bg = [0, 255, 0], [255, 0, 0], [100, 100, 100]
    # Rectangle (10, 20) 100 x 50, two pixels wide.
    for y, x in ((20, 10), (20, 60), (70, 110), (45, 10), (45, 110), (70, 60)):
        assert px[y, x].tolist() == green, (y, x)
    for y, x in ((45, 60), (22, 60), (17, 60), (45, 113)):
        assert px[y, x].tolist() == bg, (y, x)
    # Circle at (250, 150), radius 20: the ring, not the centre or beyond.
    for y, x in ((150, 230), (150, 270), (130, 250), (170, 250)):
        assert px[y, x].tolist() == red, (y, x)
    assert px[150, 250].tolist() == bg and px[150, 276].tolist() == bg
    # The black point marker, and nothing anywhere else black.
    assert (px[55:66, 315:326] == 0).all(axis=2).any()
    dark = np.argwhere((px == 0).all(axis=2))
    assert len(dark) and (abs(dark - [60, 320]) <= 6).all()

    p.ClearOverlay()
    p.Refresh()
    assert (grab(win) == 100).all()
    assert p.AppendOverlay(3, [(1, 1), (5, 5)], (0, 0, 255)) == 0
    # Hiding overlays hides them all.
    p.SetDisplayOverlay(False)
    assert p.GetDisplayOverlay() is False
    assert (grab(win) == 100).all()


def test_mask_overlay_and_polygon_from_mask(movra, host):
    p, win = shown(movra, host, black())
    mask = np.zeros((300, 400), np.uint8)
    mask[200:260, 20:120] = 255
    assert p.AppendMaskOverlay(mask, (255, 0, 0)) == 0  # blue at alpha 0.5
    mask[:] = 0  # the panel keeps its own copy
    assert p.AppendMaskOverlay(np.zeros((0, 0), np.uint8), (255, 0, 0)) == -1
    p.Refresh()
    px = grab(win).astype(int)
    r, g, b = px[230, 70]
    assert r == 0 and g == 0 and 120 <= b <= 135
    assert px[230, 130].tolist() == [0, 0, 0] and px[190, 70].tolist() == [0, 0, 0]

    blobs = np.zeros((100, 100), np.uint8)
    blobs[10:20, 10:20] = 1  # 100 pixels
    blobs[50:70, 40:60] = 7  # 400 pixels
    outline = p.ConvertMaskToPolygon(blobs)
    assert sorted(outline) == [(40.0, 50.0), (40.0, 69.0), (59.0, 50.0), (59.0, 69.0)]
    assert all(type(v) is float for pt in outline for v in pt)
    assert p.ConvertMaskToPolygon(np.zeros((10, 10), np.uint8)) == []


def test_texts_are_drawn_updated_and_hidden(movra, host):
    p, win = shown(movra, host, black())
    assert p.AppendText("Hello\nWorld", (200, 10), (255, 255, 255), font_height=20,
                        background=(0, 0, 128)) == 0
    assert p.AppendText(["second"], (20, 150), (0, 255, 255)) == 1
    p.Refresh()
    px = grab(win).astype(int)
    lit = np.argwhere(px[:, 180:].any(axis=2))
    # Two lines of 20 px with their dark-red boxes, starting at (200, 10).
    assert lit[:, 0].min() >= 10 and 45 <= lit[:, 0].max() <= 65
    assert 195 <= lit[:, 1].min() + 180 <= 205
    assert ((px[10:70, 195:300] == [128, 0, 0]).all(axis=2)).sum() > 300
    assert ((px[10:70, 195:300] == [255, 255, 255]).all(axis=2)).sum() > 20
    yellow = (px[140:175, 15:120, 0] > 150) & (px[140:175, 15:120, 1] > 150)
    assert yellow.sum() > 20 and not px[140:175, 15:120, 2].any()

    # Moved and recoloured, then hidden; an unknown index changes nothing.
    p.UpdateText(0, "Hi", (20, 220), (0, 255, 0), font_height=30)
    p.UpdateText(7, "never", (0, 0), (0, 0, 255))
    px = grab(win).astype(int)
    assert not px[:100, 180:].any()
    assert ((px[215:260, 15:120] == [0, 255, 0]).all(axis=2)).sum() > 20
    p.UpdateText(0, "Hi", (20, 220), (0, 255, 0), font_height=30, show=False)
    px = grab(win)
    assert not px[200:300].any() and px[140:175, 15:120].any()

    # Texts show only while overlays are displayed.
    p.SetDisplayOverlay(False)
    assert not grab(win).any()


def test_text_font_files(movra, host, tmp_path):
    p, _ = shown(movra, host, black())
    assert p.AppendText("x", (0, 0), (255, 255, 255), font_path=str(tmp_path / "none.ttf")) == 0
    junk = tmp_path / "junk.ttf"
    junk.write_bytes(b"not a font" * 50)
    with pytest.raises(RuntimeError):
        p.AppendText("x", (0, 0), (255, 255, 255), font_path=str(junk))
    assert p.AppendText("y", (0, 0), (255, 255, 255)) == 1


def test_result_badge_colours_and_hiding(movra, host):
    p, win = shown(movra, host, black())
    badge = (slice(8, 30), slice(340, 392))  # inside the top-right badge of a 400 wide view

    def dominant():
        region = grab(win)[badge].reshape(-1, 3)
        colours, counts = np.unique(region, axis=0, return_counts=True)
        return colours[counts.argmax()].tolist()

    p.SetResultLogo(True, 0)
    assert dominant() == [0, 255, 0]
    p.SetResultLogo(True, 1, pass_text="OK", fail_text="NG")
    assert dominant() == [255, 0, 0]
    px = grab(win)
    assert (px[badge] == [255, 255, 224]).all(axis=2).sum() > 10  # light-yellow letters
    p.SetResultLogo(True, 2)
    assert dominant() == [192, 192, 192]
    p.SetResultLogo(False, 0)
    assert not grab(win).any()
    # The badge does not depend on the overlay switch.
    p.SetDisplayOverlay(False)
    p.SetResultLogo(True, 0)
    assert dominant() == [0, 255, 0]


# --- life and death -----------------------------------------------------------------------


class Recorder:
    """A callable whose collection can be watched with a weak reference."""

    def __init__(self):
        self.calls = []

    def __call__(self, *args):
        self.calls.append(args)


def call_every_method(movra, p, path):
    """Calls every method once with valid arguments; returns the results by name."""
    img = np.zeros((4, 4, 3), np.uint8)
    args = {
        "SetMat": (img,), "LoadImage": (path,), "SetMode": (1,), "SetCenterImageEnable": (True,),
        "LoadImageAsync": (path,),
        "SetROIMode": (3,), "SetFuncEnable": (True, True, True), "SetLockROI": (False,),
        "SetRect": ((1, 2, 3, 4),), "SetEditingROI": (3, [(1, 1), (2, 2)]),
        "SetCanvasBgColor": (1, 2, 3), "SetDisplayOverlay": (True,),
        "AppendOverlay": (3, [(1, 1), (2, 2)], (1, 2, 3)),
        "AppendMaskOverlay": (np.ones((4, 4), np.uint8), (1, 2, 3)),
        "ConvertMaskToPolygon": (np.ones((4, 4), np.uint8),), "SetSize": (10, 10),
        "SetOnCropCallback": (print,), "SetOnRightClickCallback": (print,),
        "SetOnLeftDClickCallback": (print,), "SetOnRightDClickCallback": (print,),
        "SetOnMouseMoveCallback": (print,), "SetOnROIChangingCallback": (print,),
        "SetEditingROIData": ({"version": 1, "mode": 3, "points": []},),
        "AppendOverlayData": ({"version": 1, "mode": 3, "points": [], "color": [1, 2, 3]},),
        "SetGuideLineMode": (movra.GuideLineMode.CenterCross,), "SetGuideLineVisible": (True,),
        "SetGuideLineColor": (1, 2, 3), "SetGuideLineThickness": (2,),
        "SetAspectRatio": (movra.AspectRatio.AR_1_1,), "AppendText": ("t", (1, 1), (1, 2, 3)),
        "UpdateText": (0, "t", (1, 1), (1, 2, 3)), "SetResultLogo": (True, 1),
        "GetSourcePixel": (1, 1), "SetDisplayLevels": (10, 20), "SetColormap": ("jet",),
        "SetAutoOrient": (False,),
        "AddROI": (3, [(1, 1), (2, 2)]), "GetROI": (1,),
        "UpdateROI": (1, {"version": 1, "mode": 3, "points": []}), "RenameROI": (1, "a"),
        "SetROIColor": (1, (1, 2, 3)), "RemoveROI": (1,), "SelectROI": (None,),
        "SetROISetData": ({"version": 2, "rois": []},), "SetMultiROI": (True,),
        "SetOnROISetChangedCallback": (None,),
    }
    return {name: getattr(p, name)(*args.get(name, ())) for name in METHOD_ORDER}


@pytest.mark.x11  # int window handles
def test_host_destroyed_first_leaves_a_harmless_wrapper(movra, wx_app, tmp_path):
    frame = wx.Frame(None)
    host = wx.Panel(frame)
    frame.Show()
    settle()
    p = movra.MovraROIAdvPanel(host.GetHandle())
    p.SetMat(black(20, 20))
    crop, move = Recorder(), Recorder()
    p.SetOnCropCallback(crop)
    p.SetOnMouseMoveCallback(move)
    watch = [weakref.ref(crop), weakref.ref(move)]
    del crop, move
    frame.Destroy()
    settle()
    assert p.IsOk() is False
    # The callables went with the panel.
    gc.collect()
    assert [w() for w in watch] == [None, None]

    results = call_every_method(movra, p, str(tmp_path / "x.png"))
    defaults = {
        "LoadImage": False, "GetZoomFactor": 1.0, "GetLoadedImageInfo": {}, "GetROIMode": 0,
        "GetRect": (0, 0, 0, 0), "GetLeftMouseDownPoint": (0.0, 0.0),
        "GetLeftMouseUpPoint": (0.0, 0.0), "GetStartAngle": 0.0, "GetEndAngle": 360.0,
        "GetRotateAngle": 0.0, "GetInnerRadius": 0.0, "GetOuterRadius": 0.0,
        "GetPolygonPoints": [], "GetDisplayOverlay": False, "AppendOverlay": -1,
        "AppendMaskOverlay": -1, "ConvertMaskToPolygon": [], "GetHandle": 0, "IsOk": False,
        "GetGuideLineMode": movra.GuideLineMode.Off, "GetGuideLineVisible": False,
        "GetAspectRatio": movra.AspectRatio.AR_16_9, "AppendText": -1,
        "Undo": False, "Redo": False, "CanUndo": False, "CanRedo": False,
        "GetROIStats": {},
        "GetEditingROIData": {"version": 1, "mode": 0, "points": [], "angle": 0.0},
        "GetOverlayData": [], "AppendOverlayData": -1, "IsLoading": False, "GetColormap": "gray",
        "AddROI": -1, "GetROIs": [], "GetROI": {}, "RemoveROI": False, "GetMultiROI": False,
        "GetROISetData": {"version": 2, "rois": [], "selected": None},
    }
    for name, value in results.items():
        if name in ("GetMat", "GetDrawMat", "GetRawMat", "GetROIMask", "GetLineProfile",
                    "GetSourceMat"):
            assert value.shape == (0,), name
        else:
            assert value == defaults.get(name), name
    # Without a panel, arguments are not even read.
    p.SetRect((1, 2, 3))
    p.AppendOverlay(3, [5], (1, 2, 3))
    p.AppendMaskOverlay(np.zeros(3, np.uint8), (1, 2, 3))
    p.SetEditingROIData("not data")
    p.AppendOverlayData(None)
    p.AddROI(3, [5], color="red")
    p.SetROISetData(None)


def refer_to_itself(p):
    # Each closure holds the panel in a cell of its own: panel -> callable -> panel.
    p.SetOnCropCallback(lambda rect: p.GetRect())
    p.SetOnMouseMoveCallback(lambda pt: p.IsOk())
    p.SetOnRightClickCallback(lambda pt, code: p.IsOk())
    p.SetOnROIChangingCallback(lambda rect: p.GetRect())


def test_callback_referring_to_its_own_panel_is_collected(movra, host):
    p = make_roi_panel(movra, host)
    windows = len(host.GetChildren())
    refer_to_itself(p)
    watch = weakref.ref(p)
    gc.disable()
    try:
        del p
        assert watch() is not None  # only a cycle keeps it now
        gc.collect()
    finally:
        gc.enable()
    settle()
    assert watch() is None
    assert len(host.GetChildren()) == windows - 1


@pytest.mark.x11  # int window handles
def test_interpreter_exit_with_live_panels_and_callbacks():
    r = run_python("""
        import numpy as np, wx, MovraModule
        from wxutil import settle
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        f = wx.Frame(None); host = wx.Panel(f); f.Show(); settle()
        keep = MovraModule.MovraROIAdvPanel(host.GetHandle())
        keep.SetMat(np.full((50, 80, 3), 90, np.uint8))
        keep.SetOnCropCallback(lambda r: keep.GetRect())
        keep.SetOnMouseMoveCallback(lambda p: None)
        plain = MovraModule.MovraPanel(host.GetHandle(), x=410)
        f2 = wx.Frame(None); host2 = wx.Panel(f2); f2.Show(); settle()
        orphan = MovraModule.MovraROIAdvPanel(host2.GetHandle())
        orphan.SetOnRightClickCallback(lambda p, c: orphan.IsOk())
        f2.Destroy(); settle()
        print("ORPHAN", orphan.IsOk())
    """)
    assert r.returncode == 0, r.stderr
    assert "ORPHAN False" in r.stdout
