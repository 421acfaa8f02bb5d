"""SetOnROIChangingCallback: live reports while the user drags the editing ROI, driven by real
pointer input, coalesced to at most one per repaint, with the crop report still once on
release."""

import pytest

wx = pytest.importorskip("wx")

from wxutil import pump, unraisable  # noqa: E402


def test_changing_callback_follows_a_drag_at_most_once_per_repaint(movra, editing):
    p, pointer, win = editing
    paints, changes, crops = [], [], []

    def on_paint(event):
        paints.append(len(changes))
        event.Skip()  # the panel paints as usual

    win.Bind(wx.EVT_PAINT, on_paint)
    p.SetOnROIChangingCallback(lambda rect: changes.append((rect, p.GetRect(), len(paints))))
    p.SetOnCropCallback(lambda rect: crops.append((rect, len(changes))))
    pointer.move(50, 60)
    pointer.sim.MouseDown()
    pump(3)
    steps = [(50 + 5 * i, 60 + 3 * i) for i in range(1, 11)]
    for x, y in steps:  # one motion, then time to paint
        pointer.move(x, y)
    pump(6)
    assert crops == [] and len(changes) >= 2
    assert changes[-1][0] == (50, 60, 50, 30)
    # A burst of motion with no paint in between (events handed to the panel directly, as
    # a busy event loop would deliver them) gives one report, after the paint.
    before = len(changes)
    for x in range(101, 151):
        event = wx.MouseEvent(wx.wxEVT_MOTION)
        event.SetPosition(wx.Point(x, 90))
        event.SetLeftDown(True)
        win.GetEventHandler().ProcessEvent(event)
    assert len(changes) == before
    pump(10)
    assert len(changes) == before + 1 and changes[-1][0] == (50, 60, 100, 30)
    pointer.sim.MouseUp()
    pump(6)
    # Each report carries what GetRect says at that moment, and follows a paint of its own.
    assert all(rect == now for rect, now, _ in changes)
    painted = [n for _, _, n in changes]
    assert painted == sorted(set(painted)) and painted[0] >= 1
    # The crop report comes once, after every live one.
    assert crops == [((50, 60, 100, 30), len(changes))]

    # Esc during a drag puts the shape back: no crop report, but a live one of the shape as it
    # was at the press, so that a readout following the drag does not keep the dropped state.
    pointer.move(100, 75)  # the rectangle's centre: the drag moves it
    pointer.sim.MouseDown()
    pump(3)
    pointer.move(200, 150)
    assert changes[-1][0] == (150, 135, 100, 30)
    pointer.sim.Char(wx.WXK_ESCAPE)
    pump(3)
    pointer.sim.MouseUp()
    pump(6)
    assert p.GetRect() == changes[-1][0] == (50, 60, 100, 30) and len(crops) == 1

    # Cleared, drags report only their release; a bad callback is refused.
    p.SetOnROIChangingCallback(None)
    before = len(changes)
    pointer.drag((200, 50), (260, 120))
    assert len(changes) == before and crops[-1][0] == (200, 50, 60, 70)
    with pytest.raises(TypeError, match="callable or None"):
        p.SetOnROIChangingCallback(5)


def test_a_raising_changing_callback_is_reported_and_the_drag_goes_on(movra, editing):
    p, pointer, _ = editing
    p.SetROIMode(movra.CvROIMode.Circle)
    seen, crops = [], []

    def changing(rect):
        seen.append(rect)
        raise ValueError("host bug")

    p.SetOnROIChangingCallback(changing)
    p.SetOnCropCallback(crops.append)
    with unraisable() as reported:
        pointer.drag((100, 100), (130, 140))
    assert seen and set(reported) == {(ValueError, changing)}
    assert crops == [(100, 100, 30, 40)] and p.GetOuterRadius() == pytest.approx(50.0)
