"""MovraROIAdvPanel.GetROIMask and GetROIStats against references built independently here:
NumPy evaluations of each shape at the pixel centres, OpenCV's own drawing of the same shape,
and NumPy statistics of the image under the returned mask."""

import math
import sys
from pathlib import Path

import cv2
import numpy as np
import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
from wxutil import make_roi_panel, panel_window, settle  # noqa: E402

H, W = 240, 320
YS, XS = np.mgrid[0:H, 0:W]
PX, PY = XS + 0.5, YS + 0.5  # pixel centres


def f32(v):
    """The value as the panel stores it (float)."""
    return float(np.float32(v))


@pytest.fixture
def panel(movra, host):
    p = make_roi_panel(movra, host)
    image = np.random.default_rng(7).integers(0, 256, (H, W, 3), dtype=np.uint8)
    p.SetMat(image)
    return p, image


# --- references ----------------------------------------------------------------------------


def even_odd(vertices):
    """Point-in-polygon at every pixel centre (crossing number, left and top edges inside)."""
    inside = np.zeros((H, W), bool)
    for i in range(len(vertices)):
        (xi, yi), (xj, yj) = vertices[i], vertices[i - 1]
        if yi == yj:
            continue
        crosses = (yi > PY) != (yj > PY)
        inside ^= crosses & (PX < xi + (PY - yi) * (xj - xi) / (yj - yi))
    return inside


def rect_frame(x, y, w, h, angle):
    """Pixel centres in the frame of a rectangle turned by angle about its centre."""
    t = math.radians(angle)
    dx, dy = PX - (x + w / 2), PY - (y + h / 2)
    return math.cos(t) * dx + math.sin(t) * dy, -math.sin(t) * dx + math.cos(t) * dy


def rect_outline_distance(u, v, w, h):
    ou, ov = np.abs(u) - w / 2, np.abs(v) - h / 2
    outside = np.hypot(np.maximum(ou, 0), np.maximum(ov, 0))
    return np.where((ou <= 0) & (ov <= 0), np.minimum(-ou, -ov), outside)


def sector_parts(cx, cy, start, end):
    """Distance from the centre and angle 0..360 (from +x towards +y) of every pixel centre,
    and the sector's start and span as cv::ellipse reads them."""
    dx, dy = PX - cx, PY - cy
    angle = np.degrees(np.arctan2(dy, dx)) % 360
    start, end = min(start, end), max(start, end)
    return np.hypot(dx, dy), angle, start, end - start


def annulus_reference(cx, cy, inner, outer, start, end):
    d2 = (PX - cx) ** 2 + (PY - cy) ** 2
    _, angle, s, span = sector_parts(cx, cy, start, end)
    in_sector = np.ones((H, W), bool) if span >= 360 else (angle - s) % 360 <= span
    return (d2 >= inner * inner) & (d2 <= outer * outer) & in_sector


def annulus_outline_distance(cx, cy, inner, outer, start, end):
    d, _, s, span = sector_parts(cx, cy, start, end)
    dist = np.minimum(np.abs(d - outer), np.abs(d - inner))
    if span < 360:
        for a in (s, s + span):
            ux, uy = math.cos(math.radians(a)), math.sin(math.radians(a))
            t = np.clip((PX - cx) * ux + (PY - cy) * uy, inner, outer)
            dist = np.minimum(dist, np.hypot(PX - cx - t * ux, PY - cy - t * uy))
    return dist


def assert_same_but_on_the_outline(mask, reference, outline_distance, within):
    differ = (mask > 0) != reference
    assert differ.sum() == 0 or outline_distance[differ].max() < within, (
        int(differ.sum()), float(outline_distance[differ].max()))


def opencv_rotated_rect(x, y, w, h, angle):
    corners = cv2.boxPoints(((x + w / 2, y + h / 2), (w, h), angle)) - 0.5  # centres at +0.5
    out = np.zeros((H, W), np.uint8)
    cv2.fillPoly(out, [np.round(corners * 256).astype(np.int32)], 255, cv2.LINE_8, shift=8)
    return out > 0


def opencv_annulus(cx, cy, inner, outer, start, end):
    def pie(r, start, end):
        out = np.zeros((H, W), np.uint8)
        centre = (round((cx - 0.5) * 256), round((cy - 0.5) * 256))
        cv2.ellipse(out, centre, (round(r * 256), round(r * 256)), 0, start, end, 255, -1,
                    cv2.LINE_8, 8)
        return out > 0
    return pie(outer, start, end) & ~pie(inner, 0, 360)


# --- one shape at a time: mask, OpenCV's drawing of it, statistics ----------------------------


def check_stats(stats, mask, image, perimeter):
    inside = mask > 0
    ys, xs = np.nonzero(inside)
    values = image[inside].astype(np.float64)
    assert stats["area"] == len(xs)
    assert stats["bbox"] == (xs.min(), ys.min(), xs.max() - xs.min() + 1,
                             ys.max() - ys.min() + 1)
    assert stats["centroid"] == pytest.approx((xs.mean() + 0.5, ys.mean() + 0.5), rel=1e-12)
    assert stats["mean"] == list(values.mean(axis=0))
    assert stats["std"] == pytest.approx(list(values.std(axis=0)), rel=1e-9)
    assert stats["min"] == list(image[inside].min(axis=0))
    assert stats["max"] == list(image[inside].max(axis=0))
    assert stats["perimeter"] == pytest.approx(perimeter, rel=1e-6)


def test_rectangle_and_rotated_rectangle(panel):
    p, image = panel
    x, y, w, h = f32(40.3), f32(25.75), f32(101.6), f32(60.2)
    p.SetEditingROI(3, [(x, y), (w, h)])
    mask = p.GetROIMask()
    assert mask.shape == (H, W) and mask.dtype == np.uint8 and set(np.unique(mask)) == {0, 255}
    reference = (x <= PX) & (PX < x + w) & (y <= PY) & (PY < y + h)
    assert np.array_equal(mask > 0, reference)
    check_stats(p.GetROIStats(), mask, image, 2 * (w + h))

    for angle in (33.0, -120.5, 90.0):
        p.SetEditingROI(4, [(x, y), (w, h)], angle=angle)
        mask = p.GetROIMask()
        u, v = rect_frame(x, y, w, h, angle)
        distance = rect_outline_distance(u, v, w, h)
        assert_same_but_on_the_outline(mask, (np.abs(u) <= w / 2) & (np.abs(v) <= h / 2),
                                       distance, 1e-6)
        assert_same_but_on_the_outline(mask, opencv_rotated_rect(x, y, w, h, angle), distance,
                                       1.0)
        assert abs(int((mask > 0).sum()) - w * h) < 2 * (w + h) / 2
        check_stats(p.GetROIStats(), mask, image, 2 * (w + h))


@pytest.mark.parametrize("start, end", [(0, 360), (30, 120), (-60, 200), (200, 100),
                                        (350, 370)])
def test_circle_and_annulus_sectors(panel, start, end):
    p, image = panel
    cx, cy = f32(150.5), f32(118.25)
    p.SetEditingROI(5, [(cx, cy), (90.3, 0)])
    r = p.GetOuterRadius()
    mask = p.GetROIMask()
    assert np.array_equal(mask > 0, (PX - cx) ** 2 + (PY - cy) ** 2 <= r * r)
    check_stats(p.GetROIStats(), mask, image, 2 * math.pi * r)

    p.SetEditingROI(6, [(cx, cy), (100.4, 0), (41.7, 0), (start, end)])
    outer, inner = p.GetOuterRadius(), p.GetInnerRadius()
    mask = p.GetROIMask()
    distance = annulus_outline_distance(cx, cy, inner, outer, start, end)
    assert_same_but_on_the_outline(mask, annulus_reference(cx, cy, inner, outer, start, end),
                                   distance, 1e-6)
    assert_same_but_on_the_outline(mask, opencv_annulus(cx, cy, inner, outer, start, end),
                                   distance, 1.5)
    span = min(abs(end - start), 360)
    arcs = (inner + outer) * math.radians(span)
    check_stats(p.GetROIStats(), mask, image,
                arcs + (0 if span == 360 else 2 * (outer - inner)))


def test_polygon_concave_and_self_crossing(panel):
    p, image = panel
    shapes = [
        [(20.5, 30.25), (200.75, 12.5), (120.0, 90.0), (250.25, 200.5), (35.0, 180.75)],
        # A bow tie and a five-pointed star: the even-odd rule leaves the star's core out.
        [(30, 30), (200, 190.5), (200.25, 40), (30.5, 200)],
        [(160 + 100 * math.cos(math.radians(90 + 144 * k)),
          120 + 100 * math.sin(math.radians(90 + 144 * k))) for k in range(5)],
    ]
    for vertices in shapes:
        p.SetEditingROI(7, vertices)
        stored = [(f32(x), f32(y)) for x, y in vertices]
        mask = p.GetROIMask()
        assert np.array_equal(mask > 0, even_odd(stored))
        length = sum(math.dist(stored[i], stored[i - 1]) for i in range(len(stored)))
        check_stats(p.GetROIStats(), mask, image, length)
    assert not mask[120, 160]  # the star's core


def test_line_and_point_are_their_pixels(panel):
    p, image = panel
    lines = [((10.7, 20.2), (300.1, 200.9)), ((300.9, 5.5), (12.2, 230.0)),
             ((160.0, 10.0), (170.5, 235.5)), ((-40.0, -20.0), (400.0, 250.0))]
    for a, b in lines:
        p.SetEditingROI(2, [a, b])
        mask = p.GetROIMask()
        reference = np.zeros((H, W), np.uint8)
        cv2.line(reference, (math.floor(a[0]), math.floor(a[1])),
                 (math.floor(b[0]), math.floor(b[1])), 255, 1, cv2.LINE_8)
        assert np.array_equal(mask, reference)
        check_stats(p.GetROIStats(), mask, image, math.dist(a, b))

    p.SetEditingROI(1, [(77.9, 45.1)])
    mask = p.GetROIMask()
    assert list(zip(*np.nonzero(mask))) == [(45, 77)]
    stats = p.GetROIStats()
    check_stats(stats, mask, image, 0.0)
    assert stats["centroid"] == (77.5, 45.5) and stats["std"] == [0.0, 0.0, 0.0]


# --- what is measured, and when there is nothing to measure -------------------------------


def test_statistics_read_the_raw_image_with_its_own_channels(movra, host, tmp_path):
    p = movra.MovraROIAdvPanel(host, width=400, height=300)
    rng = np.random.default_rng(3)
    grey = rng.integers(0, 256, (H, W), dtype=np.uint8)
    bgra = rng.integers(0, 256, (H, W, 4), dtype=np.uint8)
    path = str(tmp_path / "grey.png")
    assert cv2.imwrite(path, grey)
    for show, pixels in ((lambda: p.LoadImage(path), grey), (lambda: p.SetMat(bgra), bgra)):
        show()
        p.SetEditingROI(5, [(100, 90), (50, 0)])
        mask = p.GetROIMask() > 0
        stats = p.GetROIStats()
        values = pixels[mask].reshape(mask.sum(), -1).astype(np.float64)
        # The measurement is of the image as given, not of the working image.
        assert len(stats["mean"]) == values.shape[1] == (1 if pixels is grey else 4)
        assert pixels is not grey or p.GetMat().shape == (H, W, 3)
        assert stats["mean"] == list(values.mean(axis=0))
        assert stats["std"] == pytest.approx(list(values.std(axis=0)), rel=1e-9)
        assert stats["max"] == list(values.max(axis=0).astype(int))


def test_no_image_no_roi_and_rois_leaving_the_image(movra, host):
    p = movra.MovraROIAdvPanel(host, width=400, height=300)
    assert p.GetROIMask().shape == (0,) and p.GetROIStats() == {}
    p.SetEditingROI(3, [(10, 10), (20, 20)])
    assert p.GetROIMask().shape == (0,) and p.GetROIStats() == {}  # no image yet
    p.SetMat(np.full((H, W, 3), 60, np.uint8))
    assert p.GetROIMask().sum() == 400 * 255
    p.HideROI()
    assert p.GetROIMask().shape == (0,) and p.GetROIStats() == {}
    p.SetEditingROI(3, [(10, 10), (0, 5)])  # degenerate: reported as (0, 0, 0, 0)
    assert p.GetROIMask().shape == (0,) and p.GetROIStats() == {}

    # Partly outside: the pixels on the image count, the outline is the whole shape's.
    p.SetEditingROI(3, [(300, 200), (50, 50)])
    stats = p.GetROIStats()
    assert p.GetROIMask().sum() == 20 * 40 * 255
    assert (stats["area"], stats["bbox"], stats["perimeter"]) == (800, (300, 200, 20, 40), 200)
    # Wholly outside: a ROI without pixels; the mask is all zeros, there is nothing to measure.
    p.SetEditingROI(6, [(-100, 100), (60, 0), (0, 0), (0, 360)])
    mask = p.GetROIMask()
    assert mask.shape == (H, W) and not mask.any() and p.GetROIStats() == {}


def test_a_shape_drawn_with_the_mouse_is_measured_as_reported(movra, host, panel):
    from wxutil import Pointer

    p, image = panel
    p.SetROIMode(movra.CvROIMode.Rectangle)
    p.SetFuncEnable(True, True, True)
    p.SetOriginal()
    pointer = Pointer(panel_window(host, p))
    try:
        pointer.drag((50, 60), (150, 120))
        x, y, w, h = p.GetRect()
        assert (w, h) == (100, 60)
        stats = p.GetROIStats()
        assert stats["area"] == w * h and stats["bbox"] == (x, y, w, h)
        assert stats["mean"] == list(image[y:y + h, x:x + w].reshape(-1, 3).mean(axis=0))
        # A polygon still being drawn is not a region yet.
        p.SetROIMode(movra.CvROIMode.Polygon)
        for x, y in ((20, 20), (200, 40), (100, 180)):
            pointer.click(x, y)
            settle()
        assert len(p.GetPolygonPoints()) == 3 and p.GetROIMask().shape == (0,)
    finally:
        pointer.away()
