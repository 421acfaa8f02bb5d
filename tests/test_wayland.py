"""Wayland as well as X11: an int handle is refused under Wayland with a message that names the
window-object form, and Movra Studio's screenshot, drawn by GTK rather than read from the
screen, shows the same panel on both backends."""

import os
import shutil
import subprocess
import sys

import numpy as np
import pytest

wx = pytest.importorskip("wx")

from conftest import BUILD, ROOT  # noqa: E402
from wxutil import hidden_frames, on_x11, settle  # noqa: E402

WAYLAND_HANDLE = "under Wayland a native handle names only the top-level window"


@pytest.mark.parametrize("cls", ["MovraPanel", "MovraROIAdvPanel"])
def test_int_handle_under_wayland_names_the_window_form_and_makes_nothing(movra, host, cls):
    if on_x11():
        pytest.skip("GTK runs on X11 here")
    handle = host.GetTopLevelParent().GetHandle()
    assert handle != 0  # the top-level window's surface
    children, frames = len(host.GetChildren()), len(hidden_frames())
    with pytest.raises(RuntimeError, match=WAYLAND_HANDLE + ".*pass the wx.Window object"):
        getattr(movra, cls)(handle, width=100, height=80)
    settle()
    assert (len(host.GetChildren()), len(hidden_frames())) == (children, frames)
    # The window form works in the same host, and the panel has no handle of its own.
    p = getattr(movra, cls)(host, width=100, height=80)
    assert p.IsOk() and p.GetHandle() == 0


def _studio_screenshot(out, wrapper=()):
    env = dict(os.environ, NO_AT_BRIDGE="1",
               PYTHONPATH=os.pathsep.join([str(BUILD), str(ROOT / "app")]))
    cmd = [*wrapper, sys.executable, "-m", "movra_studio", "--screenshot", str(out)]
    run = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=240)
    assert run.returncode == 0, run.stdout + run.stderr
    geometry = __import__("json").loads(run.stdout.split("scene: ", 1)[1])
    return wx.Image(str(out)), geometry


def _rgb(image):
    return np.frombuffer(bytes(image.GetData()), np.uint8).reshape(
        image.GetHeight(), image.GetWidth(), 3)


@pytest.mark.skipif(shutil.which("weston") is None, reason="needs weston")
def test_studio_screenshot_shows_the_same_panel_on_x11_and_wayland(wx_app, tmp_path):
    if not on_x11():
        pytest.skip("runs from the X11 pass, starting a compositor of its own")
    x11, gx = _studio_screenshot(tmp_path / "x11.png")
    wl, gw = _studio_screenshot(tmp_path / "wayland.png",
                                wrapper=[str(ROOT / "scripts" / "with-weston.sh")])
    assert (x11.GetWidth(), x11.GetHeight()) == (wl.GetWidth(), wl.GetHeight())
    assert gx == gw
    (px, py), (pw, ph) = gx["panel_origin"], gx["panel_size"]
    a = _rgb(x11)[py:py + ph, px:px + pw].astype(int)
    b = _rgb(wl)[py:py + ph, px:px + pw].astype(int)
    # The scene is coloured throughout (image, ROI, guides, badge): not a blank or black shot.
    assert len(np.unique(a.reshape(-1, 3), axis=0)) > 1000
    differ = (np.abs(a - b).max(axis=-1) > 8).mean()
    assert differ < 0.001, f"{differ:.2%} of the panel's pixels differ"


def test_a_window_that_cannot_be_drawn_is_an_error_not_a_blank_picture(wx_app):
    from movra_studio import screenshot, window_render

    frame = wx.Frame(None, size=(300, 200))  # never shown: GTK has nothing to draw yet
    try:
        for take in (window_render.render, screenshot.grab_window):
            with pytest.raises(window_render.RenderError, match="not shown"):
                take(frame)
    finally:
        frame.Destroy()
        settle()
