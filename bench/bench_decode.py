"""Decoding time of 12-megapixel HEIF, JPEG XL (lossy and lossless) and JPEG files through
MovraEngine.LoadImage, next to the reference decoders on the same files with their cheapest
output: heif-dec writing .y4m to a tmpfs, djxl --disable_output, djpeg to /dev/null.

Both sides run at their default thread counts. The reference times include process start-up
(measured separately with a 1x1 file and shown in the last column) which LoadImage does not pay.
Prints one markdown table; the target is a ratio of at most 1.1.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests"))
sys.path.insert(0, os.environ.get("MOVRA_BUILD_DIR", str(Path(__file__).resolve().parent.parent
                                                          / "build")))

import imagegen  # noqa: E402
import MovraModule  # noqa: E402

WIDTH, HEIGHT = 4000, 3000  # 12 megapixels
REPEATS = int(os.environ.get("MOVRA_BENCH_REPEATS", "5"))


def once(fn):
    start = time.perf_counter()
    fn()
    return time.perf_counter() - start


def timed_pair(ours, ref):
    """Runs both alternately so that load from other processes on the machine hits both alike;
    gives (best, median) of each."""
    a, b = [], []
    for _ in range(REPEATS):
        a.append(once(ours))
        b.append(once(ref))
    return (min(a), statistics.median(a)), (min(b), statistics.median(b))


def run_quiet(args):
    subprocess.run([str(a) for a in args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def main():
    scratch = tempfile.mkdtemp(prefix="movra_bench_", dir=imagegen.tmpfs_dir())
    try:
        work = Path(scratch)
        img = imagegen.pattern(HEIGHT, WIDTH)
        tiny = imagegen.pattern(1, 1)
        print(f"bench_decode: making {WIDTH}x{HEIGHT} test files in {work} ...",
              file=sys.stderr, flush=True)
        files = {
            "HEIF 8-bit 4:2:0 q90": (imagegen.make_heif(work / "a.heic", img),
                                     imagegen.make_heif(work / "t.heic", tiny)),
            "JPEG XL lossy d1": (imagegen.make_jxl(work / "a.jxl", img, distance=1.0),
                                 imagegen.make_jxl(work / "t.jxl", tiny, distance=1.0)),
            "JPEG XL lossless": (imagegen.make_jxl(work / "l.jxl", img, distance=0.0),
                                 imagegen.make_jxl(work / "tl.jxl", tiny, distance=0.0)),
            "JPEG q90": (imagegen.make_jpeg(work / "a.jpg", img),
                         imagegen.make_jpeg(work / "t.jpg", tiny)),
        }

        def reference(path):
            ext = path.suffix
            if ext == ".heic":
                return ["heif-dec", path, work / "out.y4m"]
            if ext == ".jxl":
                return ["djxl", "--quiet", path, "--disable_output"]
            return ["djpeg", "-outfile", "/dev/null", path]

        engine = MovraModule.MovraEngine()
        devnull = os.open(os.devnull, os.O_WRONLY)
        saved_stderr = os.dup(2)
        rows = []
        for label, (path, tiny_path) in files.items():
            size_mb = path.stat().st_size / 1e6

            def load():
                os.dup2(devnull, 2)  # the HEIF decoder's progress line would flood the table
                try:
                    assert engine.LoadImage(str(path)), label
                finally:
                    os.dup2(saved_stderr, 2)

            load()  # warm-up: file cache, codec plugins
            ours, ref = timed_pair(load, lambda: run_quiet(reference(path)))
            startup = min(once(lambda: run_quiet(reference(tiny_path))) for _ in range(3))
            rows.append((label, size_mb, ours, ref, startup))

        print()
        print(f"Decoding {WIDTH}x{HEIGHT}: best / median of {REPEATS} alternating runs, "
              f"{os.cpu_count()} CPUs, load average {os.getloadavg()[0]:.1f}")
        print()
        print("| file | size MB | LoadImage s | reference s | ratio (best) | ratio (median) "
              "| ref. start-up s |")
        print("|---|---:|---:|---:|---:|---:|---:|")
        for label, size_mb, ours, ref, startup in rows:
            print(f"| {label} | {size_mb:.2f} | {ours[0]:.3f} / {ours[1]:.3f} | "
                  f"{ref[0]:.3f} / {ref[1]:.3f} | {ours[0] / ref[0]:.2f} | "
                  f"{ours[1] / ref[1]:.2f} | {startup:.3f} |")
        print()
        print("reference: heif-dec to .y4m on tmpfs, djxl --disable_output, djpeg to /dev/null")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
