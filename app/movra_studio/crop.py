"""The image region a ROI covers: the box of the pixels the panel measures as the ROI's, so a
crop holds exactly what Measure and the mask speak of."""

from .roi_json import POINT


def crop_box(panel, data):
    """(x0, y0, x1, y1), end exclusive, of the pixels the editing ROI `data` holds on the
    panel's image; None when there is no ROI, it is a point, or it holds no pixel of the image."""
    if data is None or data["mode"] == POINT:
        return None
    bbox = panel.GetROIStats().get("bbox")
    if not bbox or bbox[2] <= 0 or bbox[3] <= 0:
        return None
    x, y, w, h = bbox
    return x, y, x + w, y + h
