"""Headless mode's workbench scene, for the user guide's picture: three named ROIs in the side
pane's list, two measurements in the Results window, the bore's histogram, and the line
across the bore selected with its profile; the tool windows are placed below the main
window, and the screen area holding all of them is saved. Needs a screen of at least
1290 x 1390 pixels."""

import os
import sys
import time

import numpy as np

from . import roi_json, screenshot, window_render

# In fractions of the image size (on the sample: the bore at (600, 400), radius 130).
BORE = (0.5, 0.5, 0.108)
PLATE = (0.08, 0.12, 0.2, 0.25)
LINE = ((0.3, 0.5), (0.7, 0.5))


def _idle(window):
    window.GetEventHandler().ProcessEvent(screenshot.wx.IdleEvent())
    for child in window.GetChildren():
        _idle(child)


def _settle(seconds):
    # Not wx.SafeYield: it disables every window while it runs, and the pictures would show
    # greyed-out buttons.
    app = screenshot.wx.GetApp()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        app.Yield(True)
        # Idle time too, which a yield does not give: the list control lays its rows out then.
        for window in screenshot.wx.GetTopLevelWindows():
            _idle(window)
        time.sleep(0.01)


def _read(windows, rect):
    """The screen area `rect` as the windows would show it there: each drawn by GTK (see
    window_render) and put at its place, never read from the screen."""
    x0, y0, w, h = rect
    canvas = np.zeros((h, w, 3), np.uint8)
    for window in windows:
        pixels = window_render.render(window)
        wx_, wy = window.GetPosition()
        left, top = max(wx_ - x0, 0), max(wy - y0, 0)
        right = min(wx_ - x0 + pixels.shape[1], w)
        bottom = min(wy - y0 + pixels.shape[0], h)
        if right > left and bottom > top:
            canvas[top:bottom, left:right] = pixels[top - (wy - y0):bottom - (wy - y0),
                                                    left - (wx_ - x0):right - (wx_ - x0)]
    return canvas


def _grab(windows, rect, path):
    """Saves the area, once two drawings a moment apart agree (windows shown just now are
    laid out and painted over several turns of the event loop)."""
    try:
        _settle(0.1)  # windows shown just now are laid out on GTK's next frame
        now = _read(windows, rect)
        for _ in range(60):
            _settle(0.1)
            last, now = now, _read(windows, rect)
            if (now == last).all():
                break
    except window_render.RenderError as e:
        print(f"movra_studio: no screenshot: {e}", file=sys.stderr)
        return False
    ok = screenshot.save_png(now, path)
    print(f"  {os.path.basename(path)} ({rect[2]} × {rect[3]}): "
          f"{'written' if ok else 'NOT written'}")
    return ok


def _open(bench, name, position, size):
    """The tool window, placed below the main window (which it must not hide) and shown."""
    window = bench.window(name)
    window.SetSize(*position, *size)
    bench.show(name)
    return window


def run(frame, out_path):
    """Builds the scene and saves the picture; True when it was written."""
    panel = frame.view.panel
    bench = frame.workbench
    w, h = frame.view.image_size()
    print("Movra Studio, headless workbench scene:")
    fx, fy, fw, fh = frame.GetRect()
    below = fy + fh
    hist = _open(bench, "histogram", (fx, below + 190), (fw // 2, 370))
    profile = _open(bench, "profile", (fx + fw // 2, below + 190), (fw - fw // 2, 370))

    cx, cy, r = BORE[0] * w, BORE[1] * h, BORE[2] * w
    bore = panel.AddROI(roi_json.CIRCLE, [(cx, cy), (r, 0.0)], name="bore")
    x, y, rw, rh = PLATE[0] * w, PLATE[1] * h, PLATE[2] * w, PLATE[3] * h
    panel.AddROI(roi_json.RECTANGLE, [(x, y), (rw, rh)], name="plate")
    panel.SelectROI(bore)
    frame.refresh_readout()
    bench.measure(all_rois=True)
    results = _open(bench, "results", (fx, below), (fw, 190))
    bench.refresh_histogram()
    # The histogram stays with the bore while the line is selected for the profile.
    bench.windows.pop("histogram")

    (x0, y0), (x1, y1) = LINE
    line = panel.AddROI(roi_json.LINE, [(x0 * w, y0 * h), (x1 * w, y1 * h)], name="section")
    panel.SelectROI(line)
    frame.refresh_readout()
    bench.refresh_profile()
    for window in (frame, results, hist, profile):
        window.Refresh()
    ok = _grab((frame, results, hist, profile), (fx, fy, fw, fh + 190 + 370), str(out_path))
    bench.windows["histogram"] = hist
    return bool(ok)
