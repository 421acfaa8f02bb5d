"""Panel memory: resident growth and peak during SetMat / LoadImage of a 6000 x 6000 image of 1,
3 and 4 channels (and a 16-bit grey one) fitted in a 1200 x 760 panel, over the image's own
bytes; then very large images (20000 x 20000 colour, 30000 x 30000 grey, 20000 x 20000 uint16
with display levels) set and opened from files: resident growth, load time, repaints at fit and
a pan at 100 % (the view moved to several places of the image). Each case runs in a fresh
interpreter, so one case's freed pages do not serve the next. The peak is VmHWM after
/proc/self/clear_refs reset it just before the call. Before a LoadImage the codecs have read a
small file of the same kind: their libraries' pages come in at the first decode of a process,
whatever the image (measured and printed on their own). Prints markdown tables."""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("MOVRA_BUILD_DIR", ROOT / "build")).resolve()
W, H = 1200, 760


def status_kb(key):
    for line in Path("/proc/self/status").read_text().splitlines():
        if line.startswith(key + ":"):
            return int(line.split()[1])
    raise KeyError(key)


def make_image(side_w, side_h, channels, dtype):
    import numpy as np

    shape = (side_h, side_w) if channels == 1 else (side_h, side_w, channels)
    img = np.empty(shape, dtype)
    ramp = (np.arange(side_w) % 251).astype(dtype)
    img[...] = ramp[None, :, None] if channels > 1 else ramp[None, :]
    return img


def child(case):
    sys.path.insert(0, str(BUILD))
    import numpy as np
    import wx

    import MovraModule

    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, pos=(0, 0), size=(W + 60, H + 80))
    host = wx.Panel(frame)
    frame.Show()
    cls = getattr(MovraModule, case["panel"])
    panel = cls(host.GetHandle(), width=W, height=H)

    def settle():
        for _ in range(8):
            wx.SafeYield(None, True)
            time.sleep(0.01)

    settle()
    if case.get("warm"):
        MovraModule.GetImageFileInfo(case["warm"])
        settle()
    img = None
    dtype = np.dtype(case["dtype"])
    nbytes = case["w"] * case["h"] * case["channels"] * dtype.itemsize
    if case["entry"] == "SetMat":
        img = make_image(case["w"], case["h"], case["channels"], dtype)
    settle()
    before = status_kb("VmRSS")
    Path("/proc/self/clear_refs").write_text("5")
    t0 = time.perf_counter()
    if case["entry"] == "SetMat":
        panel.SetMat(img)
    elif case["panel"] == "MovraPanel":
        assert panel.LoadImage(case["path"], MovraModule.IMREAD_UNCHANGED)
    else:
        assert panel.LoadImage(case["path"])
    settle()
    load_s = time.perf_counter() - t0
    if case.get("levels"):
        panel.SetAutoLevels()
        settle()
    after = status_kb("VmRSS")
    peak = status_kb("VmHWM")
    win = [c for c in host.GetChildren() if c.GetHandle() == panel.GetHandle()][0]

    def repaint_ms():
        t0 = time.perf_counter()
        win.Refresh()
        win.Update()
        return (time.perf_counter() - t0) * 1000

    fit_ms = statistics.median(repaint_ms() for _ in range(5))
    # A pan at 100 %: the view moved by scroll-bar events (as a user drags the bars) to places
    # spread over the image, each repainted.
    panel.SetOriginal()
    settle()
    pan = []
    for i in range(1, 8):
        for orient in (wx.HORIZONTAL, wx.VERTICAL):
            size = win.GetVirtualSize()[0 if orient == wx.HORIZONTAL else 1]
            event = wx.ScrollWinEvent(wx.wxEVT_SCROLLWIN_THUMBTRACK, size * i // 8 // 20, orient)
            event.SetEventObject(win)
            win.GetEventHandler().ProcessEvent(event)
        pan.append(repaint_ms())
    frame.Destroy()
    return {"growth": (after - before) * 1024 / nbytes, "peak": (peak - before) * 1024 / nbytes,
            "rss_mb": (after - before) / 1024, "load_s": load_s, "fit_ms": fit_ms,
            "pan_ms": statistics.median(pan), "mb": nbytes / 2**20}


def library_pages_mb(path):
    """Resident growth of a process's first decode of a small file: the codec libraries."""
    code = ("import sys, time; sys.path.insert(0, sys.argv[1]); import MovraModule; "
            "from pathlib import Path\n"
            "def rss():\n"
            " return int([l for l in Path('/proc/self/status').read_text().splitlines()"
            " if l.startswith('VmRSS:')][0].split()[1])\n"
            "b = rss(); MovraModule.GetImageFileInfo(sys.argv[2]); print((rss() - b) / 1024)")
    out = subprocess.run([sys.executable, "-c", code, str(BUILD), path], capture_output=True,
                         text=True)
    return float(out.stdout.strip().splitlines()[-1]) if out.returncode == 0 else float("nan")


def run(case):
    out = subprocess.run([sys.executable, __file__, "--child", json.dumps(case)],
                         capture_output=True, text=True)
    if out.returncode != 0:
        return {"error": out.stderr.strip().splitlines()[-1:] or ["failed"]}
    return json.loads(out.stdout.strip().splitlines()[-1])


def write_file(tmp, w, h, channels, dtype):
    import cv2
    import numpy as np

    path = Path(tmp) / f"img_{w}_{channels}_{dtype}.png"
    if not path.exists():
        cv2.imwrite(str(path), make_image(w, h, channels, np.dtype(dtype)),
                    [cv2.IMWRITE_PNG_COMPRESSION, 1])
    return str(path)


def main():
    if "--child" in sys.argv:
        print(json.dumps(child(json.loads(sys.argv[-1]))))
        return 0
    side = 6000
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as tmp:
        warm = write_file(tmp, 64, 64, 3, "uint8")
        print(f"Panel memory, {side} x {side} image fitted in a {W} x {H} panel: resident "
              "growth after the image is shown, and the peak during the call, over the image's "
              "own bytes (target: growth <= 1.3, peak <= 2.2)\n")
        print("| panel | entry | image | growth | peak | target |")
        print("|---|---|---|---:|---:|---|")
        for panel in ("MovraPanel", "MovraROIAdvPanel"):
            for entry in ("SetMat", "LoadImage"):
                for channels, dtype in ((1, "uint8"), (3, "uint8"), (4, "uint8"), (1, "uint16")):
                    case = {"panel": panel, "entry": entry, "w": side, "h": side,
                            "channels": channels, "dtype": dtype}
                    if entry == "LoadImage":
                        case["path"] = write_file(tmp, side, side, channels, dtype)
                        case["warm"] = warm
                    r = run(case)
                    label = f"{channels} ch {dtype}"
                    if "error" in r:
                        print(f"| {panel} | {entry} | {label} | failed: {r['error'][0]} | | |")
                        continue
                    ok = r["growth"] <= 1.3 and r["peak"] <= 2.2
                    print(f"| {panel} | {entry} | {label} | {r['growth']:.2f} | {r['peak']:.2f}"
                          f" | {'within' if ok else 'OVER'} |")
        print(f"\nThe codec libraries' pages, once per process at its first decode (a 64 x 64 "
              f"PNG; not counted above): {library_pages_mb(warm):.1f} MB")

        print("\nVery large images: resident growth, SetMat or LoadImage with the first paint "
              "(fitted), a repaint at fit, and a pan at 100 % (median of 7 repaints at places "
              "spread over the image)\n")
        print("| panel | entry | image | image MB | growth MB | growth / image | peak / image | "
              "load s | repaint at fit (ms) | pan at 100 % (ms) |")
        print("|---|---|---|---:|---:|---:|---:|---:|---:|---:|")
        big = ((20000, 20000, 3, "uint8", False, True), (30000, 30000, 1, "uint8", False, True),
               (20000, 20000, 1, "uint16", True, False))
        for panel in ("MovraPanel", "MovraROIAdvPanel"):
            for w, h, channels, dtype, levels, from_file in big:
                for entry in ("SetMat", "LoadImage") if from_file else ("SetMat",):
                    case = {"panel": panel, "entry": entry, "w": w, "h": h,
                            "channels": channels, "dtype": dtype, "levels": levels}
                    if entry == "LoadImage":
                        case["path"] = write_file(tmp, w, h, channels, dtype)
                        case["warm"] = warm
                    r = run(case)
                    label = f"{w} x {h} x {channels} {dtype}" + (" + auto levels" if levels
                                                                   else "")
                    if "error" in r:
                        print(f"| {panel} | {entry} | {label} | failed: {r['error'][0]} "
                              "| | | | | | |")
                        continue
                    print(f"| {panel} | {entry} | {label} | {r['mb']:.0f} | {r['rss_mb']:.0f} | "
                          f"{r['growth']:.2f} | {r['peak']:.2f} | {r['load_s']:.2f} | "
                          f"{r['fit_ms']:.0f} | {r['pan_ms']:.0f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
