"""Batch measurement (python3 -m movra_studio --measure) of a folder of 12-megapixel JPEGs with
three ROIs, on one and on two threads, next to the bare MovraEngine.LoadImage of the same files.

Targets: two threads at least 1.8 times as fast as one; the per-file cost on one thread at most
1.2 times the file's bare LoadImage. The files are read once beforehand so that the page cache
holds them for every run. MOVRA_BENCH_BATCH_FILES sets the file count (200)."""

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
ROIS = [
    (1, "plate", {"version": 1, "mode": 3, "points": [[400, 300], [1200, 900]]}),
    (2, "bore", {"version": 1, "mode": 5, "points": [[2000, 1500], [300, 400]]}),
    (3, "seam", {"version": 1, "mode": 4, "points": [[2500, 2000], [1000, 150]], "angle": 20.0}),
]


def timed(fn):
    t0 = time.perf_counter()
    fn()
    return time.perf_counter() - t0


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

        def bare():
            for p in paths:
                assert engine.LoadImage(p, MovraModule.IMREAD_UNCHANGED)
            engine.Clear()

        bare_s = min(timed(bare) for _ in range(2))
        runs = {}
        for threads in (1, 2):
            def run(threads=threads):
                results = batch.measure_files(MovraModule, paths, ROIS, threads)
                assert all(r.ok for r in results) and len(results) == FILES
            runs[threads] = min(timed(run) for _ in range(2))

        per_file_bare = bare_s / FILES * 1000
        per_file_1 = runs[1] / FILES * 1000
        per_file_2 = runs[2] / FILES * 1000
        print()
        print(f"Batch measurement of {FILES} {WIDTH}x{HEIGHT} JPEGs ({len(data) / 1e6:.1f} MB "
              f"each), 3 ROIs, {os.cpu_count()} CPUs; best of 2 runs")
        print()
        print("| What | ms per file | Ratio | Target |")
        print("|---|---:|---:|---|")
        print(f"| bare `MovraEngine.LoadImage` | {per_file_bare:.1f} | | |")
        print(f"| batch, 1 thread | {per_file_1:.1f} | {per_file_1 / per_file_bare:.2f} × "
              f"LoadImage | ≤ 1.2 |")
        print(f"| batch, 2 threads | {per_file_2:.1f} | {runs[1] / runs[2]:.2f} × faster than "
              f"1 thread | ≥ 1.8 |")
        print()


if __name__ == "__main__":
    main()
