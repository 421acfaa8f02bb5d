"""Fitting and the zoom rules on real windows: a fitted panel follows its window's size until
the user zooms, fitting goes below 10 % for a huge image (and stepping out stops at the fit),
and 100 % keeps the view's centre."""

import os

import numpy as np
import pytest
import wx

from wxutil import grab, make_roi_panel, panel_window, settle

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

BG = (10, 20, 30)  # RGB


def test_plain_panel_stays_fitted_while_resized_until_zoomed(movra, host):
    p = movra.MovraPanel(host.GetHandle(), x=0, y=0, width=400, height=300)
    win = panel_window(host, p)
    p.SetCanvasBgColor(*BG)
    p.SetMode(movra.ZoomToFit)
    p.SetMat(np.full((100, 200, 3), (0, 0, 255), np.uint8))  # red, 2:1
    p.SetSize(600, 500)
    settle()
    shown = grab(win)
    # 200 x 100 fitted into 600 x 500: 600 x 300 of red, background below.
    assert tuple(shown[290, 590]) == (255, 0, 0)
    assert tuple(shown[310, 300]) == BG
    p.SetZoomIn()
    p.SetSize(400, 300)
    settle()
    shown = grab(win)
    # Zoomed by the user: the image keeps its scale (larger than the window now).
    assert tuple(shown[295, 395]) == (255, 0, 0)


def test_roi_panel_fits_a_huge_image_below_ten_percent_and_follows_resizes(movra, host):
    p = make_roi_panel(movra, host)
    win = panel_window(host, p)
    p.SetCanvasBgColor(*BG)
    image = np.full((300, 12000, 3), 60, np.uint8)
    image[:, -200:] = (0, 255, 0)  # the far right end is green
    p.SetMat(image)
    fit = 400 / 12000
    assert p.GetZoomFactor() == pytest.approx(fit)
    shown = grab(win)
    # The whole width: the green end is at the window's right edge, not 11 screens away.
    assert tuple(shown[4, 397]) == (0, 255, 0)
    # Stepping out stops at the fit; in and out again returns to it, not to 10 %.
    p.ZoomOut()
    assert p.GetZoomFactor() == pytest.approx(fit)
    p.ZoomIn()
    assert p.GetZoomFactor() == pytest.approx(fit + 0.1)
    p.ZoomOut()
    assert p.GetZoomFactor() == pytest.approx(fit)
    # Zoomed by hand: the window's size no longer changes the zoom ...
    p.SetSize(600, 300)
    settle()
    assert p.GetZoomFactor() == pytest.approx(fit)
    # ... until it is fitted again.
    p.ZoomToFit()
    p.SetSize(800, 300)
    settle()
    assert p.GetZoomFactor() == pytest.approx(800 / 12000)


def test_original_size_keeps_the_view_centre(movra, host):
    p = make_roi_panel(movra, host)
    win = panel_window(host, p)
    # Each pixel tells where it is: x // 8 in red, y // 8 in green.
    ys, xs = np.mgrid[0:1500, 0:2000]
    image = np.zeros((1500, 2000, 3), np.uint8)
    image[..., 2] = xs // 8
    image[..., 1] = ys // 8
    p.SetMat(image)
    assert p.GetZoomFactor() == pytest.approx(0.2)
    # The method, then the context menu's "Original Size" sent without the menu.
    menu_original = wx.CommandEvent(wx.wxEVT_MENU, 403)
    for original in (p.SetOriginal, lambda: win.GetEventHandler().ProcessEvent(menu_original)):
        p.ZoomToFit()
        original()
        assert p.GetZoomFactor() == 1.0
        r, g, _ = (int(v) for v in grab(win)[150, 200])
        # The image centre (1000, 750) stays in the middle of the view, to a scroll step.
        assert abs(r - 1000 // 8) <= 2 and abs(g - 750 // 8) <= 2, (r, g)
