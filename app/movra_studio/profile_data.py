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


def histogram(image, mask=None):
    """(edges, counts): counts[b, c] pixels of channel c in bin b, over the mask's non-zero
    pixels (all pixels without a mask). 8-bit images get one bin per value; deeper ones 256
    bins spanning their values."""
    image = np.asarray(image)
    pixels = image.reshape(image.shape[0], image.shape[1], -1)
    if mask is not None and np.size(mask):
        pixels = pixels[np.asarray(mask) != 0]
    else:
        pixels = pixels.reshape(-1, pixels.shape[2])
    channels = pixels.shape[1]
    if image.dtype == np.uint8:
        edges = np.arange(257, dtype=np.float64)
        counts = np.stack([np.bincount(pixels[:, c], minlength=256) for c in range(channels)],
                          axis=1) if len(pixels) else np.zeros((256, channels), np.int64)
        return edges, counts
    finite = pixels[np.isfinite(pixels).all(axis=1)] if pixels.dtype.kind == "f" else pixels
    lo = float(finite.min()) if len(finite) else 0.0
    hi = float(finite.max()) if len(finite) else 1.0
    edges = np.linspace(lo, hi if hi > lo else lo + 1.0, 257)
    counts = np.stack([np.histogram(finite[:, c], bins=edges)[0] for c in range(channels)],
                      axis=1)
    return edges, counts
