"""Helpers for GUI tests: let wx paint, read back what a window shows, find module windows."""

import contextlib
import sys
import time

import numpy as np
import wx

HIDDEN_FRAME_TITLE = "MovraModule Hidden Frame"


def settle(rounds=6):
    """Let wx handle pending paints, sizes and idle-time deletions."""
    for _ in range(rounds):
        wx.SafeYield(None, True)
        time.sleep(0.01)


def panel_window(host, movra_panel):
    """The wx.Window of a MovraPanel, found among the host's children by its X11 handle."""
    handle = movra_panel.GetHandle()
    for child in host.GetChildren():
        if child.GetHandle() == handle:
            return child
    raise AssertionError("panel window not found under its host")


def _grab_once(window):
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


def grab(window, max_rounds=40):
    """RGB pixels (rows, cols, 3) of the window's client area as shown on the screen.

    GTK 3 paints on its frame clock, not when asked, so the screen is read until two reads a
    frame apart agree."""
    window.Refresh()
    window.Update()
    settle()
    last = _grab_once(window)
    for _ in range(max_rounds):
        settle(3)
        now = _grab_once(window)
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
    panel = movra.MovraROIAdvPanel(host.GetHandle(), **kw)
    settle()
    return panel


class Pointer:
    """Moves the X pointer and presses buttons (wx.UIActionSimulator) over a panel's window."""

    def __init__(self, win):
        self.sim = wx.UIActionSimulator()
        # Taken once: a test may destroy the window while the pointer still moves.
        self.origin = win.ClientToScreen((0, 0))

    def move(self, x, y):
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
