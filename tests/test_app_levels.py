"""Movra Studio's display levels window and source values in the status bar, on a real frame
with a 16-bit grey file."""

import cv2
import numpy as np
import pytest

from wxutil import grab, settle

pytest.importorskip("wx")


def test_levels_colormap_histogram_and_source_values(studio, tmp_path):
    frame, _ = studio
    img = np.zeros((300, 400), np.uint16)
    img[:, 200:] = 3000  # a 12-bit camera: almost white by default
    img[:, :200] = 1000
    path = tmp_path / "xray.png"
    assert cv2.imwrite(str(path), img)
    assert frame.open_path(str(path))
    panel = frame.view.panel

    frame._on_motion((250.5, 10.5))
    assert frame.GetStatusBar().GetStatusText(1).endswith("grey 3000")

    levels = frame.levels
    levels.Show()
    levels.low.SetValue("500")
    levels.high.SetValue("3500")
    assert levels.apply_typed()
    assert panel.GetDisplayLevels() == (500.0, 3500.0)
    levels.low.SetValue("9")
    levels.high.SetValue("2")  # refused: the levels stay and the window says why
    assert not levels.apply_typed()
    assert panel.GetDisplayLevels() == (500.0, 3500.0) and levels.note.GetLabel()

    levels.set_colormap("hot")
    assert panel.GetColormap() == "hot" and levels.colormap.IsEnabled()
    shown = grab(frame.view.window)
    h, w = shown.shape[:2]
    level = np.rint((np.array([[1000, 3000]]) - 500) * 255 / 3000).astype(np.uint8)
    expected = cv2.applyColorMap(level, cv2.COLORMAP_HOT)[0, :, ::-1]
    # The left half holds 1000, the right half 3000 (fitted and centred in the view).
    assert shown[h // 2, w // 2 - 20].tolist() == expected[0].tolist()
    assert shown[h // 2, w // 2 + 20].tolist() == expected[1].tolist()

    counts, edges, what = levels.hist.data
    assert what == "image" and counts.sum() > 0 and edges[0] <= 1000 and edges[-1] > 3000
    levels.set_auto()
    low, high = panel.GetDisplayLevels()
    assert low == 1000 and high == 3000
    levels.set_levels(None)
    assert panel.GetDisplayLevels() is None
