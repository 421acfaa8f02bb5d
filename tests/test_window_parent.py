"""Both panel classes take a wx.Window object where they take a native handle: the panel goes
under the window at once, also before its frame is shown (when the handle is still 0), and a
wrong object is refused with a TypeError before any window or window id is taken."""

import numpy as np
import pytest

wx = pytest.importorskip("wx")

from pyrun import run_python  # noqa: E402
from wxutil import grab, hidden_frames, on_x11, settle  # noqa: E402


def pattern(h, w):
    """Blocks of distinct colours: a shifted, scaled or mirrored picture cannot match."""
    img = np.zeros((h, w, 3), np.uint8)
    for i, y in enumerate(range(0, h, 25)):
        for j, x in enumerate(range(0, w, 25)):
            img[y:y + 25, x:x + 25] = ((i * 37) % 256, (j * 53) % 256, ((i + j) * 29) % 256)
    return img


@pytest.mark.parametrize("cls", ["MovraPanel", "MovraROIAdvPanel"])
def test_panel_under_a_never_shown_window_appears_with_its_frame(movra, wx_app, cls):
    frame = wx.Frame(None, pos=(0, 0), size=(700, 500))
    host = wx.Panel(frame)
    try:
        assert host.GetHandle() == 0  # what makes the int path fail before Show
        p = getattr(movra, cls)(host, x=20, y=10, width=300, height=200)
        (win,) = host.GetChildren()
        assert (tuple(win.GetPosition()), tuple(win.GetSize())) == ((20, 10), (300, 200))
        assert wx.Window.FindWindowById(win.GetId()) is win
        img = pattern(200, 300)
        p.SetMat(img)
        frame.Show()
        settle()
        if on_x11():
            assert p.GetHandle() == win.GetHandle() != 0
        else:  # a Wayland handle names only the top-level window: the panel has none
            assert p.GetHandle() == 0
        px = grab(win)
        assert np.array_equal(px, img[:, :, ::-1])
        del p
        settle()
        assert len(host.GetChildren()) == 0
    finally:
        frame.Destroy()
        settle()


def test_wrong_parent_objects_are_refused_before_anything_is_made(movra, host):
    gone = wx.Frame(None)
    gone.Destroy()
    settle()
    dying_frame = wx.Frame(None)
    dying = wx.Panel(dying_frame)
    dying_frame.Destroy()  # a top-level window goes at the next idle time: dying, not gone
    children = len(host.GetChildren())
    frames = len(hidden_frames())
    cases = [
        ("MovraPanel", "a string", r"an int \(a native window handle\) or a wx\.Window, not str$"),
        ("MovraROIAdvPanel", wx.Size(3, 4), r"or a wx\.Window, not Size$"),
        ("MovraROIAdvPanel", None, r"or a wx\.Window, not NoneType$"),
        ("MovraPanel", gone, r"^parent_handle must be a live wx\.Window; this Frame has been "
                             r"destroyed$"),
        ("MovraROIAdvPanel", dying, r"this Panel has been destroyed$"),
    ]
    for cls, parent, message in cases:
        with pytest.raises(TypeError, match=message):
            getattr(movra, cls)(parent)
    settle()
    assert len(host.GetChildren()) == children
    assert len(hidden_frames()) == frames
    # The int path is the one it was: its own errors, and a handle still works.
    with pytest.raises(TypeError, match="incompatible constructor arguments"):
        movra.MovraROIAdvPanel(-5)
    with pytest.raises(RuntimeError, match=r"^parent_handle cannot be 0\."):
        movra.MovraPanel(0)
    if on_x11():  # under Wayland a handle is refused (test_wayland.py)
        assert movra.MovraPanel(host.GetHandle()).IsOk()


def test_ids_hidden_frame_and_live_count_as_for_handles():
    r = run_python("""
        import wx, MovraModule
        from wxutil import settle, hidden_frames
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        frame = wx.Frame(None)
        host = wx.Panel(frame)
        a = MovraModule.MovraROIAdvPanel(host)
        for bad in ("x", wx.Bitmap(2, 2)):
            try:
                MovraModule.MovraPanel(bad)
            except TypeError:
                pass
        b = MovraModule.MovraPanel(host)
        print("IDS", sorted(c.GetId() for c in host.GetChildren()), hidden_frames()[0].GetId())
        del a
        settle()
        print("FRAMES", len(hidden_frames()))
        del b
        settle()
        print("FRAMES", len(hidden_frames()))
    """)
    assert r.returncode == 0, r.stderr
    assert "IDS [10000, 10002] 10001" in r.stdout
    assert r.stdout.count("FRAMES") == 2 and "FRAMES 1\nFRAMES 0" in r.stdout
