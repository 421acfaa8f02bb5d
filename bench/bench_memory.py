"""Panel memory: resident growth and peak during SetMat / LoadImage of a 6000 x 6000 image of 1,
3 and 4 channels (and a 16-bit grey one) fitted in a 1200 x 760 panel, over the image's own
bytes; then very large images (20000 x 20000 colour, 30000 x 30000 grey, 20000 x 20000 uint16
with display levels): resident growth, load time and a repaint at 100 %. Each case runs in a fresh
interpreter, so one case's freed pages do not serve the next. The peak is VmHWM after
/proc/self/clear_refs reset it just before the call. Prints markdown tables."""

import json
import os
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
    # The view at 100 % (the top-left window of the image), painted.
    panel.SetOriginal()
    win = [c for c in host.GetChildren() if c.GetHandle() == panel.GetHandle()][0]
    t0 = time.perf_counter()
    win.Refresh()
    win.Update()
    settle()
    pan_ms = (time.perf_counter() - t0) * 1000
    frame.Destroy()
    return {"growth": (after - before) * 1024 / nbytes, "peak": (peak - before) * 1024 / nbytes,
            "rss_mb": (after - before) / 1024, "load_s": load_s, "pan_ms": pan_ms,
            "mb": nbytes / 2**20}


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
                    r = run(case)
                    label = f"{channels} ch {dtype}"
                    if "error" in r:
                        print(f"| {panel} | {entry} | {label} | failed: {r['error'][0]} | | |")
                        continue
                    ok = r["growth"] <= 1.3 and r["peak"] <= 2.2
                    print(f"| {panel} | {entry} | {label} | {r['growth']:.2f} | {r['peak']:.2f}"
                          f" | {'within' if ok else 'OVER'} |")
    print("\nVery large images through SetMat (the array is the caller's; the panel's own copy "
          "is what grows): resident growth, SetMat + first paint, one repaint at 100 %\n")
    print("| panel | image | image MB | growth MB | growth / image | load s | repaint at 100 % (ms) |")
    print("|---|---|---:|---:|---:|---:|---:|")
    big = ((20000, 20000, 3, "uint8", False), (30000, 30000, 1, "uint8", False),
           (20000, 20000, 1, "uint16", True))
    for panel in ("MovraPanel", "MovraROIAdvPanel"):
        for w, h, channels, dtype, levels in big:
            r = run({"panel": panel, "entry": "SetMat", "w": w, "h": h, "channels": channels,
                     "dtype": dtype, "levels": levels})
            label = f"{w} x {h} x {channels} {dtype}" + (" + auto levels" if levels else "")
            if "error" in r:
                print(f"| {panel} | {label} | failed: {r['error'][0]} | | | | |")
                continue
            print(f"| {panel} | {label} | {r['mb']:.0f} | {r['rss_mb']:.0f} | "
                  f"{r['growth']:.2f} | {r['load_s']:.2f} | {r['pan_ms']:.0f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
