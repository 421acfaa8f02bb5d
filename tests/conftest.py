"""Shared fixtures: the built module on sys.path, one wx.App per session, scratch folders."""

import os
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("MOVRA_BUILD_DIR", ROOT / "build")).resolve()
if str(BUILD) not in sys.path:
    sys.path.insert(0, str(BUILD))


@pytest.fixture(scope="session")
def movra():
    import MovraModule

    return MovraModule


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "x11: needs GTK on X11 (int window handles); skipped in the Wayland pass")


def pytest_collection_modifyitems(config, items):
    if os.environ.get("GDK_BACKEND") != "wayland":
        return
    skip = pytest.mark.skip(reason="needs X11: under Wayland a handle names only the top-level "
                                   "window")
    for item in items:
        if "x11" in item.keywords:
            item.add_marker(skip)


# --- wx fixtures: one wx.App for the whole session, a shown host window per test.


@pytest.fixture(scope="session")
def wx_app():
    wx = pytest.importorskip("wx")
    app = wx.App(False)
    # wxLogError would otherwise open a modal dialog at the next idle time and block the run.
    wx.Log.SetActiveTarget(wx.LogStderr())
    yield app


@pytest.fixture
def host(wx_app):
    """A shown frame holding one wx.Panel (the host window); destroyed after the test."""
    import wx

    from wxutil import settle

    frame = wx.Frame(None, title="host", pos=(0, 0), size=(900, 700))
    panel = wx.Panel(frame)
    frame.Show()
    frame.Raise()
    settle()
    yield panel
    if frame:
        frame.Destroy()
    settle()


@pytest.fixture
def editing(movra, host):
    """A 400 x 300 panel showing a grey 400 x 300 image at zoom 1, editing rectangles."""
    import numpy as np

    from wxutil import Pointer, make_roi_panel, panel_window

    p = make_roi_panel(movra, host)
    p.SetMat(np.full((300, 400, 3), 90, np.uint8))
    p.SetROIMode(movra.CvROIMode.Rectangle)
    p.SetFuncEnable(True, True, True)
    win = panel_window(host, p)
    pointer = Pointer(win)
    yield p, pointer, win
    pointer.away()


@pytest.fixture
def studio(wx_app, movra):
    """Movra Studio's main frame, shown and started, and the list of messages it reported."""
    if str(ROOT / "app") not in sys.path:
        sys.path.insert(0, str(ROOT / "app"))
    from movra_studio.main_frame import StudioFrame
    from wxutil import settle

    messages = []
    frame = StudioFrame(movra, report=lambda title, text: messages.append(text), size=(1000, 700))
    frame.SetPosition((0, 0))
    frame.Show()
    settle()
    frame.start()
    settle()
    yield frame, messages
    frame.Close(force=True)
    settle()
