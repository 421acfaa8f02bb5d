"""Deep images in both panels: arrays and files kept at their depth, the 8-bit pictures
saturated, display levels, colormaps and the source values behind every number, compared
with NumPy and OpenCV on the same arrays and read back from real windows."""

import shutil
import subprocess

import cv2
import numpy as np
import pytest

from wxutil import grab, make_roi_panel, panel_window, settle

PANELS = ("MovraPanel", "MovraROIAdvPanel")


def make(movra, host, kind):
    if kind == "MovraROIAdvPanel":
        return make_roi_panel(movra, host)
    p = movra.MovraPanel(host.GetHandle(), width=400, height=300)
    settle()
    return p


def levelled(values, low, high):
    return np.clip(np.rint((values.astype(np.float64) - low) * 255 / (high - low)), 0, 255)


@pytest.mark.parametrize("kind", PANELS)
def test_arrays_keep_their_depth_and_the_8bit_pictures_saturate(movra, host, kind):
    p = make(movra, host, kind)
    u16 = np.array([[0, 300, 4000], [65535, 255, 7]], np.uint16)
    p.SetMat(u16)
    src = p.GetSourceMat()
    assert src.dtype == np.uint16 and np.array_equal(src, u16)
    picture = p.GetMat()  # three channels from MovraPanel, the array's one from the ROI panel
    picture = picture[..., 0] if picture.ndim == 3 else picture
    assert picture.tolist() == [[0, 255, 255], [255, 255, 7]]  # not 44 and 160
    assert p.GetSourcePixel(1, 0) == (300,) and p.GetSourcePixel(3, 0) is None

    f = np.array([[-3.0, 1000.0, 2.6], [np.nan, 0.4, 254.5]], np.float32)
    p.SetMat(f)
    assert p.GetSourceMat().dtype == np.float32
    np.testing.assert_array_equal(p.GetSourceMat(), f)
    picture = p.GetMat()
    picture = picture[..., 0] if picture.ndim == 3 else picture
    assert picture[0].tolist() == [0, 255, 3]  # not 253 and 232
    assert p.GetSourcePixel(0, 0) == (-3.0,) and isinstance(p.GetSourcePixel(2, 0)[0], float)

    p.SetMat(np.array([[1.5, -2.25]], np.float64))  # float64 kept as float32
    assert p.GetSourceMat().dtype == np.float32
    p.SetMat(np.array([[-5, 70000, 12]], np.int32))  # other dtypes saturated to uint8
    assert p.GetSourceMat().dtype == np.uint8
    assert p.GetSourceMat().tolist() == [[0, 255, 12]]

    s16 = np.full((4, 5, 3), -1200, np.int16)
    s16[..., 2] = 900
    p.SetMat(s16)
    assert p.GetSourceMat().dtype == np.int16 and p.GetSourcePixel(0, 0) == (-1200, -1200, 900)

    # 2 or more than 4 channels: ValueError naming the count, image unchanged.
    for channels in (2, 5):
        with pytest.raises(ValueError, match=f"not {channels}$"):
            p.SetMat(np.zeros((3, 3, channels), np.uint8))
    assert np.array_equal(p.GetSourceMat(), s16)


def test_roi_panel_raw_and_source_of_8bit_images_agree(movra, host):
    p = make_roi_panel(movra, host)
    grey = np.arange(12, dtype=np.uint8).reshape(3, 4)
    p.SetMat(grey)
    assert np.array_equal(p.GetSourceMat(), p.GetRawMat())


@pytest.mark.parametrize("ext", [".png", ".tif"])
def test_16bit_files_keep_their_values(movra, host, tmp_path, ext):
    rng = np.random.default_rng(5)
    grey = rng.integers(0, 4096, (30, 40), dtype=np.uint16)  # a 12-bit camera
    colour = rng.integers(0, 65536, (20, 10, 3), dtype=np.uint16)
    for img in (grey, colour):
        path = tmp_path / f"deep{img.ndim}{ext}"
        assert cv2.imwrite(str(path), img)
        reference = cv2.imread(str(path), cv2.IMREAD_UNCHANGED)
        roi = make_roi_panel(movra, host)
        assert roi.LoadImage(str(path))
        assert roi.GetSourceMat().dtype == np.uint16
        assert np.array_equal(roi.GetSourceMat(), reference)
        # The 8-bit arrays stay what they were: saturated, grey expanded by GetMat.
        assert np.array_equal(roi.GetRawMat(), np.clip(reference, 0, 255).astype(np.uint8))
        assert roi.GetMat().shape == img.shape[:2] + (3,)
        shown = make(movra, host, "MovraPanel")
        assert shown.LoadImage(str(path), movra.IMREAD_UNCHANGED)
        assert np.array_equal(shown.GetSourceMat(), reference)
        assert shown.LoadImage(str(path))  # IMREAD_COLOR: 8 bits, as OpenCV reads it
        assert shown.GetSourceMat().dtype == np.uint8


def test_auto_levels_match_numpy_percentiles(movra, host):
    p = make_roi_panel(movra, host)
    rng = np.random.default_rng(9)
    img = rng.normal(2000, 300, (600, 800)).clip(0, 4095).astype(np.uint16)
    p.SetMat(img)
    low, high = p.SetAutoLevels(1.0)
    ref_low, ref_high = np.percentile(img, [0.5, 99.5])
    span = float(img.max()) - float(img.min())
    assert abs(low - ref_low) <= 0.01 * span and abs(high - ref_high) <= 0.01 * span
    assert p.GetDisplayLevels() == (low, high)

    f = rng.uniform(-1.0, 1.0, (300, 200)).astype(np.float32)
    f[0, 0] = np.nan
    p.SetMat(f)
    low, high = p.SetAutoLevels()
    ref = np.nanpercentile(f, [0.175, 99.825])
    assert abs(low - ref[0]) <= 0.02 and abs(high - ref[1]) <= 0.02

    with pytest.raises(ValueError):
        p.SetAutoLevels(150)


@pytest.mark.parametrize("kind", PANELS)
def test_levels_and_colormap_on_the_screen(movra, host, kind):
    p = make(movra, host, kind)
    # Vertical bands of 16-bit values, wide enough to read back at zoom 1.
    values = np.array([100, 1000, 1500, 2200, 2999, 3500], np.uint16)
    img = np.repeat(values, 30)[None, :].repeat(60, axis=0)
    p.SetMat(img)
    p.SetMode(int(movra.CvDisplayMode.Original)) if kind == "MovraPanel" else p.SetOriginal()
    win = panel_window(host, p)
    centres = np.arange(len(values)) * 30 + 15

    px = grab(win)  # default: saturation, everything above 255 white
    assert px[30, centres, 0].tolist() == [100, 255, 255, 255, 255, 255]

    p.SetDisplayLevels(1000, 3000)
    assert p.GetDisplayLevels() == (1000.0, 3000.0)
    expected = levelled(values, 1000, 3000).astype(np.uint8)
    px = grab(win)
    for c in range(3):
        assert px[30, centres, c].tolist() == expected.tolist()

    p.SetColormap("viridis")
    assert p.GetColormap() == "viridis"
    bgr = cv2.applyColorMap(expected[None, :], cv2.COLORMAP_VIRIDIS)[0]
    px = grab(win)
    assert px[30, centres].tolist() == bgr[:, ::-1].tolist()

    # Refusals change nothing.
    for bad in ((5, 5), (10, 2), (float("nan"), 3), (0, float("inf"))):
        with pytest.raises(ValueError):
            p.SetDisplayLevels(*bad)
    with pytest.raises(ValueError, match="unknown colormap"):
        p.SetColormap("no-such-map")
    assert p.GetDisplayLevels() == (1000.0, 3000.0) and p.GetColormap() == "viridis"

    p.SetColormap("gray")
    p.SetDisplayLevels(None)
    assert p.GetDisplayLevels() is None
    assert grab(win)[30, centres, 1].tolist() == [100, 255, 255, 255, 255, 255]


def test_float_levels_on_the_screen(movra, host):
    p = make_roi_panel(movra, host)
    values = np.array([-1.0, -0.25, 0.0, 0.3, 0.9, 2.0], np.float32)
    p.SetMat(np.repeat(values, 30)[None, :].repeat(40, axis=0))
    p.SetOriginal()
    p.SetDisplayLevels(-0.5, 1.0)
    px = grab(panel_window(host, p))
    shown = px[20, np.arange(6) * 30 + 15, 0].astype(int)
    assert np.abs(shown - levelled(values, -0.5, 1.0)).max() <= 1


def test_roi_stats_and_histogram_read_source_values(movra, host):
    p = make_roi_panel(movra, host)
    rng = np.random.default_rng(3)
    img = rng.integers(0, 65536, (50, 60, 3), dtype=np.uint16)
    p.SetMat(img)
    p.SetROIMode(movra.CvROIMode.Rectangle)
    p.SetRect((5, 7, 30, 20))
    inside = img[7:27, 5:35].reshape(-1, 3)
    stats = p.GetROIStats()
    np.testing.assert_allclose(stats["mean"], inside.mean(axis=0))
    np.testing.assert_allclose(stats["std"], inside.std(axis=0))
    assert stats["min"] == inside.min(axis=0).tolist()
    assert stats["max"] == inside.max(axis=0).tolist()

    counts, edges = p.GetROIHistogram(64)
    assert counts.shape == (3, 64)
    for c in range(3):
        ref_counts, ref_edges = np.histogram(inside[:, c], 64, range=(0, 65536))
        assert np.array_equal(counts[c], ref_counts)
    assert np.array_equal(edges, ref_edges)
    counts, edges = p.GetROIHistogram(10, (1000, 30000))
    ref_counts, ref_edges = np.histogram(inside[:, 1], 10, range=(1000, 30000))
    assert np.array_equal(counts[1], ref_counts) and np.array_equal(edges, ref_edges)

    f = rng.normal(0, 1, (50, 60)).astype(np.float32)
    p.SetMat(f)
    p.SetRect((5, 7, 30, 20))
    values = f[7:27, 5:35].ravel()
    counts, edges = p.GetROIHistogram(20)
    ref_counts, ref_edges = np.histogram(values, 20)
    assert counts.shape == (20,) and np.array_equal(counts, ref_counts)
    np.testing.assert_array_equal(edges, ref_edges)
    stats = p.GetROIStats()
    assert stats["min"] == [float(values.min())] and stats["max"] == [float(values.max())]
    np.testing.assert_allclose(stats["mean"], [values.astype(np.float64).mean()], rtol=1e-6)

    # 8-bit grey at the default range: one value per bin, as bincount counts them.
    g = rng.integers(0, 256, (50, 60), dtype=np.uint8)
    p.SetMat(g)
    p.SetRect((5, 7, 30, 20))
    counts, _ = p.GetROIHistogram()
    assert np.array_equal(counts, np.bincount(g[7:27, 5:35].ravel(), minlength=256))
    p.HideROI()
    assert p.GetROIHistogram() is None


def encode_heif_10bit(tmp_path, img16):
    if shutil.which("heif-enc") is None:
        pytest.skip("heif-enc not installed")
    png = tmp_path / "in16.png"
    cv2.imwrite(str(png), img16 * 64)  # 10 significant bits at the top of 16
    out = tmp_path / "ten.heic"
    subprocess.run(["heif-enc", "-L", "-b", "10", "-o", str(out), str(png)], check=True,
                   capture_output=True)
    return out



def test_10bit_heif_keeps_the_decoders_values(movra, host, tmp_path):
    rng = np.random.default_rng(4)
    # Smooth content survives lossless-ish coding; compare with the reference decoder.
    img = (np.linspace(0, 1023, 64)[None, :].repeat(48, axis=0)).astype(np.uint16)
    img = np.dstack([img, img[:, ::-1], rng.integers(0, 1024, (48, 64)).astype(np.uint16)])
    path = encode_heif_10bit(tmp_path, img)
    ref_png = tmp_path / "ref.png"
    subprocess.run(["heif-dec", str(path), str(ref_png)], check=True, capture_output=True)
    reference = cv2.imread(str(ref_png), cv2.IMREAD_UNCHANGED)
    p = make_roi_panel(movra, host)
    assert p.LoadImage(str(path))
    src = p.GetSourceMat()
    assert src.dtype == np.uint16 and src.max() <= 1023 and src.max() > 255
    # heif-dec writes the 10-bit samples scaled to 16 bits in its PNG.
    ref10 = np.rint(reference.astype(np.float64) * 1023 / 65535)
    assert np.abs(src.astype(np.float64) - ref10).max() <= 1
    shown = make(movra, host, "MovraPanel")
    assert shown.LoadImage(str(path), movra.IMREAD_UNCHANGED)
    assert np.array_equal(shown.GetSourceMat(), src)
    assert shown.LoadImage(str(path))  # 8 bits, scaled as before, with the default flags
    assert shown.GetSourceMat().dtype == np.uint8


def test_16bit_jxl_keeps_its_values_in_the_panels_only(movra, host, tmp_path):
    if shutil.which("cjxl") is None or shutil.which("djxl") is None:
        pytest.skip("cjxl/djxl not installed")
    rng = np.random.default_rng(8)
    grey = rng.integers(0, 65536, (30, 40), dtype=np.uint16)
    colour = rng.integers(0, 65536, (20, 10, 3), dtype=np.uint16)
    for img in (grey, colour):
        png, path, ref_png = (tmp_path / f"deep{img.ndim}.{e}" for e in ("png", "jxl", "d.png"))
        assert cv2.imwrite(str(png), img)
        subprocess.run(["cjxl", "--quiet", "-d", "0", str(png), str(path)], check=True,
                       capture_output=True)
        subprocess.run(["djxl", "--quiet", str(path), str(ref_png)], check=True,
                       capture_output=True)
        reference = cv2.imread(str(ref_png), cv2.IMREAD_UNCHANGED)
        assert reference.dtype == np.uint16 and np.array_equal(reference, img)  # lossless
        roi = make_roi_panel(movra, host)
        assert roi.LoadImage(str(path))
        assert roi.GetSourceMat().dtype == np.uint16
        assert np.array_equal(roi.GetSourceMat(), img)
        shown = make(movra, host, "MovraPanel")
        assert shown.LoadImage(str(path), movra.IMREAD_UNCHANGED)
        assert np.array_equal(shown.GetSourceMat(), img)
        # The default flags and the engine keep the 8-bit decode, scaled by libjxl.
        scaled = np.rint(img / 257.0)
        assert shown.LoadImage(str(path))
        assert shown.GetSourceMat().dtype == np.uint8
        engine = movra.MovraEngine()
        assert engine.LoadImage(str(path))
        mat = engine.GetMat()
        assert mat.dtype == np.uint8 and mat.shape == img.shape
        assert np.abs(mat.astype(np.float64) - scaled).max() <= 1


def test_float_jxl_keeps_its_values_in_the_panels_only(movra, host, tmp_path):
    if shutil.which("cjxl") is None:
        pytest.skip("cjxl not installed")
    rng = np.random.default_rng(9)
    grey = rng.uniform(-2.0, 900.0, (30, 40)).astype(np.float32)
    colour = rng.uniform(0.0, 1.5, (20, 10, 3)).astype(np.float32)
    for img in (grey, colour):
        pfm, path = (tmp_path / f"float{img.ndim}.{e}" for e in ("pfm", "jxl"))
        assert cv2.imwrite(str(pfm), img)
        subprocess.run(["cjxl", "--quiet", "-d", "0", str(pfm), str(path)], check=True,
                       capture_output=True)
        roi = make_roi_panel(movra, host)
        assert roi.LoadImage(str(path))
        assert roi.GetSourceMat().dtype == np.float32
        assert np.array_equal(roi.GetSourceMat(), img)  # lossless: the very values
        shown = make(movra, host, "MovraPanel")
        assert shown.LoadImage(str(path), movra.IMREAD_UNCHANGED)
        assert np.array_equal(shown.GetSourceMat(), img)
        # The default flags and the engine keep the 8-bit decode.
        assert shown.LoadImage(str(path))
        assert shown.GetSourceMat().dtype == np.uint8
        engine = movra.MovraEngine()
        assert engine.LoadImage(str(path))
        assert engine.GetMat().dtype == np.uint8
