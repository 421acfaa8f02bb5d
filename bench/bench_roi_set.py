"""The set of named ROIs from Python, at 10,000 ROIs: MovraROIAdvPanel.AddROI called 10,000
times, GetROIs, GetROISetData, SetROISetData of that data and the JSON
text of it; and, where the panel has multi-ROI editing, a press that selects one of the 10 ROIs in
view among the 10,000, through the panel's own mouse handler (wx.MouseEvent handed to
ProcessEvent), against the same press with only the 10. An 800 x 600 panel at zoom 1 showing all
of an 800 x 600 image; the other ROIs lie beyond the image's right edge. Prints markdown
tables."""

import json
import os
import statistics
import time

import numpy as np

RUNS = 5
COUNT = 10000


def settle(wx, rounds=5):
    for _ in range(rounds):
        wx.SafeYield(None, True)


def spread(i):
    """The i-th ROI's rectangle: the first 10 in the 800 x 600 view, the others beyond it."""
    if i < 10:
        return [(40 + 70 * i, 40 + 50 * i), (40, 30)]
    j = i - 10
    return [(900 + (j % 60) * 50, 700 + (j // 60) * 13), (40, 10)]


def median_s(work, setup=lambda: None, runs=RUNS):
    times = []
    for _ in range(runs):
        setup()
        t0 = time.perf_counter()
        work()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def main():
    import wx

    import MovraModule as movra

    app = wx.App(False)  # noqa: F841 (kept alive)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, pos=(0, 0), size=(900, 700))
    host = wx.Panel(frame)
    frame.Show()
    settle(wx)
    p = movra.MovraROIAdvPanel(host, width=800, height=600)
    win = host.GetChildren()[0]
    p.SetMat(np.full((600, 800, 3), 90, np.uint8))
    p.SetOriginal()
    settle(wx)
    print(f"Load average (1 min) at the start: {os.getloadavg()[0]:.2f}\n")

    shapes = [spread(i) for i in range(COUNT)]

    def add_all():
        for i, points in enumerate(shapes):
            p.AddROI(3, points, name=f"ROI {i}")

    add_s = median_s(add_all, setup=p.ClearROIs)
    get_rois = median_s(p.GetROIs)
    get_data = median_s(p.GetROISetData)
    data = p.GetROISetData()
    set_data = median_s(lambda: p.SetROISetData(data))
    to_json = median_s(lambda: json.loads(json.dumps(p.GetROISetData())))
    assert len(p.GetROIs()) == COUNT
    print(f"MovraROIAdvPanel with {COUNT:,} named ROIs from Python, 10 of them in an 800 x 600 "
          "view (median of 5)\n")
    print("| AddROI x 10,000 | GetROIs | GetROISetData | SetROISetData | "
          "GetROISetData to JSON and back | target |")
    print("|---:|---:|---:|---:|---:|---|")
    print(f"| {add_s * 1000:.0f} ms | {get_rois * 1000:.0f} ms | "
          f"{get_data * 1000:.0f} ms | {set_data * 1000:.0f} ms | {to_json * 1000:.0f} ms | "
          f"{'within' if add_s <= 1.0 else 'OVER'} (AddROI x 10,000 <= 1 s) |")

    print("\nA press on one of the 10 ROIs in view, through the panel's mouse handler "
          "(median ms; rounds of 20 presses on each set in turn)\n")
    if not hasattr(p, "SetMultiROI"):
        print("(this build has no multi-ROI editing: no press selects an ROI)")
        frame.Destroy()
        settle(wx)
        return
    p.SetMultiROI(True)
    p.SetFuncEnable(False, True, True)
    p.SetROIMode(movra.CvROIMode.Rectangle)
    full = p.GetROISetData()
    few = dict(full, rois=full["rois"][:10], selected=None)

    def press(k):
        x, y = 40 + 70 * k, 40 + 50 * k + 15  # the left edge of ROI k
        for kind in (wx.wxEVT_LEFT_DOWN, wx.wxEVT_LEFT_UP):
            event = wx.MouseEvent(kind)
            event.SetPosition(wx.Point(x, y))
            event.SetLeftDown(kind == wx.wxEVT_LEFT_DOWN)
            event.SetEventObject(win)
            win.GetEventHandler().ProcessEvent(event)

    # Rounds of 20 presses on each set in turn; each press selects the next of the 10.
    times = {"10,000": [], "10": []}
    selected = {"10,000": 0, "10": 0}
    for _ in range(5):
        for label, data in (("10,000", full), ("10", few)):
            p.SetROISetData(data)
            settle(wx)
            for run in range(20):
                k = run % 10
                t0 = time.perf_counter()
                press(k)
                times[label].append((time.perf_counter() - t0) * 1000)
                selected[label] += p.GetSelectedROI() == data["rois"][k]["id"]
    many, alone = statistics.median(times["10,000"]), statistics.median(times["10"])
    print("| among 10,000 | among the 10 alone | presses that selected their ROI | target |")
    print("|---:|---:|---:|---|")
    print(f"| {many:.3f} | {alone:.3f} | {selected['10,000']} + {selected['10']} of 200 | "
          f"{'within' if many <= 1.0 else 'OVER'} (<= 1 ms) |")
    frame.Destroy()
    settle(wx)


if __name__ == "__main__":
    main()
