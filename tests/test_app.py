"""Movra Studio on a real X server: the headless scene read back from its screenshot, and the
main window's commands on real files."""

import json
import math
import os
import subprocess
import sys
from pathlib import Path

import cv2
import numpy as np
import pytest

from conftest import BUILD, ROOT
from wxutil import pump

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

LIME, RED, YELLOW = (0, 255, 0), (255, 0, 0), (255, 230, 0)  # RGB as on the screen


def _near(pixels, x, y, colour, radius=2, tol=40):
    """Whether a pixel within `radius` of (x, y) has `colour`."""
    x, y = int(round(x)), int(round(y))
    patch = pixels[max(y - radius, 0) : y + radius + 1, max(x - radius, 0) : x + radius + 1]
    return bool((np.abs(patch.astype(int) - colour).max(axis=-1) <= tol).any())


@pytest.fixture(scope="module")
def scene(tmp_path_factory):
    out = tmp_path_factory.mktemp("studio") / "scene.png"
    env = dict(os.environ, GDK_BACKEND="x11", NO_AT_BRIDGE="1",
               PYTHONPATH=os.pathsep.join([str(BUILD), str(ROOT / "app")]))
    run = subprocess.run([sys.executable, "-m", "movra_studio", "--screenshot", str(out)],
                         env=env, capture_output=True, text=True, timeout=180)
    assert run.returncode == 0, run.stdout + run.stderr
    geometry = json.loads(run.stdout.split("scene: ", 1)[1])
    return run.stdout, geometry, cv2.imread(str(out))[..., ::-1]


def _mapper(g):
    """Image point -> screenshot pixel: the fitted image is centred in the panel."""
    z = g["zoom"]
    (px, py), (cw, ch), (w, h) = g["panel_origin"], g["panel_size"], g["image_size"]
    ox, oy = int(max((cw - w * z) / 2, 0)), int(max((ch - h * z) / 2, 0))
    return lambda x, y: (px + ox + x * z, py + oy + y * z)


def test_screenshot_shows_roi_badge_guides_and_edges(scene):
    from movra_studio import screenshot as s

    stdout, g, pixels = scene
    to_shot = _mapper(g)
    w, h = g["image_size"]
    z = g["zoom"]

    # The rotated rectangle's outline: on its edges, not 12 screen pixels beside them.
    cx, cy, rw, rh = s.ROI_CENTRE[0] * w, s.ROI_CENTRE[1] * h, s.ROI_SIZE[0] * w, s.ROI_SIZE[1] * h
    a = math.radians(s.ROI_ANGLE)
    corners = [(cx + dx * math.cos(a) - dy * math.sin(a), cy + dx * math.sin(a) + dy * math.cos(a))
               for dx, dy in ((-rw / 2, -rh / 2), (rw / 2, -rh / 2), (rw / 2, rh / 2),
                              (-rw / 2, rh / 2))]
    on_edge, beside = [], []
    for (x0, y0), (x1, y1) in zip(corners, corners[1:] + corners[:1]):
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = (y0 - y1) / length * 12 / z, (x1 - x0) / length * 12 / z
        for t in (0.1, 0.2, 0.3, 0.7, 0.8, 0.9):  # the rotation handles sit at the middles
            x, y = x0 + t * (x1 - x0), y0 + t * (y1 - y0)
            on_edge.append(_near(pixels, *to_shot(x, y), LIME))
            beside += [_near(pixels, *to_shot(x + nx, y + ny), LIME),
                       _near(pixels, *to_shot(x - nx, y - ny), LIME)]
    assert sum(on_edge) >= 0.8 * len(on_edge)
    assert sum(beside) <= 0.1 * len(beside)

    # The FAIL badge: a red box in the panel's top-right corner with a teal frame.
    cols = round(w * z)
    bx0, bx1, by0, by1 = cols - cols // 6 - 3, cols - 3, 3, cols // 12 + 3
    ox, oy = to_shot(0, 0)
    for x, y in ((bx0 + 5, by0 + 5), (bx1 - 5, by0 + 5), (bx0 + 5, by1 - 5), (bx1 - 5, by1 - 5)):
        assert _near(pixels, ox + x, oy + y, RED, radius=0, tol=30), (x, y)
    assert _near(pixels, ox + bx0, oy + (by0 + by1) / 2, (18, 136, 136), radius=1, tol=30)

    # Rule-of-thirds lines: dashed, so about half of each line, and nothing 15 px beside it.
    def share(points):
        return np.mean([_near(pixels, *to_shot(x, y), YELLOW, radius=2) for x, y in points])

    for third in (1 / 3, 2 / 3):
        row = [(x, h * third) for x in range(0, w, 3)]
        column = [(w * third, y) for y in range(0, h, 3)]
        assert share(row) > 0.3 and share(column) > 0.3
        assert share([(x, y + 15 / z) for x, y in row]) < 0.05

    # Edges: the bore's dark hole (radius 70 around (600, 400)) is outlined in cyan.
    ring = [(600 + 70 * math.cos(t), 400 + 70 * math.sin(t)) for t in np.linspace(0, 6.2, 40)]
    cyan_ish = [_near(pixels, *to_shot(x, y), (0, 255, 255), radius=2, tol=90) for x, y in ring]
    assert sum(cyan_ish) >= 0.8 * len(ring)

    assert "camera Movra Studio sample camera" in stdout
    assert "GPS 47.37689° N, 8.54169° E, 408 m" in stdout


def test_bad_files_leave_the_image_and_its_overlays(studio, tmp_path):
    from movra_studio import commands
    from wxutil import grab, settle

    frame, messages = studio
    frame.set_edges(True)
    pump()
    assert frame.side.edges.GetValue() and frame.toolbar.GetToolState(commands.EDGES)
    shown_path, rows, before = frame.view.path, frame.side.info.rows(), grab(frame.view.window)
    sample = cv2.imread(shown_path, cv2.IMREAD_UNCHANGED)
    (tmp_path / "notes ü.png").write_text("not an image\n")
    ok, jpeg = cv2.imencode(".jpg", sample)
    (tmp_path / "cut.jpg").write_bytes(jpeg.tobytes()[:400])
    cases = [(tmp_path, "folder"), (tmp_path / "notes ü.png", "not an image"),
             (tmp_path / "cut.jpg", "not an image"), (tmp_path / "gone.png", "does not exist")]
    for path, reason in cases:
        assert not frame.open_path(str(path))
        assert reason in messages[-1] and path.name in messages[-1]
        settle()
        assert frame.view.path == shown_path and frame.side.info.rows() == rows
        assert frame.view.panel.GetDisplayOverlay()
    assert np.array_equal(grab(frame.view.window), before)
    assert len(messages) == len(cases)

    # Still usable: a Unicode-named PNG opens, and its pixels are what the status bar reads.
    img = np.zeros((90, 120, 3), np.uint8)
    img[:, 60:] = (20, 40, 200)
    path = tmp_path / "Prüfung 検査.png"
    assert cv2.imwrite(str(path), img)
    assert frame.open_path(str(path))
    assert ("Size", "120 × 90 px") in frame.side.info.rows()
    assert frame.view.pixel_text(70.5, 3.2) == "RGB 200, 40, 20"
    assert frame.view.pixel_text(-1, 3) is None
    shot = grab(frame.view.window)
    assert (np.abs(shot.astype(int) - (200, 40, 20)).max(axis=-1) < 8).sum() > 1000


def test_files_open_in_the_background_and_a_later_open_supersedes(studio, tmp_path):
    import time

    import wx

    from wxutil import settle

    frame, messages = studio
    big = np.random.default_rng(3).integers(0, 256, (2400, 3200, 3), dtype=np.uint8)
    slow = tmp_path / "slow.png"
    assert cv2.imwrite(str(slow), big)
    small = np.zeros((90, 120, 3), np.uint8)
    small[:, 60:] = (20, 40, 200)
    quick = tmp_path / "quick.png"
    assert cv2.imwrite(str(quick), small)
    shown = frame.view.path

    frame.background.open(str(slow))
    assert frame.GetStatusBar().GetStatusText(0) == "Loading slow.png…" and wx.IsBusy()
    # Still the old image, and still editable.
    frame.view.panel.SetEditingROI(3, [(10, 10), (50, 40)])
    assert frame.view.path == shown and frame.view.panel.GetRect() == (10, 10, 50, 40)
    frame.background.open(str(quick))
    end = time.monotonic() + 20
    while frame.background.is_loading():
        assert time.monotonic() < end
        settle(1)
    settle(30)  # the superseded decode may end later; it must change nothing
    assert not wx.IsBusy() and messages == []
    assert frame.view.path == str(quick)
    assert frame.GetStatusBar().GetStatusText(0) == f"Opened {quick}"
    assert ("Size", "120 × 90 px") in frame.side.info.rows()
    assert frame.view.pixel_text(70.5, 3.2) == "RGB 200, 40, 20"

    (tmp_path / "notes.png").write_text("not an image\n")
    frame.background.open(str(tmp_path / "notes.png"))
    while frame.background.is_loading():
        settle(1)
    assert "notes.png" in messages[-1] and "not an image" in messages[-1]
    assert frame.view.path == str(quick) and not wx.IsBusy()


ROI_CASES = [
    (1, [(40.5, 30.25)], 0.0),
    (2, [(10, 20), (200.5, 150)], 0.0),
    (3, [(30, 40), (200, 100)], 0.0),
    (4, [(300, 200), (240, 72)], 27.9),
    (5, [(600, 400), (100, 100)], 0.0),
    (6, [(600, 400), (140, 0), (60, 0), (-45, 200)], 0.0),
    (7, [(100, 100), (300, 120), (260, 300), (90.5, 250)], 0.0),
]


@pytest.mark.parametrize("mode, points, angle", ROI_CASES)
def test_roi_survives_a_json_round_trip(studio, tmp_path, mode, points, angle):
    from movra_studio import roi_json

    frame, messages = studio
    panel = frame.view.panel
    panel.SetEditingROI(mode, points, angle)
    saved = frame.roi_data()
    rect = panel.GetRect()
    path = str(tmp_path / "région ü.json")
    assert frame.save_roi(path)
    frame.clear_roi()
    assert frame.roi_data() is None
    assert frame.load_roi(path)
    assert panel.GetROIMode() == mode and panel.GetRect() == rect
    assert frame.roi_data() == saved
    assert not messages
    written = roi_json.load_roi_file(path)
    assert written["version"] == 2 and len(written["rois"]) == 1
    assert {k: v for k, v in written["rois"][0].items() if k not in ("id", "name", "color")} \
        == saved
    # A single ROI as files held it before sets.
    roi_json.save_roi_file(path, saved)
    frame.clear_roi()
    assert frame.load_roi(path) and frame.roi_data() == saved


def test_a_refused_roi_file_says_why_and_keeps_the_roi(studio, tmp_path):
    frame, messages = studio
    frame.view.panel.SetEditingROI(3, [(30, 40), (200, 100)])
    kept = frame.roi_data()
    cases = [
        ({"version": 1, "mode": 7, "points": [[0, 0], [5, 5], [9, float("nan")]]},
         "points[2]: nan is not a finite number"),
        ({"version": 3, "mode": 3, "points": []}, "version: unsupported version 3"),
        ({"version": 2, "rois": [{"version": 1, "mode": 3, "points": [[1, 2], [3, 4]]}]},
         "rois[0].id: missing"),
        ({"version": 1, "mode": 5, "points": [[9, 9], [30, 0]], "outer_radius": 20},
         "outer_radius: 20.0 does not match the points"),
        ([1, 2], "the file does not hold a ROI object"),
    ]
    for i, (content, reason) in enumerate(cases):
        path = tmp_path / f"bad {i}.json"
        path.write_text(json.dumps(content), encoding="utf-8")
        assert not frame.load_roi(str(path))
        assert f"“bad {i}.json” is not a usable ROI: {reason}" in messages[-1]
        assert frame.roi_data() == kept
    assert len(messages) == len(cases)


def test_crop_writes_the_roi_region_and_refuses_what_it_cannot(studio, tmp_path):
    frame, messages = studio
    source = cv2.imread(frame.view.path, cv2.IMREAD_UNCHANGED)
    frame.view.panel.SetEditingROI(3, [(100, 50), (200, 120)])
    path = tmp_path / "Ausschnitt ü.png"
    assert frame.crop_save(str(path))
    assert np.array_equal(cv2.imread(str(path), cv2.IMREAD_UNCHANGED), source[50:170, 100:300])
    # A rectangle turned by 90 degrees stands upright: 120 wide, 200 high about its centre.
    frame.view.panel.SetEditingROI(4, [(100, 50), (200, 120)], 90.0)
    assert frame.crop_save(str(path))
    assert cv2.imread(str(path)).shape == (200, 120, 3)
    # A quarter ring: the crop is the box of exactly the pixels the panel measures as the ROI.
    frame.view.panel.SetEditingROI(6, [(150, 100), (60, 0), (25, 0), (0, 90)])
    assert frame.crop_save(str(path))
    ys, xs = np.nonzero(frame.view.panel.GetROIMask())
    assert xs.min() == 150 and ys.min() == 100
    assert np.array_equal(cv2.imread(str(path), cv2.IMREAD_UNCHANGED),
                          source[ys.min():ys.max() + 1, xs.min():xs.max() + 1])

    assert not frame.crop_save(str(tmp_path / "region.unknownformat"))
    assert "Cannot save" in messages[-1]
    frame.view.panel.SetEditingROI(1, [(40, 40)])
    assert not frame.crop_save(str(tmp_path / "point.png"))
    assert "no ROI region" in messages[-1]
    assert not (tmp_path / "point.png").exists()


def test_context_menu_tool_and_mouse_drag_reach_toolbar_readout_and_status(studio, movra):
    import wx
    from movra_studio import commands
    from wxutil import settle

    frame, _ = studio
    window = frame.view.window
    # The panel's own context-menu command for "Circle".
    window.GetEventHandler().ProcessEvent(wx.CommandEvent(wx.wxEVT_MENU, 408))
    settle()
    assert frame.toolbar.GetToolState(commands.TOOL_IDS[5])
    assert not frame.toolbar.GetToolState(commands.TOOL_IDS[3])
    assert frame.GetStatusBar().GetStatusText(2) == "Tool: Circle"

    z = frame.view.panel.GetZoomFactor()
    w, h = frame.view.image_size()
    cw, ch = window.GetClientSize()

    def screen(x, y):
        return window.ClientToScreen((int((cw - w * z) / 2 + x * z), int((ch - h * z) / 2 + y * z)))

    sim = wx.UIActionSimulator()
    sim.MouseMove(screen(600, 400))
    pump(3)
    sim.MouseDown()
    pump(3)
    for step in range(1, 11):
        sim.MouseMove(screen(600 + 8 * step, 400 + 6 * step))
        pump(3)
    sim.MouseUp()
    pump(3)
    rows = dict(frame.side.readout.rows())
    assert rows["Shape"] == "Circle"
    assert float(rows["Radius"].split()[0]) == pytest.approx(100, abs=3 / z)
    assert "Crop event" not in rows and frame.crop_rect[2] > 0
    assert frame.GetStatusBar().GetStatusText(1).startswith("x ")
    assert "RGB" in frame.GetStatusBar().GetStatusText(1)


def test_a_dropped_file_is_opened(studio, tmp_path):
    from wxutil import settle

    frame, _ = studio
    path = tmp_path / "dropped.png"
    cv2.imwrite(str(path), np.full((40, 50, 3), 128, np.uint8))
    assert frame.view.window.GetDropTarget().OnDropFiles(5, 5, [str(path)])
    settle()
    assert frame.view.path == str(path)
