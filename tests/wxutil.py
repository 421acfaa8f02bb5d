"""Helpers for GUI tests: let wx paint, read back what a window shows, find module windows."""

import contextlib
import sys
import time
import weakref
from pathlib import Path

import numpy as np
import wx

HIDDEN_FRAME_TITLE = "MovraModule Hidden Frame"
# Movra Studio's window drawing (movra_studio.window_render) serves the tests too.
_APP = str(Path(__file__).resolve().parent.parent / "app")
if _APP not in sys.path:
    sys.path.append(_APP)


def settle(rounds=6):
    """Let wx handle pending paints, sizes and idle-time deletions."""
    for _ in range(rounds):
        wx.SafeYield(None, True)
        time.sleep(0.01)


# The wx.Window of each panel that embed() made, by the panel object. Weak keys: a test that
# drops its panel must see it go (the live count, the hidden frame).
_windows = weakref.WeakKeyDictionary()


def embed(cls, host, **kw):
    """cls(host, **kw), the host given as the window object (the form that works on X11 and
    Wayland), with the panel's wx.Window noted for panel_window()."""
    before = set(host.GetChildren())
    panel = cls(host, **kw)
    added = [c for c in host.GetChildren() if c not in before]
    assert len(added) == 1, f"{len(added)} windows appeared under the host, not 1"
    _windows[panel] = added[0]
    return panel


def panel_window(host, movra_panel):
    """The wx.Window of a module panel under `host`: the one embed() noted, else the host's only
    child. (Native handles cannot say: on Wayland every window's handle is its top-level's.)"""
    window = _windows.get(movra_panel)
    if window:  # noted and not destroyed
        return window
    children = [c for c in host.GetChildren() if c not in _windows.values()]
    assert len(children) == 1, "panel window not found under its host"
    return children[0]


def on_x11():
    """Whether GTK runs on X11 here (Xvfb, XWayland), not on Wayland."""
    from movra_studio import window_render

    return window_render.on_x11()


def _read_screen(window):
    # A client DC reads the window's own X11 contents; wx.ScreenDC on GTK 3 can return what
    # the root window showed earlier.
    w, h = window.GetClientSize()
    bmp = wx.Bitmap(w, h, 24)
    mdc = wx.MemoryDC(bmp)
    mdc.Blit(0, 0, w, h, wx.ClientDC(window), 0, 0)
    mdc.SelectObject(wx.NullBitmap)
    buf = bytearray(w * h * 3)
    bmp.CopyToBuffer(buf, wx.BitmapBufferFormat_RGB)
    return np.frombuffer(bytes(buf), np.uint8).reshape(h, w, 3)


def _read_drawing(window):
    # Wayland lets no client read the screen (a client DC reads back black): the window is
    # drawn by GTK into an image instead, through the same paint handler.
    from movra_studio import window_render

    w, h = window.GetClientSize()  # without the scroll bars a scrolled panel may show
    return window_render.render(window)[:h, :w]


def grab(window, max_rounds=40):
    """RGB pixels (rows, cols, 3) of the window's client area as shown: on X11 read from the
    screen, elsewhere as GTK draws it.

    GTK 3 paints on its frame clock, not when asked, so it is read until two reads a frame
    apart agree."""
    read = _read_screen if on_x11() else _read_drawing
    window.Refresh()
    window.Update()
    settle()
    last = read(window)
    for _ in range(max_rounds):
        settle(3)
        now = read(window)
        if np.array_equal(now, last):
            return now
        last = now
    return last


def hidden_frames():
    return [
        w
        for w in wx.GetTopLevelWindows()
        if w.GetTitle() == HIDDEN_FRAME_TITLE and not w.IsBeingDeleted()
    ]


def pump(rounds=6):
    """Like settle, but with user input enabled: wx.SafeYield disables every window while it
    yields, which drops the real input that wx.UIActionSimulator sends."""
    app = wx.GetApp()
    for _ in range(rounds):
        app.Yield(True)
        time.sleep(0.01)


def make_roi_panel(movra, host, **kw):
    """A MovraROIAdvPanel of 400 x 300 (unless given) in `host`, settled."""
    kw.setdefault("width", 400)
    kw.setdefault("height", 300)
    panel = embed(movra.MovraROIAdvPanel, host, **kw)
    settle()
    return panel


class Pointer:
    """Moves the X pointer and presses buttons (wx.UIActionSimulator) over a panel's window.
    Only X11 lets a client move the pointer: elsewhere the first step skips the test."""

    def __init__(self, win):
        self.sim = wx.UIActionSimulator()
        self.injects = on_x11()
        # Taken once: a test may destroy the window while the pointer still moves.
        self.origin = win.ClientToScreen((0, 0))

    def move(self, x, y):
        if not self.injects:
            import pytest

            pytest.skip("needs pointer injection, which only X11 has")
        self.sim.MouseMove(self.origin[0] + x, self.origin[1] + y)
        pump(3)

    def drag(self, start, end):
        self.move(*start)
        self.sim.MouseDown()
        pump(3)
        self.move((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        self.move(*end)
        self.sim.MouseUp()
        pump(3)

    def click(self, x, y, button=wx.MOUSE_BTN_LEFT):
        self.move(x, y)
        self.sim.MouseClick(button)
        pump(6)

    def double_click(self, x, y, button=wx.MOUSE_BTN_LEFT):
        self.move(x, y)
        self.sim.MouseDblClick(button)
        pump(6)

    def away(self):
        # Off every test window, so that no later test gets stray motion.
        if not self.injects:
            return
        self.sim.MouseMove(1590, 1190)
        pump(3)


@contextlib.contextmanager
def unraisable():
    """The errors that reach sys.unraisablehook, as (exception type, object) pairs. Set in the
    test's body: pytest puts a hook of its own in place while a test runs."""
    seen = []
    previous = sys.unraisablehook
    sys.unraisablehook = lambda u: seen.append((u.exc_type, u.object))
    try:
        yield seen
    finally:
        sys.unraisablehook = previous
