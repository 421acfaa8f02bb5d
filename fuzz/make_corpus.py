#!/usr/bin/env python3
"""Regenerates the committed seed corpora from small test files made with OpenCV and exiftool.

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


if __name__ == "__main__":
    main()
