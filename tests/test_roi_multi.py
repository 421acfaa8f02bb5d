"""Several ROIs on MovraROIAdvPanel with the user's hands: the multi-ROI mouse rules (real
pointer and keys on Xvfb), the ROI-set-changed callback (also one that raises and one that calls
back in), and undo and redo across every kind of change of the set."""

import pytest

wx = pytest.importorskip("wx")

from wxutil import pump, unraisable  # noqa: E402


def keys(pointer, key, modifiers=wx.MOD_NONE):
    pointer.sim.Char(key, modifiers)
    pump(3)


def rois(p):
    return [(r["id"], r["mode"], r["points"], r["name"], r["color"]) for r in p.GetROIs()]


def test_multi_roi_mouse_rules(movra, editing):  # noqa: F811
    p, pointer, _ = editing
    events = []
    p.SetOnROISetChangedCallback(lambda action, id: events.append((action, id)))
    assert p.GetMultiROI() is False

    # Off: a shape drawn with nothing selected joins the set, selected; drawing again
    # replaces the selected ROI's shape.
    pointer.drag((20, 20), (80, 60))
    ((a, _, points, _, _),) = rois(p)
    assert points == [[20, 20], [60, 40]] and p.GetSelectedROI() == a
    assert events == [("added", a), ("selected", a)]
    pointer.drag((200, 200), (240, 230))
    assert [r[2] for r in rois(p)] == [[[200, 200], [40, 30]]]
    p.SetRect((20, 20, 60, 40))

    # On: a press elsewhere lets the ROI go and draws a new one, added and selected.
    p.SetMultiROI(True)
    assert p.GetMultiROI() is True
    pointer.drag((150, 150), (230, 210))
    b = p.GetSelectedROI()
    assert b != a and [r[0] for r in rois(p)] == [a, b]
    assert p.GetROI(a)["points"] == [[20, 20], [60, 40]]

    # A press inside an unselected ROI selects it, and the drag goes on to move it (its centre
    # follows the pointer); the move is reported once, at the release.
    events.clear()
    pointer.drag((40, 30), (60, 40))
    assert p.GetSelectedROI() == a and p.GetROI(a)["points"] == [[30, 20], [60, 40]]
    assert events == [("selected", a), ("changed", a)]
    # Just outside b's right edge (x 230), within the tolerance: selected, not changed.
    pointer.click(236, 180)
    assert p.GetSelectedROI() == b and p.GetROI(b)["points"] == [[150, 150], [80, 60]]

    # Where ROIs overlap the topmost is selected, but the selected ROI's handles come first:
    # a's bottom-right corner (90, 60) lies inside c, and a press there resizes a.
    c = p.AddROI(3, [(50, 50), (100, 80)])
    pointer.click(70, 60)
    assert p.GetSelectedROI() == c
    p.SelectROI(a)
    pointer.drag((90, 60), (120, 90))
    assert p.GetSelectedROI() == a and p.GetROI(a)["points"] == [[30, 20], [90, 70]]
    assert p.GetROI(c)["points"] == [[50, 50], [100, 80]]

    # A click on empty space lets go without adding anything; Delete removes the selected ROI,
    # and Ctrl+Z brings it back, selected.
    pointer.click(380, 20)
    assert p.GetSelectedROI() is None and len(rois(p)) == 3
    p.SelectROI(c)
    events.clear()
    keys(pointer, wx.WXK_DELETE)
    assert [r[0] for r in rois(p)] == [a, b] and p.GetSelectedROI() is None
    assert events == [("removed", c), ("selected", None)]
    keys(pointer, ord("z"), wx.MOD_CONTROL)
    assert [r[0] for r in rois(p)] == [a, b, c] and p.GetSelectedROI() == c
    assert p.GetRect() == (50, 50, 100, 80)

    # Off again, Delete only empties the selected ROI, as it empties the one editing ROI.
    p.SetMultiROI(False)
    keys(pointer, wx.WXK_DELETE)
    assert p.GetSelectedROI() == c and p.GetROI(c)["points"] == []


def test_set_changes_are_reported_whole_also_to_raising_and_reentrant_callbacks(
        movra, editing):  # noqa: F811
    p, pointer, _ = editing
    seen = []

    def record(action, id):
        # The change is whole when it is reported: the set already holds an added ROI and no
        # longer a removed one.
        ids = [r["id"] for r in p.GetROIs()]
        assert (id in ids) == (action != "removed") or action == "selected"
        seen.append((action, id))

    p.SetOnROISetChangedCallback(record)
    rect = {"version": 1, "mode": 3, "points": [[5, 5], [40, 30]], "angle": 0.0}
    a = p.AddROI(3, [(10, 10), (20, 20)])
    p.SelectROI(a)
    p.SelectROI(a)  # already selected: nothing to report
    p.UpdateROI(a, rect)
    p.RenameROI(a, "pad")
    p.RenameROI(a, "pad")  # no change
    p.SetROIColor(a, (1, 2, 3))
    b = p.AddROI(5, [(200, 150), (30, 40)])
    assert p.RemoveROI(a)
    assert p.Undo()
    p.ClearROIs()
    p.SetEditingROI(movra.CvROIMode.Rectangle, [(30, 30), (20, 20)])  # nothing selected
    c = p.GetSelectedROI()
    p.SetROISetData({"version": 2, "rois": [dict(rect, id=40), dict(rect, id=41)],
                     "selected": 41})
    assert seen == [
        ("added", a), ("selected", a), ("changed", a), ("changed", a), ("changed", a),
        ("added", b), ("removed", a), ("selected", None), ("added", a), ("selected", a),
        ("removed", a), ("removed", b), ("selected", None), ("added", c), ("selected", c),
        ("removed", c), ("added", 40), ("added", 41), ("selected", 41)]
    with pytest.raises(TypeError):
        p.SetOnROISetChangedCallback(5)

    # A callback that raises: reported as unraisable, the panel goes on.
    with unraisable() as reported:
        p.SetOnROISetChangedCallback(lambda action, id: 1 / 0)
        d = p.AddROI(1, [(3, 3)])
        assert p.RemoveROI(d)
    assert [t for t, _ in reported] == [ZeroDivisionError] * 2
    assert [r["id"] for r in p.GetROIs()] == [40, 41]

    # A callback that calls back in: it removes every ROI the user adds, from the mouse too;
    # its own reports follow the ones already due.
    seen.clear()

    def veto(action, id):
        seen.append((action, id))
        if action == "added":
            assert p.RemoveROI(id)

    p.SetOnROISetChangedCallback(veto)
    p.SetMultiROI(True)
    pointer.drag((250, 150), (300, 200))
    assert seen == [("selected", None), ("added", 43), ("selected", 43), ("removed", 43),
                    ("selected", None)]
    assert [r["id"] for r in p.GetROIs()] == [40, 41] and p.GetSelectedROI() is None
    assert p.GetRect() == (0, 0, 0, 0)
    p.SetOnROISetChangedCallback(None)
    p.AddROI(1, [(3, 3)])
    assert len(seen) == 5


def test_undo_and_redo_across_set_changes(movra, editing):  # noqa: F811
    p, pointer, _ = editing
    states = [rois(p)]

    def step(change):
        change()
        states.append(rois(p))

    step(lambda: p.AddROI(3, [(10, 10), (50, 40)], name="a"))
    step(lambda: p.AddROI(5, [(200, 150), (30, 40)], name="b"))
    step(lambda: p.RenameROI(1, "pad"))
    step(lambda: p.SetROIColor(2, (1, 2, 3)))
    p.SelectROI(1)  # selecting alone is no step
    step(lambda: p.SetRect((12, 14, 50, 40)))
    step(lambda: pointer.drag((30, 30), (50, 40)))  # moves the selected ROI
    p.SelectROI(None)
    step(lambda: p.UpdateROI(2, {"version": 1, "mode": 2, "points": [[5, 5], [90, 60]]}))
    p.SelectROI(1)
    moved = p.GetRect()
    step(lambda: p.RemoveROI(1))
    step(lambda: p.SetEditingROIData(  # nothing selected: a new ROI, selected
        {"version": 1, "mode": 7, "points": [[300, 20], [380, 20], [340, 90]]}))
    step(p.ClearROIs)
    assert all(states[i] != states[i + 1] for i in range(len(states) - 1))  # all were steps

    for i in range(len(states) - 2, -1, -1):
        assert p.Undo()
        assert rois(p) == states[i], i
        if i == len(states) - 4:  # before the removal: ROI 1 is back, selected, where it was
            assert p.GetSelectedROI() == 1 and p.GetRect() == moved
    assert not p.Undo() and p.GetSelectedROI() is None and p.GetRect() == (0, 0, 0, 0)
    for i in range(1, len(states)):
        assert p.Redo()
        assert rois(p) == states[i], i
    assert not p.Redo()
    # Ids stay unique after all that: the next is above every id the set ever held.
    assert p.AddROI(1, [(3, 3)]) == 4
    # Switching crop editing off empties the editing ROI by letting the selected one go: the
    # set keeps its shape.
    p.SelectROI(4)
    p.SetFuncEnable(True, False, True)
    assert p.GetSelectedROI() is None and p.GetROI(4)["points"] == [[3, 3]]
