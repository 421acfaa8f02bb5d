"""Rows of text that describe a ROI (the data of roi_json) for the readout list."""

import math

from .roi_json import (
    ANNULUS,
    CIRCLE,
    LINE,
    MODE_NAMES,
    POINT,
    POLYGON,
    RECTANGLE,
    ROTATED_RECTANGLE,
)

# Vertices listed one by one up to this count; larger polygons only in summary.
MAX_LISTED_VERTICES = 24


def _n(v):
    """A coordinate as people read it: whole numbers without decimals, else one decimal."""
    return f"{v:.0f}" if abs(v - round(v)) < 0.05 else f"{v:.1f}"


def _pt(p):
    return f"({_n(p[0])}, {_n(p[1])})"


def _deg(a):
    return f"{a:.1f}°"


def readout_rows(data):
    """(label, value) rows for ROI data; one "No ROI" row for None."""
    if data is None:
        return [("Shape", "none (drag on the image)")]
    mode = data["mode"]
    p = data["points"]
    rows = [("Shape", MODE_NAMES.get(mode, f"mode {mode}"))]
    if mode == POINT:
        rows.append(("Position", _pt(p[0])))
    elif mode == LINE:
        dx, dy = p[1][0] - p[0][0], p[1][1] - p[0][1]
        rows += [
            ("Start", _pt(p[0])),
            ("End", _pt(p[1])),
            ("Length", f"{_n(math.hypot(dx, dy))} px"),
            ("Angle", _deg(math.degrees(math.atan2(dy, dx)))),
        ]
    elif mode in (RECTANGLE, ROTATED_RECTANGLE):
        (x, y), (w, h) = p
        rows += [("Rectangle", f"x {_n(x)}, y {_n(y)}, {_n(w)} × {_n(h)}")]
        if mode == ROTATED_RECTANGLE:
            rows += [("Centre", _pt((x + w / 2, y + h / 2))), ("Angle", _deg(data["angle"]))]
    elif mode == CIRCLE:
        rows += [("Centre", _pt(p[0])), ("Radius", f"{_n(data['outer_radius'])} px")]
    elif mode == ANNULUS:
        rows += [
            ("Centre", _pt(p[0])),
            ("Outer radius", f"{_n(data['outer_radius'])} px"),
            ("Inner radius", f"{_n(data['inner_radius'])} px"),
            ("Angles", f"{_deg(data['start_angle'])} to {_deg(data['end_angle'])}"),
        ]
    elif mode == POLYGON:
        xs = [q[0] for q in p]
        ys = [q[1] for q in p]
        rows += [
            ("Vertices", str(len(p))),
            ("Bounds", f"x {_n(min(xs))}–{_n(max(xs))}, y {_n(min(ys))}–{_n(max(ys))}"),
        ]
        rows += [(f"P{i + 1}", _pt(q)) for i, q in enumerate(p[:MAX_LISTED_VERTICES])]
        if len(p) > MAX_LISTED_VERTICES:
            rows.append(("…", f"{len(p) - MAX_LISTED_VERTICES} more"))
    return rows
