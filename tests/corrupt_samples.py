"""Sample files of every supported kind, made by real encoders, and their damaged variants.

A variant is named by (kind, n): ("prefix", n) is the first n bytes of the sample, ("flip", i)
the sample with one byte replaced by a different value, both drawn from a generator seeded by
the sample's name and i, so that any failure reproduces from its name alone. The test and its
worker processes derive the same bytes from the same names. A flip inside a PNG chunk gets
the chunk's CRC repaired: libpng would otherwise refuse nearly every flip at its CRC check and
the damage would never reach the decoder.
"""

import math
import os
import random
import struct
import subprocess
import zlib
from pathlib import Path

import cv2
import numpy as np

import imagegen

# Fewer flips (MOVRA_CORRUPT_FLIPS) keep the sanitizer run, where every call is slower, in its
# time budget; the prefixes, where the headers are, stay complete.
FLIPS_PER_SAMPLE = int(os.environ.get("MOVRA_CORRUPT_FLIPS", "1000"))
# Every prefix up to this length (signatures and headers, where parsers branch most), then
# every prefix length, stepped beyond this many, up to the whole file less one byte.
DENSE_PREFIX = 96
MAX_PREFIXES = 1500

# exiftool writes EXIF and GPS into the JPEG and HEIF samples, Intel and Motorola order.
EXIF_TAGS = [
    "-Make=Movra Optics", "-Model=MX-1", "-ModifyDate=2023:04:05 06:07:08",
    "-DateTimeOriginal=2022:11:12 13:14:15", "-Orientation#=6", "-FocalLength=35",
    "-FNumber=2.8", "-ExposureTime=1/125", "-ISO=400", "-GPSLatitude=48.5",
    "-GPSLatitudeRef=N", "-GPSLongitude=2.25", "-GPSLongitudeRef=W", "-GPSAltitude=35",
]


def card(height=48, width=64, channels=3, depth=8):
    """Gradients and a block, no noise: every encoder keeps it to a few KB, so prefixes and
    flips land in headers and metadata as often as in coded pixels."""
    top = (1 << depth) - 1
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    planes = [x / (width - 1), y / (height - 1), (x + y) / (width + height - 2),
              0.3 + 0.7 * x / (width - 1)]
    img = np.stack(planes[:channels], axis=-1) if channels > 1 else planes[1][..., None]
    img[height // 4:height // 2, width // 4:width // 2, :min(channels, 3)] = 0.85
    img = np.round(img * top).astype(np.uint8 if depth == 8 else np.uint16)
    return img[..., 0] if channels == 1 else img


def _exif(path, order):
    subprocess.run(["exiftool", "-q", "-q", "-overwrite_original", f"-ExifByteOrder={order}",
                    *EXIF_TAGS, str(path)], check=True)
    return path


def make_samples(folder: Path) -> dict:
    """name -> path of every sample; the name carries the extension the readers dispatch on."""
    folder = Path(folder)
    jpeg = (cv2.IMWRITE_JPEG_QUALITY, 80)
    makers = {
        "baseline.jpg": lambda p: _exif(imagegen.write_cv(p, card(), params=jpeg), "II"),
        "progressive.jpg": lambda p: _exif(imagegen.write_cv(
            p, card(), params=jpeg + (cv2.IMWRITE_JPEG_PROGRESSIVE, 1)), "MM"),
        "grey8.png": lambda p: imagegen.write_cv(p, card(channels=1)),
        "grey16.png": lambda p: imagegen.write_cv(p, card(channels=1, depth=16)),
        "rgba8.png": lambda p: imagegen.write_cv(p, card(24, 32, channels=4)),
        "rgba16.png": lambda p: imagegen.write_cv(p, card(24, 32, channels=4, depth=16)),
        "rgb8.tif": lambda p: imagegen.write_cv(p, card()),
        "rgb16.tiff": lambda p: imagegen.write_cv(p, card(depth=16)),
        "yuv8.heic": lambda p: _exif(imagegen.make_heif(p, card(), quality=60), "MM"),
        "yuv10.heif": lambda p: imagegen.make_heif(p, card(depth=16), quality=60, bit_depth=10),
        "lossy.jxl": lambda p: imagegen.make_jxl(p, card(), distance=1.5),
        "lossless_rgba.jxl": lambda p: imagegen.make_jxl(p, card(channels=4), distance=0.0),
    }
    return {name: make(folder / name) for name, make in makers.items()}


def prefix_lengths(size):
    step = max(1, math.ceil(size / MAX_PREFIXES))
    return sorted(set(range(min(DENSE_PREFIX, size))) | set(range(0, size, step)) | {size - 1})


def variants(name, size):
    """Every (kind, n) of a sample of `size` bytes."""
    return [("prefix", n) for n in prefix_lengths(size)] + \
        [("flip", i) for i in range(FLIPS_PER_SAMPLE)]


def variant_bytes(name, data: bytes, kind, n) -> bytes:
    if kind == "prefix":
        return data[:n]
    rng = random.Random(f"{name}/{n}")
    buf = bytearray(data)
    pos = rng.randrange(len(buf))
    buf[pos] ^= rng.randrange(1, 256)
    if name.endswith(".png"):
        _repair_png_crc(data, buf, pos)
    return bytes(buf)


def _repair_png_crc(original: bytes, buf: bytearray, pos: int):
    """Recomputes the CRC of the chunk whose type or data holds `pos` (chunk layout taken from
    the undamaged file); a flip in a length, a CRC or the signature stays as it is."""
    at = 8
    while at + 12 <= len(original):
        length = struct.unpack_from(">I", original, at)[0]
        crc_at = at + 8 + length
        if at + 4 <= pos < crc_at:
            struct.pack_into(">I", buf, crc_at, zlib.crc32(buf[at + 4:crc_at]))
            return
        at = crc_at + 4
