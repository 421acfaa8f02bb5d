"""Panel lifetimes and memory over long use, for both Python panel classes: every order in which
a panel, its host window, the frame and the interpreter can go; hundreds of panels in one
process; resident memory over a thousand image and overlay cycles.

Memory is read from /proc/self/statm after a warm-up and held to generous bounds: these tests
catch leaks, they do not measure. Under the sanitizer build (MOVRA_SANITIZED) the cycles still
run, but AddressSanitizer keeps freed blocks in quarantine, so the bounds are not asserted.
"""

import os
import textwrap

import numpy as np
import pytest

wx = pytest.importorskip("wx")
cv2 = pytest.importorskip("cv2")

import imagegen  # noqa: E402
from pyrun import run_python  # noqa: E402
from wxutil import grab, hidden_frames, panel_window, settle  # noqa: E402

CLASSES = ["MovraPanel", "MovraROIAdvPanel"]
SANITIZED = bool(os.environ.get("MOVRA_SANITIZED"))
GROWTH_LIMIT_MB = 30


def rss_mb():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 2**20


def assert_steady(before, after, what):
    if not SANITIZED:
        assert after - before < GROWTH_LIMIT_MB, f"{what}: {before:.0f} MB -> {after:.0f} MB"


def new_host(size=(700, 500)):
    frame = wx.Frame(None, pos=(0, 0), size=size)
    host = wx.Panel(frame)
    frame.Show()
    settle()
    return frame, host


def assert_live_count_zero(cls):
    """The live-panel count is exactly zero: there is no hidden frame, and of two new panels
    the first to go leaves the frame (the count was not below zero) and the second takes it
    (nor above)."""
    settle()
    assert hidden_frames() == []
    frame, host = new_host()
    a, b = cls(host.GetHandle()), cls(host.GetHandle(), x=200)
    del a
    settle()
    assert len(hidden_frames()) == 1
    del b
    settle()
    assert hidden_frames() == []
    frame.Destroy()
    settle()


def run_fresh(body, timeout=120):
    """Runs `body` in a fresh interpreter, which must end normally and report nothing."""
    r = run_python(body, timeout)
    assert r.returncode == 0, r.stderr[-3000:]
    assert "Sanitizer" not in r.stderr and "Traceback" not in r.stderr, r.stderr[-3000:]
    return r.stdout


# --- destroy orders ----------------------------------------------------------------------


@pytest.mark.parametrize("name", CLASSES)
def test_every_destroy_order_keeps_wrappers_safe_and_the_count_right(movra, wx_app, name):
    cls = getattr(movra, name)
    if hidden_frames():
        pytest.skip("panels of other tests are still alive")
    img = np.full((60, 80, 3), 200, np.uint8)

    # The panel goes first, then its host.
    frame, host = new_host()
    p = cls(host.GetHandle())
    p.SetMat(img)
    del p
    settle()
    assert len(host.GetChildren()) == 0 and hidden_frames() == []
    frame.Destroy()
    assert_live_count_zero(cls)

    # The host goes first; the wrapper outlives it and then goes.
    frame, host = new_host()
    p = cls(host.GetHandle())
    p.SetMat(img)
    host.Destroy()
    settle()
    assert not p.IsOk() and p.GetMat().shape == (0,)
    del p
    frame.Destroy()
    assert_live_count_zero(cls)

    # The host program destroys the panel's window itself, as DestroyChildren does.
    frame, host = new_host()
    p = cls(host.GetHandle())
    q = cls(host.GetHandle(), x=300)
    host.DestroyChildren()
    settle()
    assert not p.IsOk() and not q.IsOk() and hidden_frames() == []
    p.SetMat(img)
    p.Refresh()
    del p, q
    frame.Destroy()
    assert_live_count_zero(cls)

    # A panel hosted by another module panel: the outer one goes first and takes the inner
    # one with it, inside its own destruction.
    frame, host = new_host()
    outer = cls(host.GetHandle())
    inner = movra.MovraPanel(outer.GetHandle(), width=50, height=40)
    assert inner.IsOk()
    del outer
    settle()
    assert not inner.IsOk() and hidden_frames() == []
    del inner
    frame.Destroy()
    assert_live_count_zero(cls)

    # The user closes the frame while both kinds of panel live in it: the frame goes at idle
    # time, the panels with it, and the event loop ends with no window left.
    frame, host = new_host()
    panels = [cls(host.GetHandle()), movra.MovraPanel(host.GetHandle(), x=300)]
    for p in panels:
        p.SetMat(img)
    wx.CallLater(100, frame.Close)
    safety = wx.CallLater(5000, wx_app.ExitMainLoop)  # the test fails rather than hangs
    timer = wx.StopWatch()
    wx_app.MainLoop()
    safety.Stop()
    assert timer.Time() < 4000, "the event loop outlived the closed frame"
    assert not any(p.IsOk() for p in panels) and hidden_frames() == []
    del panels
    assert_live_count_zero(cls)


EXIT_PRELUDE = """
import numpy as np, wx, MovraModule
from wxutil import settle
app = wx.App(False)
wx.Log.SetActiveTarget(wx.LogStderr())

def hosted():
    f = wx.Frame(None); host = wx.Panel(f); f.Show(); settle()
    return f, host

def decorate(p):
    p.SetMat(np.full((40, 50, 3), 7, np.uint8))
    if hasattr(p, "SetOnCropCallback"):
        p.SetOnCropCallback(lambda rect: p.GetRect())
        p.SetOnMouseMoveCallback(lambda pt: p.IsOk())
        p.SetOnRightClickCallback(lambda pt, code: True)
        p.AppendOverlay(3, [(1, 2), (30, 20)], (0, 255, 0))
    return p
"""

EXIT_STATES = {
    # The user closed the frame and the event loop ended; the wrappers are still referenced.
    "closed_by_the_user": """
        f, host = hosted()
        closed = [decorate(cls(host.GetHandle())) for _ in range(3)]
        wx.CallLater(50, f.Close)
        app.MainLoop()
        print("DONE", [p.IsOk() for p in closed])
    """,
    # One panel alive in a live host, one in a reference cycle that only the last collection
    # frees, after wx has shut down.
    "alive_and_in_a_cycle": """
        f, host = hosted()
        live = decorate(cls(host.GetHandle()))
        cycle = [decorate(cls(host.GetHandle(), x=100))]
        cycle.append(cycle)
        del cycle
        print("DONE", live.IsOk())
    """,
    # The host destroyed its application object while a panel lives.
    "application_destroyed": """
        f, host = hosted()
        live = decorate(cls(host.GetHandle()))
        app.Destroy()
        print("DONE", live.IsOk())
    """,
}


@pytest.mark.parametrize("state", EXIT_STATES)
@pytest.mark.parametrize("name", CLASSES)
def test_interpreter_exit_with_live_panels(movra, name, state):
    out = run_fresh(EXIT_PRELUDE + f"cls = MovraModule.{name}\n"
                    + textwrap.dedent(EXIT_STATES[state]))
    assert "DONE" in out


def test_500_panels_in_one_process_leave_nothing_behind(movra):
    names = CLASSES
    out = run_fresh(f"""
        import os, numpy as np, wx, MovraModule
        from wxutil import settle, hidden_frames
        def rss():
            return int(open("/proc/self/statm").read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        f = wx.Frame(None, size=(500, 400)); host = wx.Panel(f); f.Show(); settle()
        img = np.random.default_rng(0).integers(0, 256, (240, 320, 3), dtype=np.uint8)
        windows = len(wx.GetTopLevelWindows())
        for name in {names!r}:
            cls = getattr(MovraModule, name)
            for i in range(500):
                if i == 50:
                    settle()
                    start = rss()
                p = cls(host.GetHandle(), width=320, height=240)
                p.SetMat(img)
                if i % 7 == 0:
                    p2 = cls(host.GetHandle())  # two alive at once now and then
                    del p2
                del p
                if i % 25 == 0:
                    settle(2)
            settle()
            print("RESULT", name, len(host.GetChildren()) == 0, len(hidden_frames()),
                  len(wx.GetTopLevelWindows()) == windows, (rss() - start) >> 20)
    """, timeout=600)
    results = [line.split()[1:] for line in out.splitlines() if line.startswith("RESULT")]
    assert [r[0] for r in results] == names
    for name, children_gone, frames, windows_back, growth in results:
        assert (children_gone, frames, windows_back) == ("True", "0", "True"), name
        if not SANITIZED:
            assert int(growth) < GROWTH_LIMIT_MB, f"{name}: {growth} MB over 450 panels"
    for name in names:
        assert_live_count_zero(getattr(movra, name))


# --- memory over long use ----------------------------------------------------------------


@pytest.fixture(scope="module")
def image_files(tmp_path_factory):
    """About one megapixel in each format a host loads most, by the real encoders."""
    folder = tmp_path_factory.mktemp("cycle_files")
    img = imagegen.pattern(768, 1024)
    return [
        imagegen.make_jpeg(folder / "a.jpg", img),
        imagegen.write_cv(folder / "b.png", img),
        imagegen.write_cv(folder / "c.tif", imagegen.pattern(600, 800, channels=1)),
        imagegen.make_heif(folder / "d.heic", img[:384, :512], quality=60),
        imagegen.make_jxl(folder / "e.jxl", img[:384, :512], distance=2.0),
    ]


@pytest.mark.parametrize("name", CLASSES)
def test_1000_image_cycles_keep_resident_memory_steady(movra, host, image_files, name):
    cls = getattr(movra, name)
    p = cls(host.GetHandle(), width=400, height=300)
    p.SetZoomToFit()
    rng = np.random.default_rng(3)
    # Two 1 MP images of different shapes, so buffers are given up and taken anew.
    images = [rng.integers(0, 256, (1000, 1000, 3), dtype=np.uint8),
              rng.integers(0, 256, (800, 1250, 3), dtype=np.uint8)]
    start = None
    for i in range(1000):
        if i == 100:
            settle()
            start = rss_mb()
        if i % 2:
            assert p.LoadImage(str(image_files[(i // 2) % len(image_files)]))
        else:
            p.SetMat(images[(i // 2) % 2])
        if i % 100 == 99:
            assert p.GetMat().shape[2] == 3
            settle(1)
    settle()
    assert_steady(start, rss_mb(), f"{name}: 900 SetMat/LoadImage cycles")
    # Still whole: the last image is the one on the screen.
    p.SetMat(np.full((300, 400, 3), (0, 0, 255), np.uint8))
    assert (grab(panel_window(host, p))[150, 200] == [255, 0, 0]).all()


def test_1000_overlays_appended_and_cleared_repeatedly(movra, host):
    cls = movra.MovraROIAdvPanel
    p = cls(host.GetHandle(), width=400, height=300)
    p.SetMat(np.zeros((1000, 1000, 3), np.uint8))
    p.SetZoomToFit()
    rng = np.random.default_rng(5)
    masks = [(rng.random((1000, 1000)) < 0.3).astype(np.uint8) for _ in range(2)]
    shapes = [(1, [(500, 500)]), (2, [(10, 10), (990, 990)]), (3, [(100, 100), (300, 200)]),
              (4, [(500, 500), (300, 120)]), (5, [(500, 500), (200, 0)]),
              (7, [(100, 900), (500, 100), (900, 900), (500, 600)])]
    start = None
    for round_ in range(8):
        if round_ == 2:
            settle()
            start = rss_mb()
        for i in range(1000):
            if i % 100 == 0:
                index = p.AppendMaskOverlay(masks[i // 100 % 2], (255, 0, 0), 0.5)
            else:
                mode, points = shapes[i % len(shapes)]
                index = p.AppendOverlay(mode, points, (0, 255, 0), 1 + i % 3, float(i % 90))
            assert index == i
        p.SetDisplayOverlay(True)
        if round_ == 0:
            px = grab(panel_window(host, p))
            assert (px[..., 1] > 200).any() and (px[..., 2] > 100).any()  # shapes, blue masks
        else:
            p.Refresh()
            settle(2)
        p.ClearOverlay()
        assert p.AppendOverlay(0, [(1, 1)], (0, 0, 255)) == 0
        p.ClearOverlay()
    settle()
    assert_steady(start, rss_mb(), "6 rounds of 1,000 overlays")
    # Cleared means gone from the screen too: the fitted black image shows nothing else.
    px = grab(panel_window(host, p))
    assert not px[10:290, 60:340].any()
