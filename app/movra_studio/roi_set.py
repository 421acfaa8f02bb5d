"""ROI files as sets of named ROIs: what Save ROI writes, Load ROI reads and the batch command
measures with. Window-free.

The file format is the panel's own set (GetROISetData / SetROISetData, described in
docs/roi-data.md): {"version": 2, "rois": [ROI, ...], "selected": id or None}, each ROI a shape
dict (roi_json) plus "id", "name" and "color". Read as well: a single saved ROI (a version-1
shape dict, what Save ROI wrote before sets), and the form the batch command took before sets
({"rois": [...]} without a version, ids optional)."""

from . import roi_json

SET_VERSION = 2


class RoiSetError(ValueError):
    """A ROI file that holds no usable ROIs; the message says why."""


def display_name(roi_id, name):
    """The name a ROI is shown and measured under: its own, or "ROI <id>" when it has none."""
    return name if name else f"ROI {roi_id}"


def _old_list(items):
    """The set of the former list form: ids default to the position from 1."""
    if not isinstance(items, list):
        raise RoiSetError('"rois" is not a list')
    rois = []
    for i, item in enumerate(items):
        if not isinstance(item, dict):
            raise RoiSetError(f"ROI {i + 1} is not an object")
        rois.append(item if "id" in item else dict(item, id=i + 1))
    return {"version": SET_VERSION, "rois": rois, "selected": None}


def set_data(data):
    """The set a loaded ROI file stands for, in the panel's set form; RoiSetError for anything
    that is not a ROI or a set of ROIs. The shapes themselves are checked by whoever takes
    them (the panel, MeasureROIs)."""
    if not isinstance(data, dict):
        raise RoiSetError("the file holds neither a ROI nor a set of ROIs")
    if data.get("version") == SET_VERSION and "mode" not in data:
        if not isinstance(data.get("rois"), list):
            raise RoiSetError('"rois" is not a list')
        return data
    if "rois" in data and "version" not in data:
        return _old_list(data["rois"])
    # One shape dict: a set of one, as the panel reads it.
    return {"version": SET_VERSION, "rois": [dict(data, id=1)], "selected": 1}


def entries(data):
    """[(id, name, shape dict)] of a loaded ROI file, the names as measured (display_name).
    RoiSetError when it holds no ROI, or ids or names that are not usable."""
    items = set_data(data)["rois"]
    if not items:
        raise RoiSetError("the file holds no ROI")
    out, seen = [], set()
    for i, item in enumerate(items):
        if not isinstance(item, dict):
            raise RoiSetError(f"ROI {i + 1} is not an object")
        roi_id = item.get("id")
        if not isinstance(roi_id, int) or isinstance(roi_id, bool):
            raise RoiSetError(f"ROI {i + 1}: id is missing or not an integer")
        if roi_id in seen:
            raise RoiSetError(f"ROI {i + 1}: id {roi_id} is used twice")
        seen.add(roi_id)
        name = item.get("name", "")
        if not isinstance(name, str):
            raise RoiSetError(f"ROI {i + 1}: name is not a string")
        out.append((roi_id, display_name(roi_id, name), item))
    return out


def load(path):
    """The entries of a ROI file; OSError when it cannot be read, RoiSetError (or
    roi_json.RoiFormatError) when it is not a ROI file."""
    return entries(roi_json.load_roi_file(path))


# --- the panel's set


def has_shape(roi):
    """Whether a ROI of the set has a shape to measure or save (a cleared one has none)."""
    return bool(roi.get("points")) and roi.get("mode") in roi_json.MODE_NAMES


def read_set(panel):
    """What Save ROI writes: the panel's set without ROIs that have no shape (a cleared one),
    or None when no ROI has a shape."""
    data = panel.GetROISetData()
    rois = [r for r in data["rois"] if has_shape(r)]
    if not rois:
        return None
    ids = {r["id"] for r in rois}
    selected = data.get("selected")
    return {"version": SET_VERSION, "rois": rois,
            "selected": selected if selected in ids else None}


def apply_set(panel, data):
    """Makes a loaded ROI file the panel's set and repaints. RoiFormatError, the panel's reason
    naming the field at fault, when it is refused; the set is then kept as it was."""
    if isinstance(data, dict) and "rois" in data and "version" not in data:
        data = set_data(data)
    try:
        panel.SetROISetData(data)
    except (TypeError, ValueError) as e:
        raise roi_json.RoiFormatError(str(e)) from None
