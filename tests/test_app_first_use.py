"""Movra Studio as a new user meets it: what a fresh image shows and what the window says
about it, checked on the real window."""

import os
import sys

import cv2
import numpy as np
import pytest

from conftest import ROOT
from wxutil import grab, settle

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

GREY = 128
BG = (40, 42, 46)  # the image area's background, RGB


def _foreign_pixels(frame):
    """Pixels that are neither the grey test image nor the background around it."""
    shown = grab(frame.view.window).astype(int)
    grey = np.all(np.abs(shown - GREY) <= 2, axis=2)
    bg = np.all(np.abs(shown - np.array(BG)) <= 2, axis=2)
    return int(np.count_nonzero(~grey & ~bg))


def test_the_result_badge_goes_with_its_image(studio, tmp_path):
    frame, messages = studio
    paths = []
    for name in ("first.png", "second.png"):
        paths.append(str(tmp_path / name))
        cv2.imwrite(paths[-1], np.full((600, 800, 3), GREY, np.uint8))
    assert frame.open_path(paths[0])
    settle()
    assert _foreign_pixels(frame) == 0
    frame.set_result(1)
    settle()
    assert _foreign_pixels(frame) > 1000  # the FAIL badge
    assert frame.open_path(paths[1])
    settle()
    assert _foreign_pixels(frame) == 0
    assert not messages


def _jpeg_bytes():
    ys, xs = np.mgrid[0:480, 0:640]
    image = np.dstack([xs % 256, ys % 256, (xs + ys) % 256]).astype(np.uint8)
    ok, data = cv2.imencode(".jpg", image, [cv2.IMWRITE_JPEG_QUALITY, 95])
    assert ok
    return data.tobytes()


def test_a_damaged_jpeg_opens_flagged_and_the_status_bar_says_so(studio, tmp_path):
    frame, messages = studio
    data = _jpeg_bytes()
    sound, cut, corrupt, png = (tmp_path / n for n in ("sound.jpg", "cut.jpg", "bad.jpg", "a.png"))
    sound.write_bytes(data)
    cut.write_bytes(data[: len(data) // 2])
    # Bytes in the middle of the scan data replaced by a marker that cannot be there.
    bad = bytearray(data)
    bad[len(data) // 2: len(data) // 2 + 2] = b"\xff\xd0"
    corrupt.write_bytes(bytes(bad))
    cv2.imwrite(str(png), np.zeros((40, 40, 3), np.uint8))
    panel = frame.view.panel
    for path, damaged in ((sound, False), (cut, True), (corrupt, True), (png, False)):
        assert frame.open_path(str(path)), path
        assert panel.GetLoadedImageInfo()["damaged"] is damaged, path
        status = frame.GetStatusBar().GetStatusText(0)
        assert ("the file is damaged" in status) is damaged, status
    # A matrix is never damaged, whatever the file before it was.
    assert frame.open_path(str(cut))
    panel.SetMat(np.zeros((10, 10, 3), np.uint8))
    assert panel.GetLoadedImageInfo()["damaged"] is False
    assert not messages


def test_tool_letters_choose_the_tool_with_real_keys(studio):
    import wx

    from wxutil import pump

    frame, _ = studio
    frame.Raise()
    frame.view.window.SetFocus()
    pump()
    sim = wx.UIActionSimulator()
    for key, mode, name in (("c", 5, "Circle"), ("g", 7, "Polygon"), ("r", 3, "Rectangle")):
        sim.Char(ord(key))
        pump(6)
        assert frame.tool() == mode, key
        assert frame.GetStatusBar().GetStatusText(2) == f"Tool: {name}"


def test_start_focus_zoom_field_and_a_readout_that_never_goes_stale(studio, tmp_path):
    import wx

    from wxutil import pump

    frame, _ = studio
    bar = frame.GetStatusBar()
    assert bar.GetFieldRect(3).width >= bar.GetTextExtent("Zoom 2000 %").width + 8
    status = lambda: bar.GetStatusText(1)  # noqa: E731
    frame.Raise()
    pump()
    sim = wx.UIActionSimulator()
    sim.MouseMove(frame.view.window.ClientToScreen((200, 200)))
    pump(6)
    assert status().startswith("x ")
    frame.view.panel.ZoomIn()
    pump(6)
    assert status() == ""
    sim.MouseMove(frame.view.window.ClientToScreen((210, 205)))
    pump(6)
    assert status().startswith("x ")
    path = tmp_path / "other.png"
    cv2.imwrite(str(path), np.full((50, 50, 3), GREY, np.uint8))
    assert frame.open_path(str(path))
    pump(6)
    assert status() == ""


def test_roi_readout_follows_a_drag_and_has_no_developer_rows(studio):
    import wx

    from wxutil import pump

    frame, _ = studio
    frame.set_tool(3)
    frame.Raise()
    pump()
    win = frame.view.window
    sim = wx.UIActionSimulator()
    sim.MouseMove(win.ClientToScreen((100, 100)))
    pump(3)
    sim.MouseDown()
    pump(3)
    sizes = []
    for step in range(1, 6):
        sim.MouseMove(win.ClientToScreen((100 + 30 * step, 100 + 20 * step)))
        pump(4)
        rows = dict(frame.side.readout.rows())
        sizes.append(rows.get("Rectangle", ""))
    sim.MouseUp()
    pump(4)
    # Updated while the button is held, step by step.
    assert len(set(sizes)) >= 3 and all("×" in s for s in sizes[1:]), sizes
    rows = dict(frame.side.readout.rows())
    assert rows["Shape"] == "Rectangle" and "Crop event" not in rows
    frame.clear_roi()
    assert dict(frame.side.readout.rows())["Shape"].startswith("none")


def test_a_png_with_alpha_reads_rgba_under_the_pointer(studio, tmp_path):
    frame, _ = studio
    img = np.zeros((40, 60, 4), np.uint8)
    img[..., 0], img[..., 1], img[..., 2], img[..., 3] = 10, 20, 30, 128
    path = tmp_path / "alpha.png"
    cv2.imwrite(str(path), img)
    assert frame.open_path(str(path))
    frame._on_motion((5.5, 5.5))
    assert frame.GetStatusBar().GetStatusText(1).endswith("RGBA 30, 20, 10, 128")
