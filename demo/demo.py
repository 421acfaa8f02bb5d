"""MovraModule demo: runs the engine on a generated sample image and writes the results, then
shows the image in two MovraPanel windows with guide lines and saves a screenshot of them.

Usage: python3 demo/demo.py OUTPUT_FOLDER [--show]
(--show keeps the window open until it is closed; without it the demo closes it itself, which is
what runs on a virtual X server.)
"""

import sys
from pathlib import Path

import numpy as np


def make_sample_image(width=640, height=480):
    """A colour test card: gradients, a disc, a square and stripes, so every filter shows."""
    y, x = np.mgrid[0:height, 0:width]
    img = np.zeros((height, width, 3), np.uint8)
    img[..., 0] = (x * 255 // (width - 1)).astype(np.uint8)  # blue ramp left to right
    img[..., 1] = (y * 255 // (height - 1)).astype(np.uint8)  # green ramp top to bottom
    img[..., 2] = 96
    disc = (x - width * 0.3) ** 2 + (y - height * 0.5) ** 2 < (height * 0.22) ** 2
    img[disc] = (40, 40, 230)
    img[height // 4 : height * 3 // 4, width * 6 // 10 : width * 9 // 10] = (250, 250, 250)
    img[(y // 16) % 2 == 0] //= 2
    return img


def run_engine(movra, out: Path):
    engine = movra.MovraEngine()
    engine.SetMat(make_sample_image())
    written = []

    def save(name):
        path = out / name
        ok = engine.SaveImage(str(path))
        written.append((name, ok, engine.GetImageSize()))

    save("sample.png")
    engine.GaussianBlur(5, 1.5)
    save("sample_blur.png")
    edges = engine.Canny(50, 150)
    engine.ConvertToGray()
    save("sample_grey.png")
    engine.SetMat(edges)
    save("sample_canny.png")
    engine.SetMat(make_sample_image())
    engine.Resize(320, 0)
    save("sample_half.png")
    for name, ok, size in written:
        print(f"  {name:18s} {size[1]}x{size[0]}x{size[2]}  {'written' if ok else 'NOT written'}")
    return all(ok for _, ok, _ in written)


def grab_window(wx, window):
    """The window's client area as it is on the screen, as a wx.Bitmap."""
    w, h = window.GetClientSize()
    ox, oy = window.ClientToScreen((0, 0))
    bmp = wx.Bitmap(w, h, 24)
    mdc = wx.MemoryDC(bmp)
    mdc.Blit(0, 0, w, h, wx.ScreenDC(), ox, oy)
    mdc.SelectObject(wx.NullBitmap)
    return bmp


def run_panels(movra, out: Path, keep_open: bool):
    """Two display panels in a wx frame: fitted with rule of thirds, unscaled with a 16:9 crop
    outline in red. Returns the screenshot path, or None when nothing could be shown."""
    import time

    import wx

    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, title="MovraModule demo", pos=(0, 0), size=(960, 600))
    host = wx.Panel(frame)
    wx.StaticText(host, label="ZoomToFit + RuleOfThirds", pos=(10, 8))
    wx.StaticText(host, label="Original + AspectRatioMask 16:9 (red)", pos=(480, 8))
    frame.Show()
    for _ in range(5):
        wx.SafeYield()
    handle = host.GetHandle()
    if not handle:
        print("  no X11 window handle (GDK_BACKEND=x11 needed): panels skipped")
        return None
    img = make_sample_image()
    fitted = movra.MovraPanel(handle, x=10, y=30, width=460, height=345)
    fitted.SetCanvasBgColor(40, 40, 40)
    fitted.SetZoomToFit()
    fitted.SetMat(img)
    fitted.SetGuideLineMode(movra.GuideLineMode.RuleOfThirds)
    fitted.SetGuideLineThickness(2)

    unscaled = movra.MovraPanel(handle, x=480, y=30, width=460, height=520)
    unscaled.SetMat(img[:, 100:500])
    unscaled.SetGuideLineMode(movra.GuideLineMode.AspectRatioMask)
    unscaled.SetAspectRatio(movra.AspectRatio.AR_16_9)
    unscaled.SetGuideLineColor(0, 0, 255, 255)
    unscaled.SetGuideLineThickness(3)

    for _ in range(20):
        wx.SafeYield()
        time.sleep(0.02)
    shot = out / "panel_screenshot.png"
    grab_window(wx, host).SaveFile(str(shot), wx.BITMAP_TYPE_PNG)
    print(f"  panel_screenshot.png  {host.GetClientSize()[0]}x{host.GetClientSize()[1]}  written")
    if keep_open:
        app.MainLoop()
    else:
        frame.Destroy()
    del fitted, unscaled
    return shot


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    out = Path(args[0] if args else "demo-output").resolve()
    out.mkdir(parents=True, exist_ok=True)
    import MovraModule as movra

    print(f"MovraModule {movra.__version__}: engine results in {out}")
    ok = run_engine(movra, out)
    print("MovraPanel windows, screenshot:")
    shot = run_panels(movra, out, keep_open="--show" in sys.argv)
    return 0 if ok and shot is not None else 1


if __name__ == "__main__":
    sys.exit(main())
