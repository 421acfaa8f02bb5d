"""Movra Studio's window-free rules: ROI files, the sample photo's EXIF tags."""

import json
import math
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "app"))

from movra_studio import info_format, roi_json  # noqa: E402


def _roi(mode, points, angle=0.0, **extra):
    return {"version": 1, "mode": mode, "points": points, "angle": angle, **extra}


def test_roi_files_round_trip_and_garbage_is_a_format_error(tmp_path):
    data = _roi(6, [[100, 80], [40, 0], [15, 0], [-30, 200]], outer_radius=40.0,
                inner_radius=15.0, start_angle=-30.0, end_angle=200.0)
    path = tmp_path / "ring ü.json"
    roi_json.save_roi_file(path, data)
    assert roi_json.load_roi_file(path) == data
    assert json.loads(path.read_text(encoding="utf-8"))["points"][3] == [-30.0, 200.0]

    # What is no JSON object never reaches a panel; the panel checks the rest.
    for name, content in [("bin.json", b"\xff\xfe\x00garbage"), ("trunc.json", b'{"version": 1,'),
                          ("list.json", b"[1, 2]"), ("big.json", b" " * (1 << 20) + b"{}")]:
        (tmp_path / name).write_bytes(content)
        with pytest.raises(roi_json.RoiFormatError):
            roi_json.load_roi_file(tmp_path / name)


def test_information_rows_read_as_a_photographer_expects():
    info = {"width": 4000, "height": 3000, "channels": 3, "bit_depth": 8, "format": "JPEG",
            "camera_make": "Canon", "camera_model": "", "date_time": "", "exposure_time": 0.0125,
            "f_number": 2.8, "focal_length": 0.0, "iso": 0, "has_gps": True,
            "gps_lat": -33.856785, "gps_lon": -151.215, "gps_alt": 0.0}
    rows = dict(info_format.info_rows(info, "/x/IMG_1.JPG"))
    assert rows["File"] == "IMG_1.JPG"
    assert rows["Camera"] == "Canon"
    assert rows["Exposure"] == "1/80 s"
    assert rows["Aperture"] == "f/2.8"
    assert rows["Focal length"] == rows["ISO"] == rows["Date"] == info_format.MISSING
    assert rows["GPS"] == "33.85679° S, 151.21500° W"
    assert info_format.info_rows({}, None) == [("Image", "none")]
    for make, model, camera in [("Canon", "Canon EOS 40D", "Canon EOS 40D"),
                                ("NIKON CORPORATION", "NIKON D700", "NIKON D700"),
                                ("Apple", "iPhone 12", "Apple iPhone 12"), ("", "X100", "X100")]:
        rows = dict(info_format.info_rows(dict(info, camera_make=make, camera_model=model)))
        assert rows["Camera"] == camera


@pytest.mark.skipif(shutil.which("exiftool") is None, reason="exiftool not installed")
def test_sample_photo_tags_read_back_by_exiftool(movra, tmp_path):
    pytest.importorskip("wx")
    from movra_studio import sample

    path = sample.write_sample_jpeg(movra, str(tmp_path / "sample.jpg"))
    out = subprocess.run(["exiftool", "-j", "-n", path], capture_output=True, check=True)
    tags = json.loads(out.stdout)[0]
    want = sample.SAMPLE_TAGS
    assert (tags["Make"], tags["Model"]) == (want["make"], want["model"])
    assert tags["DateTimeOriginal"] == want["date_time"]
    assert tags["ExposureTime"] == pytest.approx(want["exposure"])
    assert (tags["FNumber"], tags["ISO"], tags["FocalLength"]) == (5.6, 200, 35)
    assert tags["GPSLatitude"] == pytest.approx(want["lat"], abs=1e-5)
    assert tags["GPSLongitude"] == pytest.approx(want["lon"], abs=1e-5)
    assert tags["GPSAltitude"] == want["alt"]
    assert (tags["ImageWidth"], tags["ImageHeight"]) == (sample.WIDTH, sample.HEIGHT)
    # The module's own reader sees the same photo.
    info = movra.GetImageFileInfo(path)
    assert info["camera_model"] == want["model"] and info["has_gps"]
    assert math.isclose(info["gps_lat"], want["lat"], abs_tol=1e-5)


def test_format_comes_from_the_content_when_the_name_does_not_tell(movra, tmp_path):
    import cv2
    import numpy as np

    image = np.zeros((8, 8, 3), np.uint8)
    for ext, fmt in ((".tif", "TIFF"), (".png", "PNG"), (".jpg", "JPEG")):
        path = tmp_path / f"scan{ext}.dat"
        path.write_bytes(cv2.imencode(ext, image)[1].tobytes())
        info = movra.GetImageFileInfo(str(path))
        assert info["format"] == "Unknown"
        assert dict(info_format.info_rows(info, str(path)))["Format"] == fmt
    # A name that tells keeps its answer; content nobody knows stays unknown.
    (tmp_path / "noise.bin").write_bytes(b"\x00" * 64)
    info = dict(movra.GetImageFileInfo(str(tmp_path / "noise.bin")), width=8, height=8)
    assert dict(info_format.info_rows(info, str(tmp_path / "noise.bin")))["Format"] == "Unknown"


def test_file_dialogs_start_in_the_last_folder_with_a_suggested_name(tmp_path):
    from movra_studio import dialogs

    places = dialogs.DialogPlaces()
    image = str(tmp_path / "shots" / "IMG_7.jpg")
    # First the shown image's folder, with its name for what is saved from it.
    assert places.start(image, ".json") == (str(tmp_path / "shots"), "IMG_7.json")
    assert places.start(image) == (str(tmp_path / "shots"), "")
    # Then wherever the user went last.
    places.chosen(str(tmp_path / "rois" / "a.json"))
    assert places.start(image, " ROI.png") == (str(tmp_path / "rois"), "IMG_7 ROI.png")
    # Without an image (the generated sample has no folder of its own): the working folder.
    assert dialogs.DialogPlaces().start("sample") == (os.getcwd(), "")
