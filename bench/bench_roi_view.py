"""Time per frame of two common Python ways of showing the view that bench_roi_panel paints: a
1920 x 1080 window over a 20000 x 20000 and a 4000 x 3000 RGB image, scrolled to the middle, at
zooms 0.1, 0.5, 1, 4 and 20, image only (no overlays).

- wxPython: NumPy slice of the visible region, cv2.resize (nearest), wx.Bitmap.FromBuffer,
  DrawBitmap on a client DC, then a one-pixel read-back so the X server's share is counted.
- pyqtgraph: ImageItem.setImage of the visible slice (subsampled by NumPy striding below zoom 1,
  Qt scaling the rest with its default nearest sampling) and a synchronous repaint, on Qt's
  offscreen platform (no X server). Runs in the venv named by MOVRA_BENCH_VENV (bench/run.sh
  makes it with pyqtgraph and PySide6 from PyPI); without it the row says why.

Prints one markdown table."""

import json
import os
import statistics
import subprocess
import sys
import time

import numpy as np

WIN_W, WIN_H = 1920, 1080
ZOOMS = (0.1, 0.5, 1.0, 4.0, 20.0)
IMAGES = ((20000, 20000), (4000, 3000))
RUNS = 15


def make_image(w, h):
    img = np.empty((h, w, 3), np.uint8)
    img[:] = (np.arange(h, dtype=np.uint32) * 7 % 256).astype(np.uint8)[:, None, None]
    img[:, :, 1] = (np.arange(w, dtype=np.uint32) % 256).astype(np.uint8)[None, :]
    return img


def visible_region(w, h, zoom):
    """The panel's visible rectangle at the middle scroll position (20-pixel scroll units)."""
    virt_w, virt_h = int(w * zoom), int(h * zoom)
    sx = max(0, (virt_w - WIN_W) // 2) // 20 * 20
    sy = max(0, (virt_h - WIN_H) // 2) // 20 * 20
    x0, y0 = max(0, int(sx / zoom)), max(0, int(sy / zoom))
    rw = min(w - x0, int(WIN_W / zoom) + 2)
    rh = min(h - y0, int(WIN_H / zoom) + 2)
    return x0, y0, rw, rh


def median_ms(frame, runs=RUNS):
    frame()
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        frame()
        times.append((time.perf_counter() - t0) * 1000.0)
    return statistics.median(times)


def wx_times():
    import cv2
    import wx

    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, pos=(0, 0), size=(WIN_W + 80, WIN_H + 120))
    host = wx.Window(frame)
    win = wx.Window(host, pos=(0, 0), size=(WIN_W, WIN_H))
    frame.Show()
    for _ in range(10):
        wx.SafeYield(None, True)
    probe = wx.Bitmap(1, 1, 24)

    def show(img, zoom):
        x0, y0, rw, rh = visible_region(img.shape[1], img.shape[0], zoom)
        small = cv2.resize(img[y0:y0 + rh, x0:x0 + rw], None, fx=zoom, fy=zoom,
                           interpolation=cv2.INTER_NEAREST)
        bmp = wx.Bitmap.FromBuffer(small.shape[1], small.shape[0], small)
        dc = wx.ClientDC(win)
        dc.DrawBitmap(bmp, 0, 0, False)
        del dc
        mdc = wx.MemoryDC(probe)  # a read-back waits for the server
        mdc.Blit(0, 0, 1, 1, wx.ClientDC(win), 0, 0)
        mdc.SelectObject(wx.NullBitmap)

    out = {}
    for w, h in IMAGES:
        img = make_image(w, h)
        for zoom in ZOOMS:
            out[f"{w}x{h}@{zoom}"] = median_ms(lambda: show(img, zoom))
        del img
    frame.Destroy()
    del app
    return out


def pyqtgraph_times():
    os.environ["QT_QPA_PLATFORM"] = "offscreen"
    import pyqtgraph as pg

    app = pg.mkQApp()
    pg.setConfigOptions(imageAxisOrder="row-major")
    view = pg.GraphicsView()
    box = pg.ViewBox(invertY=True, enableMouse=False)
    view.setCentralItem(box)
    item = pg.ImageItem()
    box.addItem(item)
    view.resize(WIN_W, WIN_H)
    view.show()
    app.processEvents()

    def show(img, zoom):
        x0, y0, rw, rh = visible_region(img.shape[1], img.shape[0], zoom)
        part = img[y0:y0 + rh, x0:x0 + rw]
        if zoom < 1.0:
            part = part[::round(1 / zoom), ::round(1 / zoom)]
        item.setImage(part, autoLevels=False)
        shown = min(WIN_W / zoom, rw), min(WIN_H / zoom, rh)
        scale = part.shape[1] / rw
        box.setRange(xRange=(0, shown[0] * scale), yRange=(0, shown[1] * scale), padding=0)
        view.viewport().repaint()
        app.processEvents()

    out = {"version": f"pyqtgraph {pg.__version__}, Qt {pg.Qt.QtCore.qVersion()}"}
    for w, h in IMAGES:
        img = make_image(w, h)
        for zoom in ZOOMS:
            out[f"{w}x{h}@{zoom}"] = median_ms(lambda: show(img, zoom))
        del img
    return out


def main():
    if "--pyqtgraph" in sys.argv:
        print(json.dumps(pyqtgraph_times()))
        return 0
    ours = wx_times()
    venv = os.environ.get("MOVRA_BENCH_VENV", "")
    qt, qt_note = {}, ""
    if not venv:
        qt_note = "not run: MOVRA_BENCH_VENV not set"
    else:
        run = subprocess.run([os.path.join(venv, "bin", "python"), __file__, "--pyqtgraph"],
                             capture_output=True, text=True)
        if run.returncode == 0:
            qt = json.loads(run.stdout.strip().splitlines()[-1])
            qt_note = qt.pop("version")
        else:
            last = (run.stderr.strip().splitlines() or ["no output"])[-1]
            qt_note = f"could not run: {last}"

    print(f"\n### Python ways of showing the same view ({WIN_W} x {WIN_H}, median ms per frame)\n")
    print(f"pyqtgraph: {qt_note}\n")
    print("| image | zoom | wxPython: slice + cv2.resize + FromBuffer + DrawBitmap | "
          "pyqtgraph ImageItem (offscreen Qt) |")
    print("|---|---:|---:|---:|")
    for w, h in IMAGES:
        for zoom in ZOOMS:
            key = f"{w}x{h}@{zoom}"
            q = f"{qt[key]:.2f}" if key in qt else "n/a"
            print(f"| {w} x {h} | {zoom} | {ours[key]:.2f} | {q} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
