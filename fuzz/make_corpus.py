#!/usr/bin/env python3
"""Regenerates the committed seed corpora from small test files made with OpenCV, exiftool,
heif-enc and cjxl.

Run inside the Debian 13 root: python3 fuzz/make_corpus.py
"""

import struct
import subprocess
import tempfile
from pathlib import Path

import cv2
import numpy as np

HERE = Path(__file__).resolve().parent
TAGS = [
    "-Make=SeedCam", "-Model=Seed 1", "-DateTime=2024:01:02 03:04:05",
    "-DateTimeOriginal=2024:01:02 03:04:05", "-Orientation#=6", "-FocalLength=35",
    "-FNumber=2.8", "-ExposureTime=1/125", "-ISO=400", "-GPSLatitude=35.5",
    "-GPSLatitudeRef=S", "-GPSLongitude=139.25", "-GPSLongitudeRef=W", "-GPSAltitude=12.5",
]


def exif_payload(jpeg: bytes) -> bytes:
    """The TIFF bytes of the first Exif APP1 segment."""
    p = 2
    while p + 4 <= len(jpeg):
        length = struct.unpack(">H", jpeg[p + 2:p + 4])[0]
        if jpeg[p + 1] == 0xE1 and jpeg[p + 4:p + 10] == b"Exif\0\0":
            return jpeg[p + 10:p + 2 + length]
        p += 2 + length
    raise ValueError("no EXIF segment")


def decoder_seeds(out: Path, tmp: Path) -> None:
    """One small file per kind the decoders read: a few KB each, so every mutation is cheap."""
    out.mkdir(parents=True, exist_ok=True)
    y, x = np.mgrid[0:24, 0:32]
    bgr = np.dstack([x * 8, y * 10, (x + y) * 4]).astype(np.uint8)
    grey = bgr[:, :, 1].copy()
    bgra = np.dstack([bgr, (x * 8).astype(np.uint8)])
    deep = bgr.astype(np.uint16) * 257

    def cv_seed(name, img, params=()):
        ok, buf = cv2.imencode(Path(name).suffix, img, list(params))
        assert ok, name
        (out / name).write_bytes(buf.tobytes())

    cv_seed("baseline.jpg", bgr, [cv2.IMWRITE_JPEG_QUALITY, 60])
    cv_seed("progressive_grey.jpg", grey, [cv2.IMWRITE_JPEG_PROGRESSIVE, 1])
    cv_seed("grey.png", grey)
    cv_seed("rgba16.png", np.dstack([deep, deep[:, :, :1]]))
    cv_seed("rgb.tif", bgr)
    cv_seed("grey16.tif", deep[:, :, 0].copy())
    cv_seed("rgb.bmp", bgr)
    cv_seed("rgb.webp", bgr, [cv2.IMWRITE_WEBP_QUALITY, 50])
    cv_seed("grey.pgm", grey)

    def via_png(img, name, args):
        src = tmp / (name + ".png")
        cv2.imwrite(str(src), img)
        subprocess.run([*args(src, out / name)], check=True, capture_output=True)

    # heif-enc pads tiny images to the coder's block size, so these stay small.
    via_png(bgr, "rgb.heic", lambda s, d: ["heif-enc", "-q", "30", "-o", str(d), str(s)])
    via_png(deep, "rgb10.heic", lambda s, d: ["heif-enc", "-b", "10", "-q", "30",
                                              "-o", str(d), str(s)])
    via_png(bgra, "rgba.heic", lambda s, d: ["heif-enc", "-q", "30", "-o", str(d), str(s)])
    via_png(bgr, "lossy.jxl", lambda s, d: ["cjxl", "--quiet", "-d", "2", str(s), str(d)])
    via_png(grey, "lossless_grey.jxl", lambda s, d: ["cjxl", "--quiet", "-d", "0",
                                                     str(s), str(d)])
    via_png(bgra, "lossless_rgba.jxl", lambda s, d: ["cjxl", "--quiet", "-d", "0",
                                                     str(s), str(d)])


def main() -> None:
    jpeg_dir = HERE / "corpus" / "jpeg_marker"
    exif_dir = HERE / "corpus" / "exif_reader"
    jpeg_dir.mkdir(parents=True, exist_ok=True)
    exif_dir.mkdir(parents=True, exist_ok=True)
    img = np.tile(np.arange(16, dtype=np.uint8) * 16, (8, 1))
    with tempfile.TemporaryDirectory() as tmp:
        for order in ("II", "MM"):
            path = Path(tmp) / f"seed_{order}.jpg"
            cv2.imwrite(str(path), cv2.merge([img, img, img]), [cv2.IMWRITE_JPEG_QUALITY, 50])
            subprocess.run(["exiftool", "-q", "-overwrite_original", f"-ExifByteOrder={order}",
                            *TAGS, str(path)], check=True)
            data = path.read_bytes()
            (jpeg_dir / f"tagged_{order}.jpg").write_bytes(data)
            tiff = exif_payload(data)
            (exif_dir / f"tiff_{order}.bin").write_bytes(tiff)
            # HEIF stores its Exif block behind a 4-byte offset to the TIFF header.
            (exif_dir / f"heif_block_{order}.bin").write_bytes(b"\0\0\0\0" + tiff)
        grey = Path(tmp) / "grey.jpg"
        cv2.imwrite(str(grey), img)
        data = grey.read_bytes()
        # A comment segment before the EXIF one, as some editors write it.
        com = b"\xff\xfe" + struct.pack(">H", 2 + 40) + b"x" * 40
        (jpeg_dir / "grey_comment.jpg").write_bytes(data[:2] + com + data[2:])
        decoder_seeds(HERE / "corpus" / "decoder", Path(tmp))


if __name__ == "__main__":
    main()
