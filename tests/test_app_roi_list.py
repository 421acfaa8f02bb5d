"""Movra Studio's ROI list in a real window: it follows the panel's set (added, renamed,
selected, removed, another image), drives the panel's selection, and the set goes through
Measure all, the Histogram window and Save/Load ROI whole."""

import os
import sys

import numpy as np
import pytest

from conftest import ROOT
from imagegen import pattern, write_cv
from wxutil import Pointer, pump, settle

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")


def _cells(lst):
    return [[lst.GetItemText(r, c) for c in range(lst.GetColumnCount())]
            for r in range(lst.GetItemCount())]


def test_roi_list_follows_the_set_and_selects_on_the_panel(studio, tmp_path):
    import wx
    from movra_studio import roi_json, roi_list

    frame, messages = studio
    write_cv(tmp_path / "a.png", pattern(240, 320, 3, seed=1))
    write_cv(tmp_path / "b.png", pattern(240, 320, 3, seed=2))
    assert frame.open_path(str(tmp_path / "a.png"))
    panel, pane = frame.view.panel, frame.side.rois
    lst = pane.list
    assert panel.GetMultiROI()
    plate = panel.AddROI(3, [(30, 40), (120, 90)], name="plate")
    bore = panel.AddROI(5, [(200, 150), (40, 0)])
    settle()
    cells = _cells(lst)
    assert [row[:2] for row in cells] == [["plate", "rectangle"], [f"ROI {bore}", "circle"]]
    for row, roi_id in zip(cells, (plate, bore)):
        stats = panel.GetROIStats(roi_id)
        assert row[2:] == [str(stats["area"]), roi_list.mean_text(stats)]

    # Choosing a tool leaves the selected ROI's shape alone: the tool draws a new one.
    panel.SelectROI(plate)
    frame.set_tool(roi_json.LINE)
    settle()
    assert panel.GetROI(plate)["points"] == [[30.0, 40.0], [120.0, 90.0]]
    assert panel.GetSelectedROI() is None and lst.GetFirstSelected() == -1

    # The list selects on the panel, and the panel's selection shows in the list.
    lst.Select(1)
    settle()
    assert panel.GetSelectedROI() == bore
    assert dict(frame.side.readout.rows())["Shape"] == "Circle"
    panel.SelectROI(plate)
    settle()
    assert lst.GetFirstSelected() == 0
    pane.rename(bore, "  bore  ")
    settle()
    assert panel.GetROI(bore)["name"] == "bore" and _cells(lst)[1][0] == "bore"

    # Measure all: every ROI by its id and name; the histogram of the selected one.
    frame.workbench.measure(all_rois=True)
    rows = frame.workbench.windows["results"].rows
    assert [(r["roi_id"], r["roi_name"]) for r in rows] == [(plate, "plate"), (bore, "bore")]
    assert [r["mean_1"] for r in rows] == [panel.GetROIStats(i)["mean"][1] for i in (plate, bore)]
    panel.SelectROI(bore)
    hist = frame.workbench.show("histogram")
    settle()
    mask = panel.GetROIMask(bore) != 0
    source = frame.view.pixels
    for c in range(3):
        expected = np.histogram(source[..., c][mask], 256, (0, 256))[0]
        assert np.array_equal(hist.counts[:, c], expected)

    # Another image: the same ROIs, measured on it.
    before = _cells(lst)
    assert frame.open_path(str(tmp_path / "b.png"))
    settle()
    after = _cells(lst)
    assert [r[:3] for r in after] == [r[:3] for r in before] and after[0][3] != before[0][3]
    assert after[0][3] == roi_list.mean_text(panel.GetROIStats(plate))

    # The set round-trips through a file, names and selection included.
    path = str(tmp_path / "set.json")
    assert frame.save_roi(path)
    saved = panel.GetROISetData()
    panel.ClearROIs()
    settle()
    assert lst.GetItemCount() == 0
    assert frame.load_roi(path)
    settle()
    assert panel.GetROISetData() == saved and _cells(lst) == after
    assert lst.GetFirstSelected() == 1

    # Delete on the list removes the selected ROI, by a real key press.
    frame.Raise()
    lst.SetFocus()
    pump()
    sim = wx.UIActionSimulator()
    sim.Char(wx.WXK_DELETE)
    pump(6)
    settle()
    assert [r["id"] for r in panel.GetROIs()] == [plate] and _cells(lst) == after[:1]
    # Clear ROI removes the selected one rather than leaving it empty in the set.
    panel.SelectROI(plate)
    frame.clear_roi()
    settle()
    assert panel.GetROIs() == [] and lst.GetItemCount() == 0

    # Drawing with a tool adds ROIs (multi-ROI is on), each listed and selected.
    frame.set_tool(roi_json.RECTANGLE)
    z = panel.GetZoomFactor()
    cw, ch = frame.view.window.GetClientSize()

    def at(x, y):
        return int((cw - 320 * z) / 2 + x * z), int((ch - 240 * z) / 2 + y * z)

    pointer = Pointer(frame.view.window)
    try:
        pointer.drag(at(20, 20), at(100, 80))
        pointer.drag(at(180, 120), at(300, 220))
        settle()
        ids = [r["id"] for r in panel.GetROIs()]
        assert len(ids) == 2 and [r[1] for r in _cells(lst)] == ["rectangle"] * 2
        assert lst.GetFirstSelected() == 1 and panel.GetSelectedROI() == ids[1]
        # Escape during a drag cancels the drag, as on a bare panel: the window's menus must
        # not take the key for a command of their own.
        kept = panel.GetROISetData()
        pointer.move(*at(240, 170))  # inside the selected ROI: the drag moves it
        pointer.sim.MouseDown()
        pump(3)
        pointer.move(*at(200, 120))
        pump(3)
        pointer.sim.Char(wx.WXK_ESCAPE)
        pump(3)
        pointer.sim.MouseUp()
        pump(6)
        settle()
        assert panel.GetROISetData() == kept
    finally:
        pointer.away()
    assert not messages
