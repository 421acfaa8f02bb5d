"""Test images made by real encoders at test time, and reference decodes by the reference tools.

Shared by the test and benchmark programs. Every writer takes a destination path (any Unicode
name) and an image as NumPy array in OpenCV's channel order (B, G, R[, A]) or grey.
"""

import os
import subprocess
import tempfile
from pathlib import Path

import cv2
import numpy as np


def pattern(height=241, width=317, channels=3, depth=8, seed=0, blocks=True):
    """Smooth gradients, a few hard-edged blocks (unless `blocks` is False) and some noise:
    exercises both the flat and the detailed paths of lossy coders. Odd default sizes catch
    chroma rounding faults."""
    top = (1 << depth) - 1
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    planes = [x / max(width - 1, 1), y / max(height - 1, 1), (x + y) / max(width + height - 2, 1)]
    img = np.stack(planes[:max(channels, 1)] + [np.ones_like(x)] * max(channels - 3, 0), axis=-1)
    img = img[..., :channels]
    if channels == 4:
        img[..., 3] = 0.25 + 0.75 * x / max(width - 1, 1)  # varying alpha
    rng = np.random.default_rng(seed)
    img = img + rng.normal(0, 0.01, img.shape)
    h4, w4 = height // 4, width // 4
    if not blocks:
        pass
    elif channels >= 3:
        img[h4:2 * h4, w4:2 * w4, :3] = (0.1, 0.2, 0.9)   # red block (B, G, R)
        img[2 * h4:3 * h4, 2 * w4:3 * w4, :3] = (0.8, 0.9, 0.1)
    else:
        img[h4:2 * h4, w4:2 * w4] = 0.9
    img = np.clip(np.round(img * top), 0, top).astype(np.uint8 if depth <= 8 else np.uint16)
    return img[..., 0] if channels == 1 else img


def write_bytes(path, data: bytes) -> Path:
    path = Path(path)
    path.write_bytes(data)
    return path


def write_cv(path, img, ext=None, params=()) -> Path:
    """Encodes with OpenCV by `ext` (default: the path's suffix) and writes the bytes, so any
    Unicode name works."""
    ext = ext or Path(path).suffix
    ok, buf = cv2.imencode(ext, img, list(params))
    assert ok, f"OpenCV cannot encode {ext}"
    return write_bytes(path, buf.tobytes())


def _run(args):
    subprocess.run([str(a) for a in args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, timeout=600)


def _via_png(img, fn, suffix=".png"):
    with tempfile.TemporaryDirectory() as tmp:
        src = Path(tmp) / ("src" + suffix)
        write_cv(src, img, ".png")
        fn(src)


def make_heif(path, img, quality=90, lossless=False, chroma=None, bit_depth=None) -> Path:
    """HEIC by heif-enc (x265). `chroma` is "420", "422" or "444"; `bit_depth` 10 or 12 needs a
    16-bit image (the encoder keeps the top bits of a 16-bit PNG)."""
    path = Path(path)
    args = ["heif-enc", "-o", path]
    args += ["-L"] if lossless else ["-q", quality]
    if chroma:
        args += ["-p", f"chroma={chroma}"]
    if bit_depth:
        args += ["-b", bit_depth]
    _via_png(img, lambda src: _run(args + [src]))
    return path


def make_jxl(path, img, distance=0.0, effort=None) -> Path:
    """JPEG XL by cjxl; distance 0 is lossless."""
    path = Path(path)
    args = ["cjxl", "--quiet", "-d", distance]
    if effort is not None:
        args += ["-e", effort]
    _via_png(img, lambda src: _run(args + [src, path]))
    return path


def make_jpeg(path, img, quality=90) -> Path:
    return write_cv(path, img, ".jpg", (cv2.IMWRITE_JPEG_QUALITY, quality))


def _read_png_8bit(png: Path):
    ref = cv2.imdecode(np.frombuffer(png.read_bytes(), np.uint8), cv2.IMREAD_UNCHANGED)
    if ref.dtype == np.uint16:
        ref = np.round(ref / 257.0).astype(np.uint8)
    return ref


def reference_heif(path):
    """heif-dec's decode of the primary image as 8-bit array (B, G, R[, A])."""
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "ref.png"
        _run(["heif-dec", path, out])
        return _read_png_8bit(out)


def reference_jxl(path):
    """djxl's decode as 8-bit array (B, G, R[, A]) or grey (grey+alpha keeps only grey)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "ref.png"
        _run(["djxl", "--quiet", path, out])
        ref = cv2.imdecode(np.frombuffer(out.read_bytes(), np.uint8), cv2.IMREAD_UNCHANGED)
        return ref


def tmpfs_dir() -> str:
    """A scratch folder in memory when /dev/shm exists, so that file writes cost no disk time."""
    return "/dev/shm" if os.path.isdir("/dev/shm") and os.access("/dev/shm", os.W_OK) else None
