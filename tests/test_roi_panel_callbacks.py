"""MovraROIAdvPanel under the user's mouse: real input through the X server
(wx.UIActionSimulator), the callbacks it triggers (crop, right click, double clicks, motion),
callbacks that raise or destroy their own panel, and the editing ROI set from Python."""

import os
import time

import numpy as np
import pytest

wx = pytest.importorskip("wx")

from pyrun import run_python  # noqa: E402
from wxutil import grab, panel_window, pump, unraisable  # noqa: E402


def test_crop_callback_follows_the_user(movra, editing):
    p, pointer, _ = editing
    first, second, last = [], [], []
    p.SetOnCropCallback(first.append)
    p.SetOnCropCallback(second.append)
    p.SetOnCropCallback(lambda rect: last.append((rect, p.GetRect())))
    pointer.drag((50, 60), (150, 120))
    assert last == [((50, 60, 100, 60), (50, 60, 100, 60))]
    assert first == second == []
    assert all(type(v) is int for v in last[0][0])
    # A click on empty space clears the rectangle and says so.
    pointer.click(300, 250)
    assert last[1:] == [((0, 0, 0, 0), (0, 0, 0, 0))]
    # With crop editing off the mouse changes nothing and sends nothing.
    p.SetFuncEnable(True, False)
    pointer.drag((20, 20), (80, 80))
    assert len(last) == 2 and p.GetRect() == (0, 0, 0, 0)


def test_polygon_closed_by_a_double_click(movra, editing):
    p, pointer, _ = editing
    p.SetROIMode(movra.CvROIMode.Polygon)
    crops, dclicks = [], []
    p.SetOnCropCallback(crops.append)
    p.SetOnLeftDClickCallback(dclicks.append)
    for x, y in ((20, 20), (200, 40), (100, 180)):
        pointer.click(x, y)
        time.sleep(0.6)  # separate clicks, not a double click
    assert crops == []  # an open polygon is not reported
    pointer.double_click(20, 160)
    assert p.GetPolygonPoints() == [(20.0, 20.0), (200.0, 40.0), (100.0, 180.0), (20.0, 160.0)]
    assert crops and crops[-1] == p.GetRect() == (20, 20, 181, 161)
    assert dclicks == [(20.0, 160.0)]


def test_editing_roi_set_from_python_per_mode(movra, editing):
    p, _, win = editing
    p.SetEditingROI(3, [(10, 10), (50, 40)])
    assert p.GetRect() == (10, 10, 50, 40)
    p.SetEditingROI(5, [(100, 100), (30, 0)])
    assert p.GetROIMode() == 5 and p.GetOuterRadius() == pytest.approx(30.0)
    p.SetEditingROI(7, [(10, 10), (90, 10), [50, 70, 1]])
    assert p.GetPolygonPoints() == [(10.0, 10.0), (90.0, 10.0), (50.0, 70.0)]
    p.SetEditingROI(4, [(100, 50), (80, 40)], angle=30.0)
    assert p.GetRotateAngle() == 30.0
    # The rectangle is drawn at once, in the editing colour, where it was set.
    p.SetEditingROI(3, [(40, 40), (100, 60)])
    px = grab(win)
    grey = [90, 90, 90]
    assert all(px[y, x].tolist() != grey for y, x in ((40, 70), (99, 70), (55, 40), (55, 139)))
    assert all(px[y, x].tolist() == grey for y, x in ((55, 60), (30, 70), (55, 150)))



def test_right_click_callback_decides_about_the_menu(movra, editing):
    p, pointer, win = editing
    opened = []

    def on_open(event):
        opened.append(event.IsPopup())
        pointer.sim.Char(wx.WXK_ESCAPE)  # the menu is modal: close it

    win.Bind(wx.EVT_MENU_OPEN, on_open)
    calls = []

    def answer(result):
        def callback(point, code):
            calls.append((point, code))
            return result() if callable(result) else result
        return callback

    class Undecided:
        def __bool__(self):
            raise ValueError("no truth")

    cases = [(True, 0), (np.bool_(True), 0), (1, 0), (None, 1), (0, 1), ("", 1),
             (Undecided(), 1), (lambda: 1 / 0, 1)]
    def right_click():
        pointer.click(120, 70, wx.MOUSE_BTN_RIGHT)
        # The first press after a popup menu closes only ends GTK's grab: spend it harmlessly.
        pointer.click(120, 70, wx.MOUSE_BTN_MIDDLE)

    with unraisable() as reported:
        for result, menus in cases:
            before = len(opened)
            p.SetOnRightClickCallback(answer(result))
            right_click()
            assert len(opened) - before == menus, result
    assert calls == [((120.0, 70.0), -1)] * len(cases)
    assert [e for e, _ in reported] == [ValueError, ZeroDivisionError]
    # Cleared, the menu shows without asking anybody.
    p.SetOnRightClickCallback(None)
    right_click()
    assert len(calls) == len(cases) and len(opened) == 6


def test_motion_callback_reports_image_points(movra, editing):
    p, pointer, _ = editing
    p.SetMat(np.full((100, 100, 3), 90, np.uint8))
    p.SetOriginal()
    p.SetCenterImageEnable(True)  # the image sits at (150, 100) in the window
    points = []
    p.SetOnMouseMoveCallback(points.append)
    pointer.move(50, 160)
    pointer.move(170, 110)
    assert points[-2:] == [(-100.0, 60.0), (20.0, 10.0)]
    p.SetOnMouseMoveCallback(None)
    pointer.move(60, 60)
    assert points[-1] == (20.0, 10.0)


def test_a_raising_callback_is_reported_and_the_next_event_still_arrives(movra, editing):
    p, pointer, _ = editing
    rects = []

    def crop(rect):
        rects.append(rect)
        raise KeyError("host bug")

    p.SetOnCropCallback(crop)
    p.SetOnRightDClickCallback(5)  # accepted; fails at every call
    p.SetFuncEnable(False, True)  # no context menu from the right clicks
    with unraisable() as reported:
        pointer.drag((10, 10), (60, 50))
        pointer.double_click(100, 100, wx.MOUSE_BTN_RIGHT)
        pointer.drag((100, 100), (200, 150))
    assert rects == [(10, 10, 50, 40), (100, 100, 100, 50)]
    assert reported == [(KeyError, crop), (TypeError, 5), (KeyError, crop)]
    assert p.GetRect() == (100, 100, 100, 50) and p.IsOk()


DESTROY_IN_CALLBACK = """
    import numpy as np, wx, MovraModule
    from wxutil import Pointer, panel_window, pump
    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, pos=(0, 0), size=(900, 700))
    outer = wx.Panel(frame)
    host = wx.Panel(outer, size=(500, 400))
    frame.Show()
    pump()
    held = [MovraModule.MovraROIAdvPanel(host.GetHandle(), width=400, height=300)]
    panel = held[0]
    panel.SetMat(np.zeros((300, 400, 3), np.uint8))
    panel.SetROIMode(3)
    panel.SetFuncEnable(True, True, True)
    pointer = Pointer(panel_window(host, panel))
    calls = []

    def destroy(*args):
        calls.append(args)
        if WHAT == "host":
            host.Destroy()
        else:
            held.clear()  # the last reference to the panel

    getattr(panel, SETTER)(destroy)
    del panel
    pointer.drag((50, 60), (150, 120))
    pump(10)
    children = len(host.GetChildren()) if WHAT != "host" else 0
    print("RESULT", len(calls), len(outer.GetChildren()), children)
"""


@pytest.mark.parametrize("setter", ["SetOnCropCallback", "SetOnMouseMoveCallback"])
@pytest.mark.parametrize("what, outer_children", [("host", 0), ("panel", 1)])
def test_callback_destroying_its_panel_or_host(setter, what, outer_children):
    body = DESTROY_IN_CALLBACK.replace("WHAT", repr(what)).replace("SETTER", repr(setter))
    # Freed memory is overwritten at once, so that a use after free shows.
    env = dict(os.environ, MALLOC_PERTURB_="165")
    r = run_python(body, env=env)
    assert r.returncode == 0, r.stderr[-3000:]
    assert f"RESULT 1 {outer_children} 0" in r.stdout
