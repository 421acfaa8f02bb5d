"""ROI files for measuring: a saved ROI set or a single saved ROI, as (id, name, data) entries
that the measurement takes. Window-free.

A single ROI is the editing ROI's data (roi_json); a set is {"rois": [ROI, ...]} or a list of
ROIs, each ROI's data optionally carrying "id" (an int) and "name" (a string)."""

from . import roi_json


class RoiSetError(ValueError):
    """A ROI file that holds no usable ROIs; the message says why."""


def entries(data):
    """[(id, name, data)] of a loaded ROI file: ids default to the position from 1, names to
    "ROI <id>". RoiSetError for anything that is not a ROI or a list of them."""
    if isinstance(data, dict) and "rois" in data:
        items = data["rois"]
        if not isinstance(items, list):
            raise RoiSetError('"rois" is not a list')
    elif isinstance(data, dict):
        items = [data]
    elif isinstance(data, list):
        items = data
    else:
        raise RoiSetError("the file holds neither a ROI nor a list of ROIs")
    if not items:
        raise RoiSetError("the file holds no ROI")
    out, seen = [], set()
    for i, item in enumerate(items):
        if not isinstance(item, dict):
            raise RoiSetError(f"ROI {i + 1} is not an object")
        roi_id = item.get("id", i + 1)
        if not isinstance(roi_id, int) or isinstance(roi_id, bool):
            raise RoiSetError(f"ROI {i + 1}: id is not an integer")
        if roi_id in seen:
            raise RoiSetError(f"ROI {i + 1}: id {roi_id} is used twice")
        seen.add(roi_id)
        name = item.get("name", f"ROI {roi_id}")
        if not isinstance(name, str):
            raise RoiSetError(f"ROI {i + 1}: name is not a string")
        out.append((roi_id, name, item))
    return out


def load(path):
    """The entries of a ROI file; OSError when it cannot be read, RoiSetError (or
    roi_json.RoiFormatError) when it is not a ROI file."""
    return entries(roi_json.load_roi_file(path))
