"""Movra Studio's workbench in real windows: Measure into Results and its clipboard text, the
line profile following a real mouse drag, the next and previous image keeping the ROI, and
Measure Folder in the background."""

import os
import sys

import numpy as np
import pytest

from conftest import ROOT
from imagegen import pattern, write_cv
from wxutil import pump, settle

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")


@pytest.fixture
def parts(tmp_path):
    for i, name in enumerate(["part 1.png", "part 2.png", "part 10.png"]):
        write_cv(tmp_path / name, pattern(200, 300, 3, seed=i))
    write_cv(tmp_path / "part 3 grey.png", pattern(200, 300, 1, seed=9))
    (tmp_path / "part 4.jpg").write_bytes(b"\xff\xd8 broken")
    return tmp_path


def _menu(frame, cid):
    import wx

    frame.GetEventHandler().ProcessEvent(wx.CommandEvent(wx.wxEVT_MENU, int(cid)))
    settle()


def test_measure_fills_results_and_copies_tab_separated_text(studio, parts):
    import wx
    from movra_studio import measurements, workbench

    frame, messages = studio
    _menu(frame, workbench.MEASURE)
    assert messages and "no ROI" in messages[-1]
    assert frame.open_path(str(parts / "part 2.png"))
    roi = {"version": 1, "mode": 5, "points": [[120.5, 90.25], [24, 18]]}
    frame.view.panel.SetEditingROIData(roi)
    frame.refresh_readout()
    _menu(frame, workbench.MEASURE)
    _menu(frame, workbench.MEASURE)
    results = frame.workbench.windows["results"]
    assert results.IsShown() and results.list.GetItemCount() == 2
    stats = frame.view.panel.GetROIStats()
    row = results.rows[0]
    assert row["file"] == "part 2.png" and row["shape"] == "circle" and row["roi_id"] == 1
    assert row["area"] == stats["area"] and row["mean_2"] == stats["mean"][2]
    header = results.list.header
    assert results.list.GetItemText(0, header.index("max_1")) == str(stats["max"][1])

    assert results.copy()
    data = wx.TextDataObject()
    assert wx.TheClipboard.Open()
    try:
        assert wx.TheClipboard.GetData(data)
    finally:
        wx.TheClipboard.Close()
    assert data.GetText().replace("\r\n", "\n") == measurements.to_tsv(results.rows)
    out = parts / "results.csv"
    assert results.save_csv(str(out)) and len(out.read_text().splitlines()) == 3
    results.Close()  # hides; the rows stay
    settle()
    assert not results.IsShown() and len(results.rows) == 2
    results.clear()
    assert results.list.GetItemCount() == 0


def test_profile_window_follows_a_real_drag(studio, parts):
    import wx
    from movra_studio import roi_json

    frame, _ = studio
    assert frame.open_path(str(parts / "part 1.png"))
    frame.set_tool(roi_json.LINE)
    window = frame.workbench.show("profile")
    settle()
    assert window.profile is None and "Draw a line" in window.note.GetLabel()

    view = frame.view.window
    z = frame.view.panel.GetZoomFactor()
    w, h = frame.view.image_size()
    cw, ch = view.GetClientSize()

    def screen(x, y):
        return view.ClientToScreen((int((cw - w * z) / 2 + x * z), int((ch - h * z) / 2 + y * z)))

    sim = wx.UIActionSimulator()
    sim.MouseMove(screen(40, 50))
    pump(3)
    sim.MouseDown()
    pump(3)
    lengths = []
    for step in range(1, 9):
        sim.MouseMove(screen(40 + 25 * step, 50 + 12 * step))
        pump(4)
        if window.profile is not None:
            lengths.append(len(window.profile))
    sim.MouseUp()
    pump(6)
    settle()
    # Redrawn while the button was still down, longer as the line grew.
    assert len(lengths) >= 3 and lengths == sorted(lengths) and lengths[0] < lengths[-1]
    final = frame.view.panel.GetLineProfile()
    np.testing.assert_array_equal(window.profile, final)
    out = parts / "profile.csv"
    assert window.save_csv(str(out))
    assert len(out.read_text().splitlines()) == len(final) + 1


def test_page_down_and_up_walk_the_folder_keeping_the_roi(studio, parts):
    import time

    from movra_studio import workbench

    frame, messages = studio
    assert frame.open_path(str(parts / "part 2.png"))
    roi = {"version": 1, "mode": 3, "points": [[30.0, 40.0], [100.0, 50.0]], "angle": 0.0}
    frame.view.panel.SetEditingROIData(roi)
    seen = []
    for cid in [workbench.NEXT_IMAGE] * 4 + [workbench.PREVIOUS_IMAGE] * 5:
        _menu(frame, cid)
        end = time.monotonic() + 20
        while frame.background.is_loading() and time.monotonic() < end:
            pump(3)
        seen.append(os.path.basename(frame.view.path))
        assert frame.roi_data()["points"] == roi["points"]
    # The broken file is reported, stays unshown, and the next step passes it over; at the
    # ends the image stays.
    assert seen == ["part 3 grey.png", "part 3 grey.png", "part 10.png", "part 10.png",
                    "part 10.png", "part 3 grey.png", "part 2.png", "part 1.png", "part 1.png"]
    assert sum("part 4.jpg" in m for m in messages) == 2
    recent = [frame.workbench.history.GetHistoryFile(i)
              for i in range(frame.workbench.history.GetCount())]
    assert os.path.basename(recent[0]) == "part 1.png"


def test_measure_folder_runs_in_the_background_into_results(studio, parts):
    import time

    frame, _ = studio
    assert frame.open_path(str(parts / "part 1.png"))
    frame.view.panel.SetEditingROIData({"version": 1, "mode": 3,
                                        "points": [[10.0, 10.0], [50.0, 40.0]]})
    assert frame.workbench.measure_folder(str(parts), threads=2)
    end = time.monotonic() + 60
    while frame.workbench.folder_running() and time.monotonic() < end:
        pump(3)
    assert not frame.workbench.folder_running()
    rows = frame.workbench.windows["results"].rows
    assert [r["file"] for r in rows] == ["part 1.png", "part 2.png", "part 3 grey.png",
                                         "part 4.jpg", "part 10.png"]
    assert rows[3]["error"] and rows[2]["mean_0"] != "" and "mean_1" not in rows[2]
    assert rows[0]["area"] == 50 * 40


def test_window_panes_and_recent_files_are_remembered(wx_app, movra, parts, tmp_path):
    import wx
    from movra_studio.main_frame import StudioFrame

    config = wx.FileConfig(localFilename=str(tmp_path / "studio.ini"),
                           style=wx.CONFIG_USE_LOCAL_FILE)

    def open_frame():
        frame = StudioFrame(movra, report=lambda *a: None, config=config)
        frame.Show()
        settle()
        frame.start(str(parts / "part 2.png"))
        settle()
        return frame

    frame = open_frame()
    frame.SetSize(900, 640)
    frame.SetPosition((30, 40))
    settle()
    frame.splitter.SetSashPosition(frame.splitter.GetClientSize().width - 300)
    frame.workbench.show("histogram")
    settle()
    expected = frame.GetSize()
    frame.Close(force=True)
    settle()
    assert (tmp_path / "studio.ini").exists()

    frame = open_frame()
    try:
        assert frame.GetSize() == expected
        assert frame.workbench.windows["histogram"].IsShown()
        assert "profile" not in frame.workbench.windows
        side = frame.splitter.GetClientSize().width - frame.splitter.GetSashPosition()
        assert abs(side - 300) <= 8
        assert frame.workbench.history.GetHistoryFile(0) == str(parts / "part 2.png")
    finally:
        frame.Close(force=True)
        settle()
