"""The editing ROI as plain data: read from a panel, written to and read from JSON, set back on a
panel. Everything that knows how the panel's getters encode a shape lives here, so that moving
to a panel-side data getter later changes this file only.

The data is a dict {"version": 1, "mode": int, "points": [[x, y], ...], "angle": float}; circles
add "outer_radius", annuli "outer_radius", "inner_radius", "start_angle" and "end_angle". The
points are the panel's single-shape form, the one SetEditingROI takes back.
"""

import json
import math

VERSION = 1

POINT, LINE, RECTANGLE, ROTATED_RECTANGLE, CIRCLE, ANNULUS, POLYGON = range(1, 8)

MODE_NAMES = {
    POINT: "Point",
    LINE: "Line",
    RECTANGLE: "Rectangle",
    ROTATED_RECTANGLE: "Rotated rectangle",
    CIRCLE: "Circle",
    ANNULUS: "Annulus",
    POLYGON: "Polygon",
}

# Points each shape takes; a polygon takes at least three.
_POINT_COUNT = {
    POINT: 1,
    LINE: 2,
    RECTANGLE: 2,
    ROTATED_RECTANGLE: 2,
    CIRCLE: 2,
    ANNULUS: 4,
}
# Far beyond any image the panel can hold; keeps absurd files from reaching the panel.
_COORD_LIMIT = 1e7


class RoiFormatError(ValueError):
    """A ROI file or dict that does not describe one shape."""


def _centre(panel):
    """The centre of a circle or annulus. The panel's rectangle holds it truncated, the press
    point exactly, but the press point stays behind when the shape is dragged by its body."""
    rect = panel.GetRect()
    down = panel.GetLeftMouseDownPoint()
    if rect[2] <= 0 or rect[3] <= 0 or (int(down[0]), int(down[1])) == (rect[0], rect[1]):
        return [float(down[0]), float(down[1])]
    return [float(rect[0]), float(rect[1])]


def read_roi(panel):
    """The panel's editing ROI as data, or None when there is no shape to speak of."""
    mode = int(panel.GetROIMode())
    data = {"version": VERSION, "mode": mode, "points": [], "angle": 0.0}
    if mode == POINT:
        x, y = panel.GetLeftMouseDownPoint()
        if x <= 0 and y <= 0:
            return None
        data["points"] = [[x, y]]
    elif mode == LINE:
        a = list(panel.GetLeftMouseDownPoint())
        b = list(panel.GetLeftMouseUpPoint())
        if a == b:
            return None
        data["points"] = [a, b]
    elif mode in (RECTANGLE, ROTATED_RECTANGLE):
        x, y, w, h = panel.GetRect()
        if w <= 0 or h <= 0:
            return None
        data["points"] = [[float(x), float(y)], [float(w), float(h)]]
        if mode == ROTATED_RECTANGLE:
            data["angle"] = float(panel.GetRotateAngle())
    elif mode in (CIRCLE, ANNULUS):
        outer = float(panel.GetOuterRadius())
        if outer <= 0:
            return None
        centre = _centre(panel)
        data["outer_radius"] = outer
        if mode == CIRCLE:
            # Written as two equal components: a radius vector with one zero component gives
            # a circle the panel draws but cannot grab with the mouse.
            side = outer / math.sqrt(2.0)
            data["points"] = [centre, [side, side]]
        else:
            inner = float(panel.GetInnerRadius())
            start = float(panel.GetStartAngle())
            end = float(panel.GetEndAngle())
            data.update(inner_radius=inner, start_angle=start, end_angle=end)
            data["points"] = [centre, [outer, 0.0], [inner, 0.0], [start, end]]
    elif mode == POLYGON:
        points = [list(p) for p in panel.GetPolygonPoints()]
        if len(points) < 3:
            return None
        data["points"] = points
    else:
        return None
    data["points"] = [[float(x), float(y)] for x, y in data["points"]]
    return data


def _number(value, what):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise RoiFormatError(f"{what} is not a number")
    value = float(value)
    if not math.isfinite(value) or abs(value) > _COORD_LIMIT:
        raise RoiFormatError(f"{what} is out of range")
    return value


def validate(data):
    """A checked, normalised copy of ROI data; RoiFormatError says what is wrong."""
    if not isinstance(data, dict):
        raise RoiFormatError("the file does not hold a ROI object")
    if data.get("version") != VERSION:
        raise RoiFormatError(f"unsupported ROI version {data.get('version')!r}")
    mode = data.get("mode")
    if isinstance(mode, bool) or mode not in MODE_NAMES:
        raise RoiFormatError(f"unknown ROI mode {mode!r}")
    raw_points = data.get("points")
    if not isinstance(raw_points, list):
        raise RoiFormatError("points must be a list")
    points = []
    for i, p in enumerate(raw_points):
        if not isinstance(p, (list, tuple)) or len(p) != 2:
            raise RoiFormatError(f"point {i + 1} is not an (x, y) pair")
        points.append([_number(p[0], f"point {i + 1}"), _number(p[1], f"point {i + 1}")])
    wanted = _POINT_COUNT.get(mode)
    if (wanted is not None and len(points) != wanted) or (mode == POLYGON and len(points) < 3):
        need = f"{wanted}" if wanted is not None else "at least 3"
        raise RoiFormatError(f"a {MODE_NAMES[mode].lower()} needs {need} points, not {len(points)}")
    if mode in (RECTANGLE, ROTATED_RECTANGLE, CIRCLE) and min(points[1]) <= 0:
        raise RoiFormatError(f"a {MODE_NAMES[mode].lower()} needs a positive size")
    result = {
        "version": VERSION,
        "mode": mode,
        "points": points,
        "angle": _number(data.get("angle", 0.0), "angle"),
    }
    for key in ("outer_radius", "inner_radius", "start_angle", "end_angle"):
        if key in data:
            result[key] = _number(data[key], key.replace("_", " "))
    return result


def apply_roi(panel, data):
    """Makes the checked data the panel's editing ROI (in its tool) and repaints."""
    data = validate(data)
    panel.SetROIMode(data["mode"])
    points = [tuple(p) for p in data["points"]]
    panel.SetEditingROI(data["mode"], points, data["angle"])


def save_roi_file(path, data):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(validate(data), f, indent=2, allow_nan=False)
        f.write("\n")


def load_roi_file(path):
    """The checked ROI data of a file; OSError when it cannot be read, RoiFormatError when it
    does not hold a ROI."""
    with open(path, "rb") as f:
        raw = f.read(1 << 20)
    try:
        data = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        raise RoiFormatError(f"not a ROI file ({e})") from None
    return validate(data)
