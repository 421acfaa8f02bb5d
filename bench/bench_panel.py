"""MovraPanel display speed: SetMat + first paint of a 12-megapixel image in a 1280 x 800 panel in
ZoomToFit mode, next to wxPython's own way of showing the same array (resize, wx.Bitmap.FromBuffer,
draw in a paint handler). Prints one markdown table. Run on an X server (bench/run.sh uses Xvfb)."""

import os
import statistics
import sys
import time
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(Path(os.environ.get("MOVRA_BUILD_DIR", ROOT / "build")).resolve()))

import cv2  # noqa: E402
import wx  # noqa: E402

import MovraModule  # noqa: E402

W, H = 1280, 800
IMG_W, IMG_H = 4000, 3000  # 12 megapixels
RUNS = 15


def settle():
    for _ in range(5):
        wx.SafeYield()


class BaselineWindow(wx.Window):
    """What a wxPython program does by itself: scale with OpenCV, wrap as a bitmap, paint it."""

    def __init__(self, parent):
        super().__init__(parent, pos=(0, 0), size=(W, H))
        self.SetBackgroundStyle(wx.BG_STYLE_PAINT)
        self.bitmap = None
        self.painted = 0
        self.Bind(wx.EVT_PAINT, self.on_paint)

    def show(self, img):
        w, h = self.GetClientSize()
        scale = min(w / img.shape[1], h / img.shape[0])
        size = (max(1, int(img.shape[1] * scale)), max(1, int(img.shape[0] * scale)))
        small = cv2.resize(img, size, interpolation=cv2.INTER_NEAREST)
        rgb = cv2.cvtColor(small, cv2.COLOR_BGR2RGB)
        self.bitmap = wx.Bitmap.FromBuffer(size[0], size[1], rgb)
        self.Refresh()
        self.Update()

    def on_paint(self, _evt):
        dc = wx.AutoBufferedPaintDC(self)
        dc.SetBackground(wx.BLACK_BRUSH)
        dc.Clear()
        if self.bitmap is not None:
            dc.DrawBitmap(self.bitmap, 0, 0, False)
        self.painted += 1


def timed(fn, images):
    times = []
    for img in images:
        settle()
        t0 = time.perf_counter()
        fn(img)
        times.append((time.perf_counter() - t0) * 1000.0)
    return statistics.median(times), min(times)


def main():
    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    rng = np.random.default_rng(7)
    base = rng.integers(0, 256, (IMG_H, IMG_W, 3), dtype=np.uint8)
    # Distinct arrays per run so no cache of a previous run helps either side.
    images = [np.roll(base, i, axis=1) for i in range(3)]
    images = [images[i % 3] for i in range(RUNS)]

    frame = wx.Frame(None, pos=(0, 0), size=(W + 40, H + 60))
    host = wx.Panel(frame)
    frame.Show()
    settle()
    panel = MovraModule.MovraPanel(host.GetHandle(), x=0, y=0, width=W, height=H)
    panel.SetZoomToFit()
    settle()
    ours = timed(panel.SetMat, images)
    assert panel.GetMat().shape == (IMG_H, IMG_W, 3)
    del panel
    settle()

    # For comparison: the engine taking the same arrays (one copy into its held image).
    engine = MovraModule.MovraEngine()
    boundary = timed(engine.SetMat, images)
    del engine

    baseline_win = BaselineWindow(host)
    settle()
    theirs = timed(baseline_win.show, images)
    assert baseline_win.painted >= RUNS
    frame.Destroy()
    settle()

    print(f"\n### MovraPanel display ({IMG_W} x {IMG_H} BGR image, {W} x {H} panel, ZoomToFit)\n")
    print("| Operation | median ms | best ms | ratio to wxPython |")
    print("|---|---:|---:|---:|")
    print(f"| MovraPanel.SetMat + first paint | {ours[0]:.1f} | {ours[1]:.1f} | "
          f"{ours[0] / theirs[0]:.2f} |")
    print(f"| for comparison: MovraEngine.SetMat (one copy of the array) | "
          f"{boundary[0]:.1f} | {boundary[1]:.1f} | {boundary[0] / theirs[0]:.2f} |")
    print(f"| wxPython: cv2.resize + wx.Bitmap.FromBuffer + paint | {theirs[0]:.1f} | "
          f"{theirs[1]:.1f} | 1.00 |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
