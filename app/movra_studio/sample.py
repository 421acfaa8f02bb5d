"""The generated sample: a machined plate on a conveyor, with holes, a bore, a slot, a label and
a scratch to inspect, written as a JPEG photo with camera, date and GPS tags."""

import os
import tempfile

import numpy as np

from .exif_writer import build_exif, insert_exif

WIDTH, HEIGHT = 1200, 800
# Where the scratch (the defect the scripted scene frames) lies, in image pixels.
SCRATCH = ((720, 480), (890, 570))
BORE_CENTRE, BORE_RADIUS = (600, 400), 130

SAMPLE_TAGS = dict(
    make="Movra",
    model="Studio sample camera",
    date_time="2024:05:17 10:42:05",
    exposure=1 / 250,
    f_number=5.6,
    iso=200,
    focal=35,
    lat=47.376887,
    lon=8.541694,
    alt=408,
)


def _disc(img, yy, xx, centre, radius, colour):
    img[(xx - centre[0]) ** 2 + (yy - centre[1]) ** 2 <= radius**2] = colour


def _segment_mask(yy, xx, a, b, half_width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = np.clip(((xx - ax) * dx + (yy - ay) * dy) / float(dx * dx + dy * dy), 0, 1)
    return (xx - ax - t * dx) ** 2 + (yy - ay - t * dy) ** 2 <= half_width**2


def make_sample_image(width=WIDTH, height=HEIGHT):
    """BGR uint8 array of the sample scene (the same every time)."""
    yy, xx = np.mgrid[0:height, 0:width].astype(np.float32)
    img = np.empty((height, width, 3), np.float32)
    # Conveyor belt: dark slate, ribbed every 40 rows.
    shade = 55 + 30 * yy / height
    img[...] = np.stack([shade + 12, shade + 4, shade], axis=-1)
    img[(yy.astype(int) % 40) < 3] *= 0.75
    # The plate: brushed steel with rounded corners.
    x0, y0, x1, y1, r = 150, 120, 1050, 680, 40
    # Inside when within r of the rectangle shrunk by r: a rectangle with rounded corners.
    nx = np.clip(xx, x0 + r, x1 - r)
    ny = np.clip(yy, y0 + r, y1 - r)
    inside = (xx - nx) ** 2 + (yy - ny) ** 2 <= r * r
    steel = 170 + 18 * np.sin((xx + 0.3 * yy) / 9.0) * 0.3 + 20 * (xx - x0) / (x1 - x0)
    img[inside] = np.stack([steel + 6, steel + 3, steel], axis=-1)[inside]
    # Mounting holes and the central bore with its seat.
    for cx in (x0 + 80, x1 - 80):
        for cy in (y0 + 80, y1 - 80):
            _disc(img, yy, xx, (cx, cy), 44, (120, 118, 115))
            _disc(img, yy, xx, (cx, cy), 36, (38, 36, 34))
    _disc(img, yy, xx, BORE_CENTRE, BORE_RADIUS, (96, 94, 92))
    _disc(img, yy, xx, BORE_CENTRE, 100, (150, 148, 146))
    _disc(img, yy, xx, BORE_CENTRE, 70, (45, 43, 42))
    # A milled slot and a printed label with a bar code.
    img[250:310, 760:980] = (60, 58, 56)
    img[515:610, 300:540] = (228, 232, 235)
    bars = (np.arange(320, 520) * 7919 % 13) < 6
    label_bars = np.zeros((height, width), bool)
    label_bars[530:590, 320:520] = bars[None, :]
    img[label_bars] = (30, 30, 30)
    # The defect: a scratch with a rust spot at its end.
    img[_segment_mask(yy, xx, SCRATCH[0], SCRATCH[1], 2.5)] = (70, 75, 90)
    _disc(img, yy, xx, SCRATCH[1], 12, (40, 85, 150))
    noise = np.random.default_rng(7).normal(0, 2.5, img.shape)
    return np.clip(img + noise, 0, 255).astype(np.uint8)


def write_sample_jpeg(movra, path):
    """Writes the sample as a JPEG with EXIF tags at `path`; returns the path."""
    engine = movra.MovraEngine()
    engine.SetMat(make_sample_image())
    fd, plain = tempfile.mkstemp(suffix=".jpg")
    os.close(fd)
    try:
        if not engine.SaveImage(plain):
            raise OSError(f"could not encode the sample image at {plain}")
        with open(plain, "rb") as f:
            jpeg = f.read()
    finally:
        os.unlink(plain)
    with open(path, "wb") as f:
        f.write(insert_exif(jpeg, build_exif(**SAMPLE_TAGS)))
    return path
