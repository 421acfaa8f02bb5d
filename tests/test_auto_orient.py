"""SetAutoOrient on both panels: JPEG and TIFF files with an EXIF orientation written by
exiftool are shown upright (as OpenCV's own reader turns the JPEG), the information reports the
upright size, and without the option a JPEG loads as stored (OpenCV's TIFF reader turns TIFFs
itself)."""

import os
import shutil
import subprocess
import sys

import cv2
import numpy as np
import pytest

from conftest import ROOT
from wxutil import make_roi_panel, settle

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

# Stored pixels: a 60 x 40 image whose quadrants differ, so every turn and mirror shows.
STORED = np.zeros((40, 60, 3), np.uint8)
STORED[:20, :30] = (255, 0, 0)
STORED[:20, 30:] = (0, 255, 0)
STORED[20:, :30] = (0, 0, 255)
STORED[20:, 30:] = (255, 255, 255)
# What the viewer must see for each orientation (EXIF's definitions, by numpy).
UPRIGHT = {
    3: np.rot90(STORED, 2),
    6: np.rot90(STORED, -1),
    8: np.rot90(STORED, 1),
    5: np.swapaxes(STORED, 0, 1),
}


def _tagged(tmp_path, ext, orientation):
    if shutil.which("exiftool") is None:
        pytest.fail("exiftool is missing: run scripts/setup.sh test")
    path = tmp_path / f"o{orientation}{ext}"
    params = [cv2.IMWRITE_JPEG_QUALITY, 100] if ext == ".jpg" else []
    assert cv2.imwrite(str(path), STORED, params)
    subprocess.run(["exiftool", "-q", "-overwrite_original", f"-Orientation#={orientation}",
                    str(path)], check=True)
    return path


def _close(a, b):
    # JPEG rings at the quadrant borders; a wrong turn or mirror is off by ~100 on average.
    return a.shape == b.shape and np.abs(a.astype(int) - b.astype(int)).mean() < 6


@pytest.mark.parametrize("ext", [".jpg", ".tif"])
@pytest.mark.parametrize("orientation", sorted(UPRIGHT))
def test_both_panels_turn_tagged_files_upright_on_request(movra, host, tmp_path, ext,
                                                          orientation):
    path = str(_tagged(tmp_path, ext, orientation))
    if ext == ".jpg":
        # OpenCV's own reader turns a JPEG by its tag: the reference for the expectation.
        assert _close(cv2.imread(path, cv2.IMREAD_COLOR), UPRIGHT[orientation])
    roi = make_roi_panel(movra, host)
    if ext == ".jpg":
        assert roi.LoadImage(path)
        assert _close(roi.GetRawMat(), STORED)  # off by default: as stored
    roi.SetAutoOrient(True)
    assert roi.LoadImage(path)
    assert _close(roi.GetRawMat(), UPRIGHT[orientation])
    info = roi.GetLoadedImageInfo()
    assert (info["width"], info["height"]) == UPRIGHT[orientation].shape[1::-1]
    plain = movra.MovraPanel(host.GetHandle(), x=0, y=320, width=200, height=200)
    plain.SetAutoOrient(True)
    for flags in (cv2.IMREAD_COLOR, cv2.IMREAD_UNCHANGED):
        assert plain.LoadImage(path, flags)
        assert _close(plain.GetMat(), UPRIGHT[orientation]), flags


def test_studio_shows_a_sideways_photo_upright(movra, wx_app, tmp_path):
    from movra_studio.main_frame import StudioFrame

    path = str(_tagged(tmp_path, ".jpg", 6))
    frame = StudioFrame(movra, report=lambda *a: None, size=(900, 600))
    frame.Show()
    settle()
    frame.start(path)
    settle()
    try:
        assert frame.view.image_size() == (40, 60)
        rows = dict(frame.side.info.rows())
        assert "40 × 60" in " ".join(rows.values()), rows
    finally:
        frame.Close(force=True)
        settle()
