"""The editing ROI as plain data: read from a panel, written to and read from JSON files, set
back on a panel. The data is the panel's own (GetEditingROIData and SetEditingROIData, described
in docs/roi-data.md): {"version": 1, "mode": int, "points": [[x, y], ...], "angle": float},
circles adding "outer_radius", annuli also "inner_radius", "start_angle" and "end_angle". The
panel checks what it is given; this file adds the files and the shapes' names.
"""

import json

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

# Far more than any ROI file needs (a polygon of some 30,000 vertices); a larger file is
# refused rather than read whole.
_MAX_FILE_BYTES = 1 << 20


class RoiFormatError(ValueError):
    """A ROI file or dict that does not describe one shape."""


def read_roi(panel):
    """The panel's editing ROI as data, or None when there is no shape to speak of."""
    data = panel.GetEditingROIData()
    return data if data["points"] and data["mode"] in MODE_NAMES else None


def apply_roi(panel, data):
    """Makes the data the panel's editing ROI (in its tool) and repaints. RoiFormatError, the
    panel's reason naming the field at fault, when the panel refuses it; the ROI is then kept."""
    try:
        panel.SetEditingROIData(data)
    except (TypeError, ValueError) as e:
        raise RoiFormatError(str(e)) from None


def save_roi_file(path, data):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(data, f, indent=2, allow_nan=False)
        f.write("\n")


def load_roi_file(path):
    """The ROI data of a file, to be checked by the panel it is applied to; OSError when it
    cannot be read, RoiFormatError when it does not hold a JSON object."""
    with open(path, "rb") as f:
        raw = f.read(_MAX_FILE_BYTES + 1)
    if len(raw) > _MAX_FILE_BYTES:
        raise RoiFormatError("the file is too large for a ROI file")
    try:
        data = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        raise RoiFormatError(f"not a ROI file ({e})") from None
    if not isinstance(data, dict):
        raise RoiFormatError("the file does not hold a ROI object")
    return data
