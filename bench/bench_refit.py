"""MovraPanel refit: SetZoomToFit (scale, repaint) of a 12-megapixel image of 1, 3 and 4 channels
after each resize of the panel between 1280 x 800 and 1200 x 750. Prints one markdown table. To
compare two builds in the same run, give their folders: `bench_refit.py BUILD_A BUILD_B` runs
each in turn, three times, the last's ratio to the first (run on an X server)."""

import ast
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
RUNS = 31
SIZES = ((1280, 800), (1200, 750))
CASES = (("grey", 1), ("BGR", 3), ("BGRA", 4))


def measure(build):
    """Median ms of one refit (with its paint) for each case, in this process."""
    sys.path.insert(0, str(Path(build).resolve()))
    import numpy as np
    import wx

    import MovraModule

    app = wx.App(False)
    frame = wx.Frame(None, pos=(0, 0), size=(1320, 860))
    host = wx.Panel(frame)
    frame.Show()
    # Until the window is on the screen a refit's paint would be skipped.
    deadline = time.monotonic() + 5.0
    while not frame.IsShownOnScreen() and time.monotonic() < deadline:
        wx.SafeYield()
    for _ in range(20):
        time.sleep(0.01)
        wx.SafeYield()
    width, height = SIZES[0]
    panel = MovraModule.MovraPanel(host.GetHandle(), x=0, y=0, width=width, height=height)
    panel.SetZoomToFit()
    rng = np.random.default_rng(7)
    medians = {}
    # The first case once more in front: the first refits after the window appears can skip
    # their paint.
    for name, channels in CASES[:1] + CASES:
        shape = (3000, 4000) if channels == 1 else (3000, 4000, channels)
        panel.SetMat(rng.integers(0, 256, shape, dtype=np.uint8))
        times = []
        for i in range(RUNS + 1):
            # The window takes its new size in the event loop; the refit is then timed alone.
            panel.SetSize(*SIZES[(i + 1) % 2])
            for _ in range(3):
                wx.SafeYield()
            t0 = time.perf_counter()
            panel.SetZoomToFit()
            times.append((time.perf_counter() - t0) * 1000.0)
        medians[name] = statistics.median(times[1:])
    frame.Destroy()
    del app
    return medians


def main():
    builds = sys.argv[1:] or [os.environ.get("MOVRA_BUILD_DIR", str(ROOT / "build"))]
    if len(builds) == 1:
        medians = measure(builds[0])
        print("\n### MovraPanel refit (4000 x 3000, SetZoomToFit after a resize)\n")
        print("| source | refit + paint (median ms) |\n|---|---:|")
        for name, _ in CASES:
            print(f"| {name} | {medians[name]:.2f} |")
        return 0
    # Each build in its own process, in turn, so both see the same load.
    names = [name for name, _ in CASES]
    rows = {b: {name: [] for name in names} for b in builds}
    for _ in range(3):
        for b in builds:
            out = subprocess.run([sys.executable, "-c",
                                  f"import sys; sys.path.insert(0, {str(ROOT / 'bench')!r}); "
                                  f"import bench_refit; print(bench_refit.measure({b!r}))"],
                                 check=True, capture_output=True, text=True).stdout
            for name, ms in ast.literal_eval(out.strip().splitlines()[-1]).items():
                rows[b][name].append(ms)
    print("\n### MovraPanel refit, builds in turn (median of three runs' medians, ms)\n")
    print("| source | " + " | ".join(builds) + " | ratio |\n|---|" + "---:|" * (len(builds) + 1))
    for name in names:
        ms = [statistics.median(rows[b][name]) for b in builds]
        print(f"| {name} | " + " | ".join(f"{m:.2f}" for m in ms) + f" | {ms[-1] / ms[0]:.2f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
