"""Threads: how long the main thread waits while a worker thread runs native work (12 MP loads
of PNG, JPEG, HEIF and JPEG XL, GaussianBlur, Canny), next to a worker that only sleeps 1 ms at
a time; two threads loading two files against one loading both (cv2.imread side by side);
GetImageFileInfo over 10,000 files from two threads against one; and the longest gap between
5 ms wx timer events while a panel's LoadImageAsync decodes and adopts a 12 MP file.

Medians of MOVRA_BENCH_REPEATS runs (default 5); ratios are taken within one run.
Targets: wait <= 10 ms; two threads >= 1.8 x one (PNG, JPEG, HEIF); file info >= 1.8 x;
timer gap <= 30 ms.
"""

import os
import shutil
import statistics
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests"))
sys.path.insert(0, os.environ.get("MOVRA_BUILD_DIR", str(Path(__file__).resolve().parent.parent
                                                          / "build")))

import cv2  # noqa: E402
import numpy as np  # noqa: E402

import imagegen  # noqa: E402
import MovraModule  # noqa: E402

WIDTH, HEIGHT = 4000, 3000  # 12 megapixels
REPEATS = int(os.environ.get("MOVRA_BENCH_REPEATS", "5"))
INFO_FILES = 10_000


def longest_wait(work):
    """The main thread's longest gap between two steps of a busy loop while `work` runs on a
    worker thread, in ms."""
    done = threading.Event()

    def worker():
        work()
        done.set()

    t = threading.Thread(target=worker)
    last = time.perf_counter()
    worst = 0.0
    t.start()
    while not done.is_set():
        now = time.perf_counter()
        worst = max(worst, now - last)
        last = now
    t.join()
    return worst * 1000


def sleeper(total=0.3):
    def work():
        end = time.perf_counter() + total
        while time.perf_counter() < end:
            time.sleep(0.001)
    return work


def median_of(fn):
    fn()  # warm-up: file cache, codec plugins
    return statistics.median(fn() for _ in range(REPEATS))


def timed(fn):
    start = time.perf_counter()
    fn()
    return time.perf_counter() - start


def side_by_side(load, paths):
    """(one thread loading every path in turn) / (one thread per path), medians."""
    def one():
        return timed(lambda: [load(p) for p in paths])

    def parallel():
        threads = [threading.Thread(target=load, args=(p,)) for p in paths]

        def run():
            for t in threads:
                t.start()
            for t in threads:
                t.join()
        return timed(run)

    return median_of(one) / median_of(parallel)


def timer_gap(cls, path):
    """Longest gap in ms between 5 ms wx.Timer events from LoadImageAsync until just after its
    callback (the adoption on the GUI thread included); with `path` None, over 0.3 s without
    a load."""
    import wx

    frame = wx.Frame(None, size=(1280, 800))
    host = wx.Panel(frame)
    frame.Show()
    panel = cls(host.GetHandle(), width=1200, height=760)
    panel.SetMode(int(MovraModule.CvDisplayMode.ZoomToFit))
    app = wx.GetApp()
    stamps = []
    state = {"done": None}

    def on_timer(_):
        stamps.append(time.perf_counter())
        if state["done"] is not None and stamps[-1] - state["done"] > 0.05:
            app.ExitMainLoop()

    timer = wx.Timer(frame)
    frame.Bind(wx.EVT_TIMER, on_timer, timer)
    gaps = []
    for _ in range(REPEATS + 1):
        stamps.clear()
        state["done"] = None
        panel.SetMat(np.zeros((10, 10, 3), np.uint8))

        def start():
            stamps.append(time.perf_counter())
            if path is None:  # the idle anchor: the same timer for as long, with no load
                wx.CallLater(300, lambda: state.update(done=time.perf_counter()))
            else:
                panel.LoadImageAsync(path, lambda p, ok: state.update(done=time.perf_counter()))

        timer.Start(5)
        wx.CallAfter(start)
        app.MainLoop()
        timer.Stop()
        gaps.append(max(np.diff(stamps)) * 1000)
    frame.Destroy()
    wx.SafeYield()
    return statistics.median(gaps[1:])


def main():
    scratch = tempfile.mkdtemp(prefix="movra_bench_threads_", dir=imagegen.tmpfs_dir())
    try:
        work = Path(scratch)
        print(f"bench_threads: making {WIDTH}x{HEIGHT} test files in {work} ...",
              file=sys.stderr, flush=True)
        img = imagegen.pattern(HEIGHT, WIDTH)
        files = {}
        for tag in ("a", "b"):
            # Two different files per format, so two threads never share a cached decode.
            pic = img if tag == "a" else np.ascontiguousarray(img[::-1])
            files[("PNG", tag)] = imagegen.write_cv(work / f"{tag}.png", pic)
            files[("JPEG", tag)] = imagegen.make_jpeg(work / f"{tag}.jpg", pic)
            files[("HEIF", tag)] = imagegen.make_heif(work / f"{tag}.heic", pic)
            files[("JPEG XL", tag)] = imagegen.make_jxl(work / f"{tag}.jxl", pic, distance=1.0)
        small = imagegen.pattern(48, 64)
        info_dir = work / "info"
        info_dir.mkdir()
        info_files = [str(imagegen.write_cv(info_dir / f"{i:05d}.png", small))
                      for i in range(INFO_FILES)]

        devnull = os.open(os.devnull, os.O_WRONLY)
        saved_stderr = os.dup(2)
        os.dup2(devnull, 2)  # the HEIF decoder's progress lines would flood the table
        try:
            rows = []
            anchor = median_of(lambda: longest_wait(sleeper()))
            engine = MovraModule.MovraEngine()
            for fmt in ("PNG", "JPEG", "HEIF", "JPEG XL"):
                path = str(files[(fmt, "a")])
                wait = median_of(lambda: longest_wait(lambda: engine.LoadImage(path)))
                rows.append((f"main thread's longest wait, worker `LoadImage` {fmt}", wait))
            engine.LoadImage(str(files[("PNG", "a")]))
            wait = median_of(lambda: longest_wait(lambda: engine.GaussianBlur(15)))
            rows.append(("main thread's longest wait, worker `GaussianBlur` 15", wait))
            wait = median_of(lambda: longest_wait(lambda: engine.Canny(50, 150)))
            rows.append(("main thread's longest wait, worker `Canny`", wait))

            pairs = []
            for fmt in ("PNG", "JPEG", "HEIF"):
                paths = [str(files[(fmt, "a")]), str(files[(fmt, "b")])]
                ours = side_by_side(lambda p: MovraModule.MovraEngine().LoadImage(p), paths)
                ref = side_by_side(cv2.imread, paths) if fmt != "HEIF" else None
                pairs.append((fmt, ours, ref))

            def info_pool(n):
                chunks = [info_files[i::n] for i in range(n)]

                def scan(chunk):
                    for p in chunk:
                        MovraModule.GetImageFileInfo(p)
                threads = [threading.Thread(target=scan, args=(c,)) for c in chunks]

                def run():
                    for t in threads:
                        t.start()
                    for t in threads:
                        t.join()
                return timed(run)
            info_one = median_of(lambda: info_pool(1))
            info_two = median_of(lambda: info_pool(2))
        finally:
            os.dup2(saved_stderr, 2)

        import wx
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        idle = timer_gap(MovraModule.MovraPanel, None)
        gaps = [(cls, fmt, timer_gap(getattr(MovraModule, cls), str(files[(fmt, "a")])))
                for cls in ("MovraPanel", "MovraROIAdvPanel") for fmt in ("JPEG", "PNG")]
        del app

        print()
        print(f"Threads, {WIDTH}x{HEIGHT}: medians of {REPEATS} runs, {os.cpu_count()} CPUs, "
              f"load average {os.getloadavg()[0]:.1f}")
        print()
        print("| What | Ours | Anchor | Target |")
        print("|---|---:|---:|---|")
        for label, wait in rows:
            print(f"| {label} (ms) | {wait:.1f} | worker sleeping 1 ms steps: {anchor:.1f} "
                  "| ≤ 10 ms |")
        for fmt, ours, ref in pairs:
            anchor_text = f"`cv2.imread`: {ref:.2f} ×" if ref is not None else "—"
            print(f"| two threads loading two {fmt} files vs one loading both | {ours:.2f} × "
                  f"| {anchor_text} | ≥ 1.8 × |")
        print(f"| `GetImageFileInfo` over {INFO_FILES:,} PNG files, 2 threads vs 1 "
              f"| {info_one / info_two:.2f} × | one thread: {info_one:.2f} s | ≥ 1.8 × |")
        for cls, fmt, gap in gaps:
            print(f"| `{cls}.LoadImageAsync` {fmt}, fit: longest gap between 5 ms timer "
                  f"events (ms) | {gap:.1f} | no load, 0.3 s: {idle:.1f} | ≤ 30 ms |")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
