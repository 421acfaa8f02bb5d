"""Helpers for GUI tests: let wx paint, read back what a window shows, find module windows."""

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
