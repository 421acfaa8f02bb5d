"""MovraROIAdvPanel's undo and redo from Python and from the keyboard, in a real wx.App on
Xvfb: the pointer and the keys are real input (wx.UIActionSimulator)."""

import pytest

wx = pytest.importorskip("wx")

from wxutil import pump  # noqa: E402


def keys(pointer, key, modifiers=wx.MOD_NONE):
    pointer.sim.Char(key, modifiers)
    pump(3)


def test_undo_and_redo_take_back_every_kind_of_change(movra, editing):  # noqa: F811
    p, pointer, _ = editing
    crops = []
    p.SetOnCropCallback(crops.append)
    assert (p.CanUndo(), p.CanRedo(), p.Undo(), p.Redo()) == (False, False, False, False)

    pointer.drag((50, 60), (150, 120))  # the user draws; the host then changes the ROI
    p.SetEditingROI(movra.CvROIMode.Circle, [(200, 150), (30, 40)])
    p.SetRect((10, 20, 30, 40))
    p.HideROI()
    assert crops == [(50, 60, 100, 60)]  # the host's own changes are not reported
    assert p.CanUndo() and not p.CanRedo()

    undone = []
    while p.Undo():
        undone.append((p.GetROIMode(), p.GetRect()))
    assert undone == [(5, (10, 20, 30, 40)), (5, (200, 150, 30, 40)), (3, (50, 60, 100, 60)),
                      (3, (0, 0, 0, 0))]
    assert crops[1:] == [rect for _, rect in undone]  # each undo reports like a mouse edit
    assert not p.CanUndo() and p.CanRedo()
    assert p.Redo() and p.Redo()
    assert (p.GetROIMode(), p.GetRect()) == (5, (200, 150, 30, 40))

    # The keys, once a click has given the panel the focus (the click on empty space is an
    # edit of its own: it clears the circle).
    pointer.click(380, 280)
    assert p.GetRect() == (0, 0, 0, 0) and not p.CanRedo()
    keys(pointer, ord("z"), wx.MOD_CONTROL)
    assert p.GetRect() == (200, 150, 30, 40) and crops[-1] == (200, 150, 30, 40)
    keys(pointer, ord("y"), wx.MOD_CONTROL)
    assert p.GetRect() == (0, 0, 0, 0)
    keys(pointer, ord("z"), wx.MOD_CONTROL)
    keys(pointer, ord("z"), wx.MOD_CONTROL | wx.MOD_SHIFT)
    assert p.GetRect() == (0, 0, 0, 0) and crops[-1] == (0, 0, 0, 0)

