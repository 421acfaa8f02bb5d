"""Files per second of GetImageFileInfo on a 12-megapixel JPEG with EXIF, against a full decode
of the same file (MovraEngine.LoadImage) and against exiftool -n -json. Prints one table."""

import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import cv2
import numpy as np

BUILD = Path(os.environ.get("MOVRA_BUILD_DIR", Path(__file__).resolve().parent.parent / "build"))
sys.path.insert(0, str(BUILD.resolve()))
import MovraModule  # noqa: E402

TARGET_SPEEDUP = 20.0


def make_photo(path: Path) -> None:
    """4000 x 3000 with gradients, shapes and sensor-like noise: a realistic JPEG size."""
    h, w = 3000, 4000
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    base = np.stack([x / w * 200, y / h * 200, (x + y) / (w + h) * 255], axis=2)
    noise = np.random.default_rng(1).normal(0, 12, size=(h, w, 3)).astype(np.float32)
    img = np.clip(base + noise, 0, 255).astype(np.uint8)
    for i in range(40):
        cv2.circle(img, (97 * i % w, 61 * i % h), 50 + 7 * i, (i * 6, 255 - i * 5, 90), -1)
    cv2.imwrite(str(path), img, [cv2.IMWRITE_JPEG_QUALITY, 92])
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-Make=Bench", "-Model=12MP",
                    "-DateTimeOriginal=2024:01:01 12:00:00", "-FocalLength=24", "-FNumber=4",
                    "-ExposureTime=1/200", "-ISO=200", "-Orientation#=6", "-GPSLatitude=35.6",
                    "-GPSLatitudeRef=N", "-GPSLongitude=139.7", "-GPSLongitudeRef=E",
                    str(path)], check=True)


def rate(fn, min_seconds: float, min_runs: int) -> float:
    """Files per second: repeat fn until both limits are reached."""
    fn()  # warm the page cache and the libraries
    runs = 0
    start = time.perf_counter()
    while True:
        fn()
        runs += 1
        elapsed = time.perf_counter() - start
        if runs >= min_runs and elapsed >= min_seconds:
            return runs / elapsed


def main() -> None:
    scratch = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=scratch) as tmp:
        path = Path(tmp) / "photo_12mp.jpg"
        make_photo(path)
        info = MovraModule.GetImageFileInfo(str(path))
        assert (info["width"], info["height"], info["has_gps"]) == (4000, 3000, True), info

        engine = MovraModule.MovraEngine()
        decodes = engine.LoadImage(str(path))

        def full_decode():
            engine.LoadImage(str(path))

        def exiftool():
            subprocess.run(["exiftool", "-n", "-json", str(path)], check=True,
                           stdout=subprocess.DEVNULL)

        rows = [
            ("GetImageFileInfo (EXIF from first 64 KiB)",
             rate(lambda: MovraModule.GetImageFileInfo(str(path)), 2.0, 200)),
            ("MovraEngine.LoadImage (full decode)",
             rate(full_decode, 2.0, 5) if decodes else None),
            ("cv2.imread (full decode, for reference)",
             rate(lambda: cv2.imread(str(path)), 2.0, 5)),
            ("exiftool -n -json (one process per file)", rate(exiftool, 2.0, 5)),
        ]
        size_mb = path.stat().st_size / 1e6

    # The ratio is taken against MovraEngine.LoadImage; OpenCV's own decode stands in only
    # while the engine cannot load the file.
    decode_rate = rows[1][1] or rows[2][1]
    print(f"\n### GetImageFileInfo on a 12-megapixel JPEG ({size_mb:.1f} MB, 4000 x 3000)\n")
    print("| Method | Files/s | Relative to full decode |")
    print("|---|---:|---:|")
    for name, files_per_s in rows:
        if files_per_s is None:
            print(f"| {name} | n/a (LoadImage failed) | |")
        else:
            print(f"| {name} | {files_per_s:,.1f} | {files_per_s / decode_rate:,.2f} x |")
    speedup = rows[0][1] / decode_rate
    verdict = "met" if speedup >= TARGET_SPEEDUP else "NOT met"
    against = "MovraEngine.LoadImage" if rows[1][1] else "cv2.imread"
    print(f"\nTarget: GetImageFileInfo at least {TARGET_SPEEDUP:.0f} x faster than the full "
          f"decode ({against}): {verdict} ({speedup:,.0f} x).")


if __name__ == "__main__":
    main()
