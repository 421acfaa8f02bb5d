"""Line profiles and histograms as numbers for the plot windows and their CSV files.
Window-free."""

import csv

import numpy as np

# Curve colours (R, G, B) per channel of a channel count: source order, B, G, R for colour.
_GREY = (40, 40, 40)
CHANNEL_COLOURS = {
    1: [_GREY],
    2: [_GREY, (140, 140, 140)],
    3: [(30, 90, 230), (20, 160, 40), (220, 30, 30)],
    4: [(30, 90, 230), (20, 160, 40), (220, 30, 30), (140, 140, 140)],
}


def channel_names(channels):
    if channels == 1:
        return ["grey"]
    if channels in (3, 4):
        return ["blue", "green", "red", "alpha"][:channels]
    return [f"channel {c}" for c in range(channels)]


def channel_colours(channels):
    return CHANNEL_COLOURS.get(channels, [_GREY] * channels)


def profile_curves(profile):
    """[(points, channel)] per channel of an (n, channels) profile, points an (m, 2) array of
    (distance, value) without the NaN samples that lie off the image."""
    profile = np.asarray(profile, dtype=np.float64)
    distance = np.arange(profile.shape[0], dtype=np.float64)
    curves = []
    for c in range(profile.shape[1] if profile.ndim == 2 else 0):
        keep = ~np.isnan(profile[:, c])
        curves.append((np.column_stack([distance[keep], profile[keep, c]]), c))
    return curves


def save_profile_csv(path, profile):
    """Writes "distance" and one column per channel ("value_0", ...); NaN cells stay empty."""
    profile = np.asarray(profile, dtype=np.float64)
    channels = profile.shape[1]
    with open(path, "w", encoding="utf-8", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["distance"] + [f"value_{c}" for c in range(channels)])
        for k, row in enumerate(profile):
            w.writerow([k] + ["" if np.isnan(v) else repr(float(v)) for v in row])


def histogram_bins(lo, hi, integer):
    """(bins, (low, high)) of a histogram of values from lo to hi: integers one bin per value
    (0..255 at least, so that 8-bit images always show their whole range; deeper values at
    most 256 bins across their own span, not across the type's: a 12-bit image would fill a
    sixteenth of a uint16 range); floats 256 bins from lo to hi."""
    if integer:
        lo, hi = int(lo), int(hi)
        if lo >= 0 and hi <= 255:
            return 256, (0.0, 256.0)
        return min(256, hi + 1 - lo), (float(lo), float(hi + 1))
    return 256, (float(lo), float(hi) if hi > lo else float(lo) + 1.0)


def roi_histogram(panel, roi_id=None):
    """(edges, counts[b, c]) of one ROI's source values, counted by the panel
    (GetROIHistogram) over the bins of histogram_bins for the ROI's own minimum and maximum
    (GetROIStats); None when the ROI has no pixel on the image."""
    stats = panel.GetROIStats(roi_id)
    if not stats:
        return None
    lo, hi = min(stats["min"]), max(stats["max"])
    integer = all(isinstance(v, int) for v in stats["min"] + stats["max"])
    if not integer and not (np.isfinite(lo) and np.isfinite(hi)):
        lo, hi = 0.0, 1.0  # no finite value: the panel counts nothing either way
    bins, span = histogram_bins(lo, hi, integer)
    found = panel.GetROIHistogram(bins=bins, range=span, id=roi_id)
    if found is None:
        return None
    counts, edges = found
    return np.asarray(edges), np.asarray(counts).reshape(-1, bins).T


def histogram(image):
    """(edges, counts[b, c]): the whole image's histogram per channel over the bins
    roi_histogram uses for a ROI, NaN left out."""
    image = np.asarray(image)
    pixels = image.reshape(-1, image.shape[2] if image.ndim == 3 else 1)
    channels = pixels.shape[1]
    integer = image.dtype.kind in "ui"
    finite = pixels if integer else pixels[np.isfinite(pixels).all(axis=1)]
    lo, hi = (finite.min(), finite.max()) if len(finite) else (0, 0)
    bins, span = histogram_bins(lo, hi, integer)
    if image.dtype == np.uint8:
        # bincount: a tenth of np.histogram's time on a large picture.
        counts = np.stack([np.bincount(pixels[:, c], minlength=256) for c in range(channels)],
                          axis=1)
        return np.arange(257, dtype=np.float64), counts
    counts = [np.histogram(finite[:, c], bins=bins, range=span) for c in range(channels)]
    return counts[0][1], np.stack([c for c, _ in counts], axis=1)
