#!/usr/bin/env python3
"""Regenerates the committed seed corpora: EXIF and JPEG seeds from small test files made with
OpenCV and exiftool, decoder seeds made with OpenCV, heif-enc and cjxl, ROI editor seeds as
scripted event sequences.

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
    roi_editor_seeds(HERE / "corpus" / "roi_editor")


# ROI editor input: header (mode, zoom byte, width - 1, height - 1), then events of op, flags,
# x, y (coordinates below 0x8000 map linearly into the image); a record event (op 5, flags =
# mode) is followed by a count, int16 point pairs in units of 8 pixels and an angle in 1/4 deg.
PRESS, RELEASE, DCLICK, FLAGS, RECORD, MODE, MOTION = 0, 2, 3, 4, 5, 6, 7
SIZE = 1000


def editor_header(mode: int) -> bytes:
    return struct.pack("<BBHH", mode, 111, SIZE - 1, SIZE - 1)  # zoom byte 111: about 1.0


def ev(op: int, x: float = 0, y: float = 0, flags: int = 0) -> bytes:
    def code(v: float) -> int:
        return int(v * 32768 / SIZE)
    return struct.pack("<BBHH", op, flags, code(x), code(y))


def record(mode: int, points, angle_deg: float = 0) -> bytes:
    body = struct.pack("<B", len(points))
    for x, y in points:
        body += struct.pack("<hh", int(x / 8), int(y / 8))
    return ev(RECORD, flags=mode) + body + struct.pack("<h", int(angle_deg * 4))


def drag(start, *path, flags: int = 0) -> bytes:
    out = ev(PRESS, *start, flags=flags)
    for p in path:
        out += ev(MOTION, *p, flags=flags)
    return out + ev(RELEASE, flags=flags)


def roi_editor_seeds(out_dir: Path) -> None:
    out_dir.mkdir(parents=True, exist_ok=True)
    seeds = {
        "rectangle": editor_header(3) + drag((10, 10), (5, 30)) + drag((500, 500))
        + record(3, [(96, 96), (48, 24)]) + drag((96, 100), (170, 100)),
        # Clicks 1.5 s apart (flags 30: 30 x 50 ms), then a quick press beside the last one.
        "polygon": editor_header(7) + drag((100, 100), flags=30) + drag((200, 100), flags=30)
        + drag((150, 200), flags=30) + drag((152, 201), flags=1) + drag((150, 150), (160, 170))
        + ev(DCLICK, 500, 500),
        "rotated": editor_header(4) + record(4, [(96, 96), (200, 104)], 30)
        + drag((120, 230), (110, 240)) + drag((196, 83), (230, 100), (240, 150), flags=0x80),
        "annulus": editor_header(6) + record(6, [(304, 304), (104, 0), (48, 0), (0, 88)])
        + drag((304, 384), (264, 373), (235, 344), (224, 304), (235, 264))
        + drag((304, 352), (304, 370)),
        "circle_modes": editor_header(5) + drag((100, 100), (103, 104))
        + drag((105, 100), (110, 100))
        + ev(FLAGS, flags=0x31) + drag((100, 100), (300, 300)) + ev(FLAGS, flags=0x07)
        + ev(MODE, flags=2) + drag((10, 10), (50, 30)) + ev(MODE, flags=1) + drag((5, 5)),
    }
    for name, data in seeds.items():
        (out_dir / f"{name}.bin").write_bytes(data)


if __name__ == "__main__":
    main()
