"""Cost of MovraROIAdvPanel.GetROIStats and GetROIMask as the image grows and the ROI does not:
a 50 x 50 rectangle on a 500 x 500 and on a 20000 x 20000 RGB image, and large ROIs on the
large image for reference. The reference column is NumPy computing the same statistics from
the same mask, given the ROI's bounding box for free (slice, boolean selection, mean, std,
min, max per channel). Medians of repeated calls on a real panel in a wx.App.

Prints one markdown table."""

import statistics
import time

import numpy as np
import wx

import MovraModule

BIG = 20000


def median_ms(call, runs):
    call()
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        call()
        times.append((time.perf_counter() - t0) * 1000.0)
    return statistics.median(times)


def make_image(side, regions):
    # Zero pages cost nothing until touched; only where ROIs lie do pixels vary.
    img = np.zeros((side, side, 3), np.uint8)
    rng = np.random.default_rng(1)
    for x, y, w, h in regions:
        img[y:y + h, x:x + w] = rng.integers(0, 256, (h, w, 3), dtype=np.uint8)
    return img


def numpy_stats(img, mask):
    ys, xs = np.nonzero(mask)
    box = (slice(ys.min(), ys.max() + 1), slice(xs.min(), xs.max() + 1))

    def run():
        sel = img[box][mask[box] > 0]
        return sel.mean(0), sel.std(0), sel.min(0), sel.max(0)
    return run


def main():
    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, size=(700, 560))
    host = wx.Panel(frame)
    frame.Show()
    for _ in range(10):
        wx.SafeYield(None, True)
    panel = MovraModule.MovraROIAdvPanel(host.GetHandle(), width=640, height=480)

    rows = []
    mid = BIG // 2
    cases = [
        (500, "50 × 50 rectangle", (3, [(225, 225), (50, 50)]), 201),
        (BIG, "50 × 50 rectangle", (3, [(mid, mid), (50, 50)]), 201),
        (BIG, "circle, radius 28", (5, [(mid + 25, mid + 25), (28, 0)]), 201),
        (BIG, "4000 × 4000 rectangle (16 MP)", (3, [(mid - 2000, mid - 2000), (4000, 4000)]),
         5),
        (BIG, "annulus sector 2000 / 1000, 0 to 270°",
         (6, [(mid, mid), (2000, 0), (1000, 0), (0, 270)]), 5),
    ]
    shown = None
    img = None
    for side, what, (mode, points), runs in cases:
        if shown != side:
            img = None
            regions = ([(0, 0, side, side)] if side < BIG else
                       [(mid - 2000, mid - 2000, 4001, 4001)])
            img = make_image(side, regions)
            panel.SetMat(img)
            shown = side
        panel.SetEditingROI(mode, points)
        mask = panel.GetROIMask()
        ours = median_ms(panel.GetROIStats, runs)
        ref = median_ms(numpy_stats(img, mask), runs)
        rows.append((f"`GetROIStats`, {what}", f"{side} × {side}", ours, ref))
        if what == "50 × 50 rectangle":
            mask_ms = median_ms(panel.GetROIMask, 5 if side == BIG else runs)
            rows.append((f"`GetROIMask`, {what} (the image-sized array)", f"{side} × {side}",
                         mask_ms, None))
    panel = None
    frame.Destroy()
    del app

    print("| What | image | ms | NumPy on the box | ratio |")
    print("|---|---|---:|---:|---:|")
    for what, size, ours, ref in rows:
        ref_text = f"{ref:.3f}" if ref is not None else ""
        ratio = f"{ours / ref:.2f}" if ref else ""
        print(f"| {what} | {size} | {ours:.3f} | {ref_text} | {ratio} |")


if __name__ == "__main__":
    main()
