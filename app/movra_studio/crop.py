"""The image region a ROI covers: its bounding box in whole pixels, clipped to the image."""

import math

from .roi_json import ANNULUS, CIRCLE, LINE, POLYGON, RECTANGLE, ROTATED_RECTANGLE

_SLACK = 1e-6


def _rotated_corners(x, y, w, h, angle):
    # Turned about the centre, +x towards +y (clockwise on screen), as the panel draws it.
    cx, cy = x + w / 2, y + h / 2
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    return [
        (cx + dx * c - dy * s, cy + dx * s + dy * c)
        for dx, dy in ((-w / 2, -h / 2), (w / 2, -h / 2), (w / 2, h / 2), (-w / 2, h / 2))
    ]


def _sector_points(cx, cy, outer, inner, start, end):
    """Points whose bounding box is that of the ring sector: both arcs sampled every degree
    (and at their ends), which reaches every extreme the arcs pass through."""
    if end - start >= 360:
        return [(cx - outer, cy - outer), (cx + outer, cy + outer)]
    steps = max(1, math.ceil(end - start))
    angles = [start + (end - start) * i / steps for i in range(steps + 1)]
    # The extremes at 0, 90, 180, 270 degrees may fall between samples; add those inside.
    first = math.ceil(start / 90)
    angles += [90 * k for k in range(first, math.floor(end / 90) + 1)]
    pts = []
    for a in angles:
        c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
        pts += [(cx + r * c, cy + r * s) for r in (outer, inner)]
    return pts


def roi_outline_points(data):
    """Points whose bounding box is the ROI's; None for shapes without area (a point)."""
    mode = data["mode"]
    p = data["points"]
    if mode in (RECTANGLE, ROTATED_RECTANGLE):
        (x, y), (w, h) = p
        angle = data["angle"] if mode == ROTATED_RECTANGLE else 0.0
        return _rotated_corners(x, y, w, h, angle)
    if mode == CIRCLE:
        (cx, cy), r = p[0], data["outer_radius"]
        return [(cx - r, cy - r), (cx + r, cy + r)]
    if mode == ANNULUS:
        return _sector_points(
            p[0][0],
            p[0][1],
            data["outer_radius"],
            data["inner_radius"],
            data["start_angle"],
            data["end_angle"],
        )
    if mode in (LINE, POLYGON):
        return [tuple(q) for q in p]
    return None


def crop_box(data, width, height):
    """(x0, y0, x1, y1), end exclusive, of the pixels the ROI touches inside a width × height
    image; None when the ROI has no area or lies wholly outside."""
    if data is None:
        return None
    pts = roi_outline_points(data)
    if not pts:
        return None
    xs = [q[0] for q in pts]
    ys = [q[1] for q in pts]
    # A pixel is touched when the shape reaches into it; a horizontal line still covers a row.
    # The slack keeps rounding noise (a corner at 209.99999999 after turning) from adding one.
    x0, y0 = math.floor(min(xs) + _SLACK), math.floor(min(ys) + _SLACK)
    x1 = max(math.ceil(max(xs) - _SLACK), x0 + 1)
    y1 = max(math.ceil(max(ys) - _SLACK), y0 + 1)
    x0, y0 = max(x0, 0), max(y0, 0)
    x1, y1 = min(x1, width), min(y1, height)
    if x1 <= x0 or y1 <= y0:
        return None
    return x0, y0, x1, y1
