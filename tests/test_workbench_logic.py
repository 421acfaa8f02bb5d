"""Movra Studio's workbench without windows: measurement rows and their CSV and TSV, ROI set
files, natural order and folder neighbours, histograms, and the batch command on a folder of
files made by real encoders, against NumPy on the same pixels."""

import csv
import io
import json
import os
import subprocess
import sys
from pathlib import Path

import cv2
import numpy as np
import pytest

from conftest import BUILD, ROOT
from imagegen import make_jpeg, make_jxl, pattern, reference_jxl, write_cv

sys.path.insert(0, str(ROOT / "app"))

from movra_studio import folder_nav, measurements, profile_data, roi_set  # noqa: E402


def _stats(channels, area=10):
    return {"area": area, "perimeter": 12.5, "centroid": (3.5, 4.25), "bbox": (1, 2, 5, 6),
            "mean": [1.5] * channels, "std": [0.25] * channels, "min": [0] * channels,
            "max": [255] * channels}


def test_rows_of_mixed_channel_counts_and_errors_share_one_table():
    rows = [measurements.stats_row("grey.png", 1, "left", 3, _stats(1)),
            measurements.stats_row("colour.png", 2, "right, \"a\"", 5, _stats(3)),
            measurements.stats_row("colour.png", 3, "off", 2, {}),
            measurements.error_row("broken.jpg", 1, "left", "cannot be decoded")]
    out = io.StringIO()
    measurements.write_csv(out, rows)
    table = list(csv.reader(io.StringIO(out.getvalue())))
    header = table[0]
    assert header == (measurements.HEAD_COLUMNS
                      + [f"{k}_{c}" for c in range(3) for k in ("mean", "std", "min", "max")]
                      + ["error"])
    grey, colour, off, broken = (dict(zip(header, r)) for r in table[1:])
    assert grey["shape"] == "rectangle" and grey["mean_0"] == "1.5" and grey["mean_1"] == ""
    assert grey["centroid_y"] == "4.25" and grey["bbox_h"] == "6" and grey["error"] == ""
    assert colour["roi_name"] == 'right, "a"' and colour["max_2"] == "255"
    assert colour["shape"] == "circle"
    # A ROI with no pixel on the image: its shape and area 0, no statistics.
    assert off["area"] == "0" and off["mean_0"] == "" and off["shape"] == "line"
    # A file that could not be measured: only the names and why.
    assert [k for k, v in broken.items() if v] == ["file", "roi_id", "roi_name", "error"]

    tsv = measurements.to_tsv([measurements.error_row("a\tb.png", 1, "x\ny", "why")])
    lines = tsv.splitlines()
    assert len(lines) == 2 and lines[1].split("\t")[:3] == ["a b.png", "1", "x y"]
    assert lines[0].split("\t") == measurements.columns(0)


def test_roi_files_give_ids_and_names_or_say_what_is_wrong(tmp_path):
    single = {"version": 1, "mode": 3, "points": [[1, 2], [3, 4]]}
    assert roi_set.entries(single) == [(1, "ROI 1", dict(single, id=1))]
    bore = dict(single, id=7, name="bore", color=[0, 0, 255, 255])
    saved = {"version": 2, "rois": [dict(single, id=3, name=""), bore], "selected": 7}
    assert roi_set.set_data(saved) is saved
    assert roi_set.entries(saved) == [(3, "ROI 3", saved["rois"][0]), (7, "bore", bore)]
    # The form the batch command took before sets: ids from the position where none is given.
    assert roi_set.entries({"rois": [single, dict(single, id=9, name="x")]}) == [
        (1, "ROI 1", dict(single, id=1)), (9, "x", dict(single, id=9, name="x"))]
    for bad in ({"rois": []}, {"rois": 3}, {"version": 2, "rois": {}}, {"rois": [3]},
                {"version": 2, "rois": [bore, bore]}, {"version": 2, "rois": [single]},
                {"version": 2, "rois": [dict(bore, id="7")]},
                {"version": 2, "rois": [dict(bore, name=5)]}, [single]):
        with pytest.raises(roi_set.RoiSetError):
            roi_set.entries(bad)
    (tmp_path / "junk.json").write_text("{not json")
    with pytest.raises(ValueError):
        roi_set.load(tmp_path / "junk.json")


def test_natural_order_and_neighbours_in_a_folder(tmp_path):
    names = ["img10.png", "IMG2.jpg", "img1.tif", "img02.heic", "a b.jxl", "img1.txt",
             ".hidden.png", "Img3.JPEG"]
    for n in names:
        (tmp_path / n).write_bytes(b"x")
    (tmp_path / "sub.png").mkdir()
    files = [os.path.basename(p) for p in folder_nav.image_files(tmp_path)]
    assert files == ["a b.jxl", "img1.tif", "IMG2.jpg", "img02.heic", "Img3.JPEG", "img10.png"]
    path = str(tmp_path / "img02.heic")
    assert os.path.basename(folder_nav.neighbour(path, 1)) == "Img3.JPEG"
    assert os.path.basename(folder_nav.neighbour(path, -1)) == "IMG2.jpg"
    assert folder_nav.neighbour(str(tmp_path / "img10.png"), 1) is None
    assert folder_nav.neighbour(str(tmp_path / "a b.jxl"), -1) is None
    # A file deleted meanwhile still finds its place by name.
    gone = str(tmp_path / "img5.png")
    assert os.path.basename(folder_nav.neighbour(gone, 1)) == "img10.png"
    assert os.path.basename(folder_nav.neighbour(gone, -1)) == "Img3.JPEG"


def test_whole_image_histogram_spans_the_values_it_holds():
    rng = np.random.default_rng(3)
    image = rng.integers(0, 256, (40, 50, 3), dtype=np.uint8)
    edges, counts = profile_data.histogram(image)
    assert counts.shape == (256, 3) and edges[0] == 0 and edges[-1] == 256
    for c in range(3):
        assert np.array_equal(counts[:, c], np.histogram(image[..., c], 256, (0, 256))[0])
    # 12 bits in uint16: bins over the values held, not over the type's 65536.
    deep = rng.integers(100, 4096, (30, 30), dtype=np.uint16)
    edges, counts = profile_data.histogram(deep)
    assert edges[0] == deep.min() and edges[-1] == deep.max() + 1 and counts.sum() == 900
    assert np.array_equal(counts[:, 0], np.histogram(deep, 256, (edges[0], edges[-1]))[0])
    floats = rng.normal(0, 1, (30, 30)).astype(np.float32)
    floats[0, 0] = np.nan
    edges, counts = profile_data.histogram(floats)
    assert counts.sum() == 30 * 30 - 1 and edges[0] == np.nanmin(floats)
    curves = profile_data.profile_curves(np.array([[1.0, 2.0], [np.nan, 3.0], [4.0, 5.0]]))
    assert [len(points) for points, _ in curves] == [2, 3]


# --- the batch command on real files


def _rect_mask(shape, x, y, w, h):
    yy, xx = np.mgrid[0:shape[0], 0:shape[1]]
    cx, cy = xx + 0.5, yy + 0.5
    return (cx >= x) & (cx < x + w) & (cy >= y) & (cy < y + h)


def _circle_mask(shape, cx, cy, r):
    yy, xx = np.mgrid[0:shape[0], 0:shape[1]]
    return (xx + 0.5 - cx) ** 2 + (yy + 0.5 - cy) ** 2 <= r * r


def _line_mask(shape, a, b):
    m = np.zeros(shape[:2], np.uint8)
    p, q = (int(np.floor(a[0])), int(np.floor(a[1]))), (int(np.floor(b[0])), int(np.floor(b[1])))
    cv2.line(m, min(p, q), max(p, q), 255, 1, cv2.LINE_8)
    return m > 0


# A saved ROI set (GetROISetData's form).
ROIS = {"version": 2, "selected": 9, "rois": [
    {"version": 1, "id": 4, "name": "plate", "mode": 3, "points": [[20.5, 30.25], [90, 60.5]],
     "angle": 0.0, "color": [0.0, 165.0, 255.0, 255.0]},
    {"version": 1, "id": 9, "name": "bore", "mode": 5, "points": [[150.3, 120.6], [18, 24]]},
    {"version": 1, "id": 3, "name": "", "mode": 2, "points": [[10.2, 200.7], [250.9, 140.1]]},
]}
MASKS = [lambda s: _rect_mask(s, 20.5, 30.25, 90, 60.5),
         lambda s: _circle_mask(s, 150.3, 120.6, 30.0),
         lambda s: _line_mask(s, (10.2, 200.7), (250.9, 140.1))]


def _expected(image, mask):
    ys, xs = np.nonzero(mask)
    px = image[mask].reshape(len(ys), -1).astype(np.float64)
    out = {"area": len(ys), "centroid_x": xs.mean() + 0.5, "centroid_y": ys.mean() + 0.5,
           "bbox_x": xs.min(), "bbox_y": ys.min(), "bbox_w": xs.max() - xs.min() + 1,
           "bbox_h": ys.max() - ys.min() + 1}
    for c in range(px.shape[1]):
        out.update({f"mean_{c}": px[:, c].mean(), f"std_{c}": px[:, c].std(),
                    f"min_{c}": px[:, c].min(), f"max_{c}": px[:, c].max()})
    return out


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    """Colour PNG and JPEG, a grey PNG, a lossless JPEG XL, a broken JPEG, and what is no
    image or lies deeper; with the pixels each file decodes to."""
    d = tmp_path_factory.mktemp("batch")
    colour = pattern(241, 317, 3, seed=1)
    grey = pattern(241, 317, 1, seed=2)
    pixels = {}
    write_cv(d / "part 2.png", colour)
    pixels["part 2.png"] = colour
    make_jpeg(d / "part 10.jpg", colour[::-1].copy(), quality=85)
    pixels["part 10.jpg"] = cv2.imread(str(d / "part 10.jpg"), cv2.IMREAD_UNCHANGED)
    write_cv(d / "part 1 grey.png", grey)
    pixels["part 1 grey.png"] = grey
    make_jxl(d / "part 3.jxl", colour[:, ::-1].copy())
    pixels["part 3.jxl"] = reference_jxl(d / "part 3.jxl")
    # A JPEG's start marker, then noise: no decoder can make an image of it.
    (d / "part 4 broken.jpg").write_bytes(b"\xff\xd8" + np.random.default_rng(1).bytes(4000))
    (d / "notes.txt").write_text("not an image")
    (d / "deeper").mkdir()
    write_cv(d / "deeper" / "skip.png", colour)
    rois = d / "deeper" / "rois.json"
    rois.write_text(json.dumps(ROIS))
    return d, rois, pixels


def _run_cli(*args):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([str(BUILD), str(ROOT / "app")]))
    return subprocess.run([sys.executable, "-m", "movra_studio", *map(str, args)], env=env,
                          capture_output=True, text=True, timeout=300)


def test_batch_measures_each_file_as_numpy_does_and_reports_the_broken_one(folder, tmp_path):
    d, rois, pixels = folder
    out1, out2 = tmp_path / "one.csv", tmp_path / "two.csv"
    run = _run_cli("--measure", d, "--rois", rois, "--csv", out1, "--threads", "1")
    assert run.returncode == 2, run.stderr
    assert "part 4 broken.jpg" in run.stderr and "measured" not in run.stderr  # not a tty
    run = _run_cli("--measure", d, "--rois", rois, "--csv", out2, "--threads", "3")
    assert run.returncode == 2, run.stderr
    assert out1.read_text() == out2.read_text()

    with open(out1, newline="") as f:
        rows = list(csv.DictReader(f))
    assert list(rows[0].keys())[-1] == "error" and "mean_2" in rows[0] and "mean_3" not in rows[0]
    files = ["part 1 grey.png", "part 2.png", "part 3.jxl", "part 4 broken.jpg", "part 10.jpg"]
    assert [r["file"] for r in rows] == [f for f in files for _ in range(3)]
    assert [r["roi_id"] for r in rows[:3]] == ["4", "9", "3"]
    assert [r["roi_name"] for r in rows[:3]] == ["plate", "bore", "ROI 3"]
    assert [r["shape"] for r in rows[:3]] == ["rectangle", "circle", "line"]
    for row in rows:
        if row["file"] == "part 4 broken.jpg":
            assert row["error"] and row["area"] == "" and row["mean_0"] == ""
            continue
        image = pixels[row["file"]]
        assert row["error"] == ""
        k = [r for r in rows if r["file"] == row["file"]].index(row)
        expected = _expected(image, MASKS[k](image.shape))
        channels = 1 if image.ndim == 2 else image.shape[2]
        assert row[f"mean_{channels - 1}"] != "" and (channels == 3 or row["mean_1"] == "")
        for key, value in expected.items():
            assert float(row[key]) == pytest.approx(value, rel=1e-9, abs=1e-9), (row["file"], key)
    assert float(rows[0]["perimeter"]) == pytest.approx(2 * (90 + 60.5))


def test_batch_refuses_bad_arguments_and_roi_files_with_status_1(folder, tmp_path, capsys):
    from movra_studio.__main__ import main

    d, rois, _ = folder
    out = tmp_path / "out.csv"
    (tmp_path / "bad.json").write_text(json.dumps({"version": 1, "mode": 3, "points": [[1]]}))
    (tmp_path / "junk.json").write_text("[")
    cases = [
        ["--measure", str(d), "--csv", str(out)],  # no --rois
        ["--measure", str(d), "--rois", str(rois), "--csv", str(out), "--threads", "0"],
        ["--measure", str(tmp_path / "nowhere"), "--rois", str(rois), "--csv", str(out)],
        ["--measure", str(d), "--rois", str(tmp_path / "missing.json"), "--csv", str(out)],
        ["--measure", str(d), "--rois", str(tmp_path / "junk.json"), "--csv", str(out)],
        ["--measure", str(d), "--rois", str(tmp_path / "bad.json"), "--csv", str(out)],
        ["--measure", str(d), "--rois", str(rois), "--csv", str(tmp_path / "no" / "x.csv")],
        ["--measure", str(d), "--rois", str(rois), "--csv", str(out), "--threads", "x"],
    ]
    for argv in cases:
        try:
            status = main(argv)
        except SystemExit as e:
            status = e.code
        assert status == 1, argv
        assert capsys.readouterr().err.strip(), argv
    assert not out.exists()
    # A folder of good files only: status 0.
    good = tmp_path / "good"
    good.mkdir()
    write_cv(good / "a.png", pattern(241, 317, 3))
    assert main(["--measure", str(good), "--rois", str(rois), "--csv", str(out)]) == 0
    assert len(out.read_text().splitlines()) == 4


def test_a_cancelled_run_starts_no_further_file(folder, movra):
    import threading

    from movra_studio import batch

    d, rois, _ = folder
    cancel = threading.Event()
    seen = []

    def progress(done, total):
        seen.append((done, total))
        cancel.set()

    paths = folder_nav.image_files(d)
    results = batch.measure_files(movra, paths, roi_set.load(rois), 1, progress, cancel)
    assert [r.path for r in results] == paths[:1] and seen == [(1, len(paths))]
