"""Batch measurement (python3 -m movra_studio --measure) of a folder of 12-megapixel JPEGs with
three ROIs, on one and on two threads, next to the bare MovraEngine.LoadImage of the same files.

Targets: two threads at least 1.8 times as fast as one; the per-file cost on one thread at most
1.2 times the file's bare LoadImage. The files are read once beforehand so that the page cache
holds them for every run. Wall-clock times depend on what else the machine runs; the CPU
times beside them (the process's, all threads) much less. MOVRA_BENCH_BATCH_FILES sets the file
count (200), MOVRA_BENCH_REPEATS the runs of each (2, interleaved; the best counts)."""

import os
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
sys.path.insert(0, str(ROOT / "app"))
sys.path.insert(0, os.environ.get("MOVRA_BUILD_DIR", str(ROOT / "build")))

import imagegen  # noqa: E402
import wx  # noqa: E402,F401  (before MovraModule)
import MovraModule  # noqa: E402

from movra_studio import batch  # noqa: E402

WIDTH, HEIGHT = 4000, 3000
FILES = int(os.environ.get("MOVRA_BENCH_BATCH_FILES", "200"))
REPEATS = int(os.environ.get("MOVRA_BENCH_REPEATS", "2"))
ROIS = [
    (1, "plate", {"version": 1, "mode": 3, "points": [[400, 300], [1200, 900]]}),
    (2, "bore", {"version": 1, "mode": 5, "points": [[2000, 1500], [300, 400]]}),
    (3, "seam", {"version": 1, "mode": 4, "points": [[2500, 2000], [1000, 150]], "angle": 20.0}),
]


def timed(fn):
    """(wall, CPU) seconds of one call; the CPU time of the whole process, all threads."""
    t0, c0 = time.perf_counter(), time.process_time()
    fn()
    return time.perf_counter() - t0, time.process_time() - c0


def main():
    with tempfile.TemporaryDirectory(prefix="movra-bench-batch-", dir="/var/tmp") as work:
        print(f"bench_batch: writing {FILES} {WIDTH}x{HEIGHT} JPEGs to {work} ...",
              file=sys.stderr)
        image = imagegen.pattern(HEIGHT, WIDTH, 3, seed=4)
        first = imagegen.make_jpeg(Path(work) / "part 0.jpg", image, quality=90)
        data = first.read_bytes()
        paths = [str(first)]
        for i in range(1, FILES):
            p = Path(work) / f"part {i}.jpg"
            p.write_bytes(data)
            paths.append(str(p))
        for p in paths:  # into the page cache
            Path(p).read_bytes()

        engine = MovraModule.MovraEngine()

        def load_all():
            for p in paths:
                assert engine.LoadImage(p, MovraModule.IMREAD_UNCHANGED)
            engine.Clear()

        def run(threads):
            results = batch.measure_files(MovraModule, paths, ROIS, threads)
            assert all(r.ok for r in results) and len(results) == FILES

        # Interleaved, so that a change in the machine's load falls on all three alike.
        times = {"bare": [], 1: [], 2: []}
        for _ in range(REPEATS):
            times["bare"].append(timed(load_all))
            for threads in (1, 2):
                times[threads].append(timed(lambda: run(threads)))
        bare = min(times["bare"])
        runs = {threads: min(times[threads]) for threads in (1, 2)}

        def ms(seconds):
            return seconds / FILES * 1000

        print()
        print(f"Batch measurement of {FILES} {WIDTH}x{HEIGHT} JPEGs ({len(data) / 1e6:.1f} MB "
              f"each), 3 ROIs, {os.cpu_count()} CPUs, load average "
              f"{os.getloadavg()[0]:.1f}; best of {REPEATS} interleaved runs")
        print()
        print("| What | ms per file | CPU ms per file | Ratio | Target |")
        print("|---|---:|---:|---:|---|")
        print(f"| bare `MovraEngine.LoadImage` | {ms(bare[0]):.1f} | {ms(bare[1]):.1f} | | |")
        print(f"| batch, 1 thread | {ms(runs[1][0]):.1f} | {ms(runs[1][1]):.1f} | "
              f"{runs[1][0] / bare[0]:.2f} × LoadImage (CPU {runs[1][1] / bare[1]:.2f} ×) | "
              f"≤ 1.2 |")
        print(f"| batch, 2 threads | {ms(runs[2][0]):.1f} | {ms(runs[2][1]):.1f} | "
              f"{runs[1][0] / runs[2][0]:.2f} × as fast as 1 thread | ≥ 1.8 |")
        print()


if __name__ == "__main__":
    main()
