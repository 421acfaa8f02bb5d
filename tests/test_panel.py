"""MovraPanel in a real wx.App on Xvfb: construction, images, display modes, guide lines as seen
on the screen, bad input, and the panel's life when its host window goes first."""

import os

import numpy as np
import pytest

wx = pytest.importorskip("wx")
cv2 = pytest.importorskip("cv2")

from pyrun import run_python  # noqa: E402
from wxutil import embed, grab, hidden_frames, panel_window, settle  # noqa: E402

GREEN = np.array([0, 255, 0])


def make_panel(movra, host, **kw):
    panel = embed(movra.MovraPanel, host, **kw)
    settle()
    return panel


def is_green(px):
    return px[1] > 200 and px[0] < 60 and px[2] < 60


# --- construction ------------------------------------------------------------------------


@pytest.mark.x11  # int window handles
def test_default_panel_fills_400x300_at_origin_of_host(movra, host):
    p = make_panel(movra, host)
    assert p.IsOk()
    win = panel_window(host, p)
    assert win.GetParent() is host
    assert tuple(win.GetPosition()) == (0, 0)
    assert tuple(win.GetSize()) == (400, 300)
    assert win.IsShown()
    assert p.GetHandle() == win.GetHandle() != 0
    assert wx.Window.FindWindowById(win.GetId()).GetHandle() == win.GetHandle()


@pytest.mark.parametrize(
    "kw, pos, size",
    [
        (dict(width=0, height=-5), (0, 0), (400, 300)),
        (dict(x=-20, y=30), (0, 30), (400, 300)),
        (dict(x=15, y=25, width=320, height=200), (15, 25), (320, 200)),
    ],
)
def test_position_and_size_defaults(movra, host, kw, pos, size):
    p = make_panel(movra, host, **kw)
    win = panel_window(host, p)
    assert tuple(win.GetPosition()) == pos
    assert tuple(win.GetSize()) == size


@pytest.mark.x11  # int window handles
def test_explicit_id_and_name_reach_the_window(movra, host):
    p = make_panel(movra, host, id=4242, name="viewer")
    win = wx.Window.FindWindowById(4242)
    assert win is not None and win.GetHandle() == p.GetHandle()
    assert win.GetName() == "viewer"


def test_set_size_keeps_position(movra, host):
    p = make_panel(movra, host, x=10, y=20)
    p.SetSize(250, 150)
    settle()
    win = panel_window(host, p)
    assert tuple(win.GetPosition()) == (10, 20)
    assert tuple(win.GetSize()) == (250, 150)
    p.SetSize(-1, 90)  # a negative extent keeps the current one
    p.SetSize(-7, -1)
    settle()
    assert tuple(win.GetSize()) == (250, 90)


@pytest.mark.x11  # int window handles
def test_bad_parent_handles(movra, host):
    with pytest.raises(RuntimeError, match=r"^parent_handle cannot be 0\. Pass the handle of a "
                       r"wxPython window\.$"):
        movra.MovraPanel(0)
    with pytest.raises(TypeError):
        movra.MovraPanel(-5)
    before = len(host.GetChildren())
    frames_before = len(hidden_frames())
    # An X11 id that no wx window of this process owns.
    with pytest.raises(RuntimeError, match="does not belong to a wx window"):
        movra.MovraPanel(0x7FFFFFF0)
    settle()
    assert len(host.GetChildren()) == before
    # The refused panel is not counted: a hidden frame made for it alone is gone as well.
    assert len(hidden_frames()) == frames_before


def test_first_construction_without_wx_app_in_fresh_process():
    r = run_python("""
        import wx, MovraModule
        try:
            MovraModule.MovraPanel(1234)
        except RuntimeError as e:
            print("ERR", e)
        try:
            MovraModule.MovraPanel(0)
        except RuntimeError as e:
            print("ERR", e)
    """)
    assert r.returncode == 0, r.stderr
    lines = [l for l in r.stdout.splitlines() if l.startswith("ERR")]
    # The application check comes before the handle check, until it once succeeds.
    assert lines == [
        "ERR MovraModule on macOS requires 'import wx' before 'import MovraModule'.",
        "ERR MovraModule on macOS requires 'import wx' before 'import MovraModule'.",
    ]


@pytest.mark.x11  # int window handles
def test_later_construction_after_the_app_is_gone():
    r = run_python("""
        import gc, wx, MovraModule
        from wxutil import settle
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        f = wx.Frame(None); host = wx.Panel(f); f.Show(); settle()
        p = MovraModule.MovraPanel(host.GetHandle())
        del p
        handle = host.GetHandle()
        f.Destroy(); settle()
        app.Destroy()
        del app
        gc.collect()
        try:
            MovraModule.MovraPanel(handle)
        except RuntimeError as e:
            print("ERR", e)
    """)
    assert r.returncode == 0, r.stderr
    assert "ERR wxApp not initialized" in r.stdout


AUTO_IDS = """
    import wx, MovraModule
    from wxutil import settle, hidden_frames
    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    f = wx.Frame(None); host = wx.Panel(f); f.Show(); settle()
    first = MovraModule.MovraPanel(host.GetHandle(), id=FIRST_ID)
    second = MovraModule.MovraPanel(host.GetHandle())
    def idof(p):
        return [c.GetId() for c in host.GetChildren() if c.GetHandle() == p.GetHandle()][0]
    print("IDS", idof(first), hidden_frames()[0].GetId(), idof(second))
"""


@pytest.mark.x11  # int window handles
@pytest.mark.parametrize("first_id, expected", [(-1, "10000 10001 10002"), (5, "5 10000 10001")])
def test_automatic_ids_are_shared_with_the_hidden_frame(first_id, expected):
    r = run_python(AUTO_IDS.replace("FIRST_ID", str(first_id)))
    assert r.returncode == 0, r.stderr
    assert f"IDS {expected}" in r.stdout


@pytest.mark.x11  # int window handles
def test_interpreter_exit_with_live_panels_and_a_destroyed_host():
    r = run_python("""
        import numpy as np, wx, MovraModule
        from wxutil import settle
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        f = wx.Frame(None); host = wx.Panel(f); f.Show(); settle()
        keep = MovraModule.MovraPanel(host.GetHandle())
        keep.SetMat(np.full((50, 80, 3), 90, np.uint8))
        f2 = wx.Frame(None); host2 = wx.Panel(f2); f2.Show(); settle()
        orphan = MovraModule.MovraPanel(host2.GetHandle())
        f2.Destroy(); settle()
        print("ORPHAN", orphan.IsOk())
    """)
    assert r.returncode == 0, r.stderr
    assert "ORPHAN False" in r.stdout


# --- images ------------------------------------------------------------------------------


def test_setmat_getmat_round_trips_and_normalisation(movra, host):
    p = make_panel(movra, host)
    rng = np.random.default_rng(1)
    bgr = rng.integers(0, 256, (40, 60, 3), dtype=np.uint8)
    p.SetMat(bgr)
    assert np.array_equal(p.GetMat(), bgr)

    grey = rng.integers(0, 256, (30, 20), dtype=np.uint8)
    p.SetMat(grey)
    out = p.GetMat()
    assert out.shape == (30, 20, 3)
    assert all(np.array_equal(out[..., c], grey) for c in range(3))

    bgra = rng.integers(0, 256, (10, 12, 4), dtype=np.uint8)
    p.SetMat(bgra)
    assert np.array_equal(p.GetMat(), bgra[..., :3])


def test_wrong_array_shape_keeps_previous_image(movra, host):
    p = make_panel(movra, host)
    img = np.full((20, 30, 3), 7, np.uint8)
    p.SetMat(img)
    for bad in (np.zeros(10, np.uint8), np.zeros((2, 3, 4, 5), np.uint8)):
        with pytest.raises(RuntimeError, match="Number of dimensions must be 2 or 3"):
            p.SetMat(bad)
    with pytest.raises(TypeError):
        p.SetMat("not an image")
    assert np.array_equal(p.GetMat(), img)


def test_load_image_files_and_failures(movra, host, tmp_path):
    p = make_panel(movra, host)
    img = np.zeros((24, 32, 3), np.uint8)
    img[:, :16] = (255, 0, 0)
    path = tmp_path / "bild_ü.png"
    assert cv2.imencode(".png", img)[1].tofile(str(path)) is None
    assert p.LoadImage(str(path)) is True
    assert np.array_equal(p.GetMat(), img)

    # Missing and undecodable files fail and the shown image stays.
    assert p.LoadImage(str(tmp_path / "missing.png")) is False
    junk = tmp_path / "junk.jpg"
    junk.write_bytes(b"not a jpeg at all" * 10)
    assert p.LoadImage(str(junk)) is False
    odd = tmp_path / "junk.jpeg2k"
    odd.write_bytes(b"\x00" * 64)
    assert p.LoadImage(str(odd)) is False
    assert np.array_equal(p.GetMat(), img)

    # Grey files load as three channels with the default flags.
    grey_path = tmp_path / "g.png"
    cv2.imwrite(str(grey_path), np.full((5, 6), 77, np.uint8))
    assert p.LoadImage(str(grey_path))
    assert p.GetMat().shape == (5, 6, 3)


def test_16bit_file_read_unchanged_is_saturated_not_rescaled(movra, host, tmp_path):
    p = make_panel(movra, host)
    img16 = np.array([[0, 100, 255, 256, 1000, 65535]], np.uint16)
    path = tmp_path / "deep.png"
    cv2.imwrite(str(path), img16)
    assert p.LoadImage(str(path), movra.IMREAD_UNCHANGED)
    out = p.GetMat()
    assert out.dtype == np.uint8 and out.shape == (1, 6, 3)
    assert out[0, :, 0].tolist() == [0, 100, 255, 255, 255, 255]


# --- what the screen shows ---------------------------------------------------------------


def test_image_is_drawn_unscaled_at_top_left_on_the_canvas_colour(movra, host):
    p = make_panel(movra, host, width=300, height=200)
    p.SetCanvasBgColor(10, 20, 30)
    img = np.zeros((50, 80, 3), np.uint8)
    img[:, :] = (200, 100, 0)  # BGR: blue-ish
    img[:25, :40] = (0, 0, 255)  # top-left quadrant red
    p.SetMat(img)
    px = grab(panel_window(host, p))
    assert px[5, 5].tolist() == [255, 0, 0]
    assert px[40, 70].tolist() == [0, 100, 200]
    assert px[100, 150].tolist() == [10, 20, 30]
    assert px[49, 79].tolist() == [0, 100, 200] and px[50, 80].tolist() == [10, 20, 30]


def test_zoom_to_fit_scales_100x50_to_400x200(movra, host):
    p = make_panel(movra, host, width=400, height=400)
    p.SetZoomToFit()
    img = np.zeros((50, 100, 3), np.uint8)
    img[:, :50] = (255, 0, 0)
    img[:, 50:] = (0, 0, 255)
    p.SetMat(img)
    win = panel_window(host, p)
    assert tuple(win.GetClientSize()) == (400, 400)
    px = grab(win)
    assert px[100, 195].tolist() == [0, 0, 255]  # blue half, 4x wide
    assert px[100, 205].tolist() == [255, 0, 0]
    assert px[199, 399].tolist() == [255, 0, 0]
    assert px[201, 200].tolist() == [0, 0, 0]  # below the fitted image: background


def test_a_smaller_image_after_a_larger_one_shows_nothing_of_the_first(movra, host):
    # The window's pixel store outlives a picture that shrinks: only the new picture's pixels
    # may reach the window, the rest is background.
    p = make_panel(movra, host, width=400, height=300)
    win = panel_window(host, p)
    p.SetMat(np.full((300, 400, 3), (0, 0, 255), np.uint8))
    assert grab(win)[150, 200].tolist() == [255, 0, 0]  # red, read back as RGB
    small = np.zeros((50, 100, 3), np.uint8)
    small[:, :, 1] = np.arange(100, dtype=np.uint8)[None, :] + 100
    p.SetMat(small)
    px = grab(win)
    assert np.array_equal(px[:50, :100, ::-1], small)
    assert not (px[50:, :] == [255, 0, 0]).all(axis=-1).any()
    assert not (px[:, 100:] == [255, 0, 0]).all(axis=-1).any()


def test_zoom_to_fit_shows_a_long_strip_as_a_one_pixel_line(movra, host, tmp_path):
    # Fitting 2000 x 3 into 400 x 300 scales the width to 0.45 px, which OpenCV refuses: the
    # strip must still load and show, one pixel wide, not fail with its pixels half taken.
    p = make_panel(movra, host, width=400, height=300)
    p.SetZoomToFit()
    strip = np.zeros((2000, 3, 3), np.uint8)
    strip[:1000] = (0, 0, 255)
    strip[1000:] = (0, 255, 0)
    path = tmp_path / "strip.png"
    cv2.imwrite(str(path), strip)
    assert p.LoadImage(str(path)) is True
    np.testing.assert_array_equal(p.GetMat(), strip)
    px = grab(panel_window(host, p))
    assert (px[:149, 0] == [255, 0, 0]).all() and (px[151:300, 0] == [0, 255, 0]).all()
    assert (px[:, 1:] == [0, 0, 0]).all()
    # A row as wide as the window is long likewise becomes one pixel high.
    p.SetMat(np.full((2, 4000, 3), 200, np.uint8))
    px = grab(panel_window(host, p))
    assert (px[0] == [200, 200, 200]).all() and (px[1:] == [0, 0, 0]).all()


def test_mode_switch_zoom_steps_and_original(movra, host):
    p = make_panel(movra, host, width=400, height=400)
    img = np.full((100, 100, 3), 255, np.uint8)
    p.SetMat(img)
    win = panel_window(host, p)

    def extent():
        row = grab(win)[10]
        return int(np.count_nonzero(row.sum(axis=1) > 600))

    assert extent() == 100
    p.SetMode(1)
    assert extent() == 400
    p.SetMode(0)
    assert extent() == 100
    p.SetZoomIn()  # 1.0 -> 1.25
    assert extent() == 125
    p.SetZoomOut()
    p.SetZoomOut()  # 1.25 -> 1.0 -> 0.9
    assert extent() == 90
    p.SetZoomToFit()
    assert extent() == 400
    p.SetOriginal()
    assert extent() == 100


def test_zoom_steps_stop_before_the_display_bitmap_gets_too_large(movra, host):
    p = make_panel(movra, host)
    big = np.full((3000, 4000, 3), 128, np.uint8)
    p.SetMat(big)
    for _ in range(60):  # unbounded, this would ask for an 80000 x 60000 bitmap
        p.SetZoomIn()
    settle()
    assert p.IsOk() and p.GetMat().shape == big.shape
    px = grab(panel_window(host, p))
    assert px[150, 200].tolist() == [128, 128, 128]


def test_zooming_out_brings_an_undrawably_wide_image_on_screen(movra, host):
    # 40000 px wide: cairo draws nothing wider than 32767, and one step out (36000) is not
    # enough either; zooming out must end on a bitmap that can be drawn.
    p = make_panel(movra, host, width=400, height=300)
    img = np.zeros((8, 40000, 3), np.uint8)
    img[:, :20000] = (0, 0, 255)
    img[:, 20000:] = (255, 0, 0)
    p.SetMat(img)
    win = panel_window(host, p)
    p.SetZoomOut()
    px = grab(win)
    assert (px[:6, :] == (255, 0, 0)).all()  # the red half, scaled to about 0.82
    assert (px[8:, :] == (0, 0, 0)).all()
    p.SetZoomIn()  # back to 0.92 would be too wide again: refused
    assert (grab(win)[:6, :] == (255, 0, 0)).all()
    assert np.array_equal(p.GetMat(), img)


@pytest.mark.x11  # int window handles
def test_a_kept_zoom_does_not_enlarge_the_next_image_without_bound(tmp_path):
    # A mode other than the two known ones keeps the scale of the previous image: here 20,
    # which for the next image would ask for a 40000 x 30000 copy and bitmap (8 GB). The
    # image is stored either way; LoadImage must say so, and the panel must show it.
    img = np.zeros((1500, 2000, 3), np.uint8)
    img[:, :1000] = (0, 0, 255)
    img[:, 1000:] = (255, 0, 0)
    path = tmp_path / "next.png"
    cv2.imwrite(str(path), img)
    r = run_python(f"""
        import os, resource
        # A regression fails its allocation quickly instead of exhausting the machine. (Under
        # the sanitizer, whose shadow memory needs the address space, max_allocation_size_mb
        # does that.)
        if not os.environ.get("MOVRA_SANITIZED"):
            resource.setrlimit(resource.RLIMIT_AS, (4 << 30, 4 << 30))
        import numpy as np, wx, MovraModule
        from wxutil import grab, panel_window, settle
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        frame = wx.Frame(None, pos=(0, 0), size=(900, 700))
        host = wx.Panel(frame)
        frame.Show()
        settle()
        p = MovraModule.MovraPanel(host.GetHandle(), width=400, height=300)
        p.SetMat(np.full((10, 10, 3), 9, np.uint8))
        p.SetMode(7)
        for _ in range(60):
            p.SetZoomIn()
        print("LOADED", p.LoadImage({str(path)!r}))
        print("SHAPE", p.GetMat().shape)
        print("PIXEL", grab(panel_window(host, p))[150, 200].tolist())
    """, timeout=120)
    assert r.returncode == 0, r.stderr[-2000:]
    lines = [l for l in r.stdout.splitlines() if l.split()[0] in ("LOADED", "SHAPE", "PIXEL")]
    assert lines == ["LOADED True", "SHAPE (1500, 2000, 3)", "PIXEL [255, 0, 0]"]


def test_center_cross_and_guide_settings(movra, host):
    p = make_panel(movra, host, width=400, height=300)
    assert p.GetGuideLineMode() == movra.GuideLineMode.Off
    assert p.GetAspectRatio() == movra.AspectRatio.AR_16_9
    assert p.GetGuideLineVisible() is True
    p.SetMat(np.zeros((100, 200, 3), np.uint8))
    p.SetGuideLineMode(movra.GuideLineMode.CenterCross)
    assert p.GetGuideLineMode() == movra.GuideLineMode.CenterCross
    win = panel_window(host, p)
    px = grab(win)
    # Centre (100, 50): solid 40-pixel cross, then 20-pixel dashes every 40 pixels.
    for x in (85, 100, 115, 150, 190, 50, 10):
        assert is_green(px[50, x]), x
    for x in (130, 170, 70, 30):
        assert px[50, x].tolist() == [0, 0, 0], x
    for y in (35, 65, 5, 95):
        assert is_green(px[y, 100]), y
    assert px[80, 100].tolist() == [0, 0, 0]
    assert px[50, 250].tolist() == [0, 0, 0]  # guide lines stay on the image

    p.SetGuideLineVisible(False)
    assert p.GetGuideLineMode() == movra.GuideLineMode.CenterCross
    assert not grab(win)[:100, :200].any()
    with pytest.raises(TypeError):
        p.SetGuideLineMode(2)


def test_rule_of_thirds_lines_and_circles(movra, host):
    p = make_panel(movra, host, width=400, height=400)
    p.SetMat(np.zeros((300, 300, 3), np.uint8))
    p.SetGuideLineMode(movra.GuideLineMode.RuleOfThirds)
    px = grab(panel_window(host, p))
    assert is_green(px[100, 10]) and is_green(px[200, 50]) and is_green(px[10, 200])
    assert px[100, 30].tolist() == [0, 0, 0]
    # A 10 x 10 circle around each crossing: its ring passes 5 pixels from the centre.
    assert is_green(px[100, 95]) or is_green(px[100, 96])
    assert px[150, 150].tolist() == [0, 0, 0]


def test_aspect_ratio_outline(movra, host):
    p = make_panel(movra, host, width=500, height=500)
    p.SetMat(np.zeros((400, 400, 3), np.uint8))
    p.SetGuideLineMode(movra.GuideLineMode.AspectRatioMask)
    win = panel_window(host, p)
    px = grab(win)
    # 16:9 in 400 x 400: x 0, y 87, 400 x 225.
    assert is_green(px[87, 200]) and is_green(px[311, 200])
    assert px[86, 200].tolist() == [0, 0, 0] and px[200, 200].tolist() == [0, 0, 0]
    assert is_green(px[200, 0])
    p.SetAspectRatio(movra.AspectRatio.AR_9_16)
    assert p.GetAspectRatio() == movra.AspectRatio.AR_9_16
    px = grab(win)
    # 9:16 in 400 x 400: x 87, y 0, 225 x 400.
    assert is_green(px[200, 87]) and is_green(px[200, 311])
    assert px[87, 200].tolist() == [0, 0, 0]


def test_guide_line_colour_and_thickness(movra, host):
    p = make_panel(movra, host)
    p.SetMat(np.zeros((100, 200, 3), np.uint8))
    p.SetGuideLineMode(movra.GuideLineMode.CornerMarkers)
    p.SetGuideLineThickness(5)
    p.SetGuideLineColor(0, 0, 255)  # red, alpha 180, thickness kept
    px = grab(panel_window(host, p))
    r, g, b = px[1, 10].tolist()
    assert 150 <= r <= 200 and g < 20 and b < 20  # 180 of 255 over black
    assert px[2, 10, 0] > 150  # 5 pixels wide: reaches row 2
    assert px[10, 30].tolist() == [0, 0, 0]  # markers are 20 long on a 200 x 100 image


# --- host window destroyed first ---------------------------------------------------------


def require_no_live_panels():
    if hidden_frames():
        pytest.skip("panels of other tests are still alive")


@pytest.mark.x11  # int window handles
def test_host_destroyed_first_leaves_a_safe_empty_wrapper(movra, wx_app, tmp_path):
    require_no_live_panels()
    frame = wx.Frame(None)
    host = wx.Panel(frame)
    frame.Show()
    settle()
    p = movra.MovraPanel(host.GetHandle())
    p.SetMat(np.ones((10, 10, 3), np.uint8))
    p.SetGuideLineMode(movra.GuideLineMode.DiagonalLines)
    frame.Destroy()
    settle()
    assert p.IsOk() is False
    assert p.GetHandle() == 0
    assert p.GetMat().shape == (0,)
    assert p.GetGuideLineMode() == movra.GuideLineMode.Off
    assert p.GetAspectRatio() == movra.AspectRatio.AR_16_9
    assert p.GetGuideLineVisible() is False
    assert p.LoadImage(str(tmp_path / "x.png")) is False
    p.SetMat(np.ones((10, 10, 3), np.uint8))
    p.SetMode(1)
    p.SetSize(10, 10)
    p.SetZoomIn()
    p.SetGuideLineColor(1, 2, 3)
    p.Refresh()
    del p
    settle()
    # The orphaned panel was the last one: the hidden frame went with it.
    assert hidden_frames() == []


def test_hidden_frame_lives_until_the_last_panel_goes(movra, host):
    require_no_live_panels()
    a = make_panel(movra, host)
    b = make_panel(movra, host, x=410)
    assert len(hidden_frames()) == 1
    del a
    settle()
    assert len(hidden_frames()) == 1
    assert b.IsOk()
    del b
    settle()
    assert hidden_frames() == []
    # A new panel makes a new hidden frame.
    c = make_panel(movra, host)
    assert len(hidden_frames()) == 1 and c.IsOk()
