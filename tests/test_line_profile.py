"""GetLineProfile on a real panel against NumPy's bilinear sampling and cv2.remap, and
MeasureROIs giving the panel's own GetROIStats without a window."""

import math
import os

import cv2
import numpy as np
import pytest

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

LINE = 2


def _bilinear(image, x, y):
    """NumPy's reading of one sample: replicated border, NaN beyond one pixel off the image."""
    h, w = image.shape[:2]
    img = image.reshape(h, w, -1).astype(np.float64)
    if not (-1 < x < w and -1 < y < h):
        return np.full(img.shape[2], np.nan)
    x0, y0 = math.floor(x), math.floor(y)
    ax, ay = x - x0, y - y0
    xa, xb = np.clip([x0, x0 + 1], 0, w - 1)
    ya, yb = np.clip([y0, y0 + 1], 0, h - 1)
    top = (1 - ax) * img[ya, xa] + ax * img[ya, xb]
    bottom = (1 - ax) * img[yb, xa] + ax * img[yb, xb]
    return (1 - ay) * top + ay * bottom


def _reference(image, a, b, width):
    d = np.subtract(b, a, dtype=np.float64)
    length = math.hypot(*d)
    u = d / length
    v = np.array([-u[1], u[0]])
    rows = []
    for k in range(math.floor(length) + 1):
        samples = [_bilinear(image, *(np.asarray(a) + k * u + (s - (width - 1) / 2) * v))
                   for s in range(width)]
        rows.append(np.mean(samples, axis=0))
    return np.array(rows)


@pytest.fixture
def panel(movra, host):
    from wxutil import make_roi_panel

    p = make_roi_panel(movra, host)
    rng = np.random.default_rng(5)
    image = rng.integers(0, 256, (120, 160, 3), dtype=np.uint8)
    p.SetMat(image)
    return p, image


def test_profile_matches_numpy_and_remap(panel):
    p, image = panel
    for a, b, width in [((10.3, 20.7), (140.2, 95.1), 1), ((150.5, 5.25), (3.0, 110.0), 3),
                        ((0.0, 0.0), (159.0, 119.0), 4), ((40.2, 60.0), (40.9, 60.3), 2)]:
        p.SetEditingROI(LINE, [a, b])
        # The panel keeps coordinates in single precision.
        a, b = (tuple(float(v) for v in np.float32(q)) for q in (a, b))
        profile = p.GetLineProfile(width=width)
        assert profile.dtype == np.float64 and profile.shape[1] == 3
        assert profile.shape[0] == math.floor(math.dist(a, b)) + 1
        np.testing.assert_allclose(profile, _reference(image, a, b, width), atol=1e-9)
    # On an axis-aligned line at quarter pixels remap's 1/32-pixel weights are exact.
    p.SetEditingROI(LINE, [(150.25, 33.75), (2.25, 33.75)])
    xs = np.arange(150.25, 2.0, -1.0, dtype=np.float32)
    remapped = cv2.remap(image.astype(np.float32), xs[None, :], np.full((1, xs.size), 33.75,
                         np.float32), cv2.INTER_LINEAR, borderMode=cv2.BORDER_REPLICATE)[0]
    np.testing.assert_allclose(p.GetLineProfile(), remapped, atol=1e-3)


def test_profile_refuses_other_shapes_ids_and_widths(panel, movra):
    p, _ = panel
    p.SetEditingROI(3, [(10, 10), (30, 20)])
    with pytest.raises(ValueError, match="not a line"):
        p.GetLineProfile()
    p.SetEditingROI(LINE, [(10, 10), (30, 20)])
    for kwargs in ({"width": 0}, {"id": 12}):
        with pytest.raises(ValueError):
            p.GetLineProfile(**kwargs)
    # A grey image gives one column.
    p.SetMat(np.full((50, 60), 77, np.uint8))
    p.SetEditingROI(LINE, [(50.0, 25.0), (59.9, 25.0)])
    profile = p.GetLineProfile(width=1)
    assert profile.shape == (10, 1) and (profile == 77).all()


def test_measure_rois_is_the_panels_own_measurement(panel, movra):
    p, image = panel
    rois = [
        {"version": 1, "mode": 4, "points": [[30.5, 40.2], [50, 20]], "angle": 33.0},
        {"version": 1, "mode": 6, "points": [[80, 60], [30, 30], [12, 0], [-40, 200]]},
        {"version": 1, "mode": 7, "points": [[5, 5], [70, 12], [40, 90], [9, 60]]},
        {"version": 1, "mode": 1, "points": [[12.7, 99.2]]},
        {"version": 1, "mode": 3, "points": [[500, 500], [10, 10]]},  # off the image
    ]
    measured = movra.MeasureROIs(p.GetRawMat(), rois)
    assert len(measured) == len(rois) and measured[-1] == {}
    for data, stats in zip(rois, measured):
        p.SetEditingROIData(data)
        assert stats == p.GetROIStats()
    with pytest.raises(ValueError, match=r"rois\[1\]: points"):
        movra.MeasureROIs(image, [rois[0], {"version": 1, "mode": 3, "points": [[1, 2]]}])
    with pytest.raises(ValueError, match="2"):
        movra.MeasureROIs(image[:, :, :2], rois)


def test_measure_rois_of_deep_arrays_is_the_panels_measurement_and_numpys(panel, movra):
    p, _ = panel
    rng = np.random.default_rng(9)
    rect = {"version": 1, "mode": 3, "points": [[10, 20], [40, 40]]}  # x, y, w, h
    grey16 = rng.integers(0, 65536, (120, 160), dtype=np.uint16)
    colour32 = (rng.standard_normal((120, 160, 3)) * 1000).astype(np.float32)
    colour64 = colour32.astype(np.float64) + 1e-9  # kept as float32 by the panel
    for array, floating in [(grey16, False), (colour32, True), (colour64, True)]:
        p.SetMat(array)
        p.SetEditingROIData(rect)
        [stats] = movra.MeasureROIs(array, [rect])
        assert stats == p.GetROIStats()
        inside = array[20:60, 10:50].reshape(1600, -1)
        if floating:
            inside = inside.astype(np.float32)
        assert stats["area"] == 1600
        assert all(isinstance(v, float if floating else int) for v in stats["min"] + stats["max"])
        assert stats["min"] == inside.min(axis=0).tolist()
        assert stats["max"] == inside.max(axis=0).tolist()
        np.testing.assert_allclose(stats["mean"], inside.astype(np.float64).mean(axis=0),
                                   rtol=1e-9, atol=1e-9)
        np.testing.assert_allclose(stats["std"], inside.astype(np.float64).std(axis=0),
                                   rtol=1e-7, atol=1e-6)
    # Other dtypes are saturated to uint8 as SetMat does, not wrapped.
    [stats] = movra.MeasureROIs(np.full((30, 30), 300, np.int32), [rect])
    assert stats["min"] == [255] and stats["max"] == [255]
