"""Movra Studio as a new user meets it: what a fresh image shows and what the window says
about it, checked on the real window."""

import os
import sys

import cv2
import numpy as np
import pytest

from conftest import ROOT
from test_app import studio  # noqa: F401  (the fixture)
from wxutil import grab, settle

sys.path.insert(0, str(ROOT / "app"))

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

GREY = 128
BG = (40, 42, 46)  # the image area's background, RGB


def _foreign_pixels(frame):
    """Pixels that are neither the grey test image nor the background around it."""
    shown = grab(frame.view.window).astype(int)
    grey = np.all(np.abs(shown - GREY) <= 2, axis=2)
    bg = np.all(np.abs(shown - np.array(BG)) <= 2, axis=2)
    return int(np.count_nonzero(~grey & ~bg))


def test_the_result_badge_goes_with_its_image(studio, tmp_path):  # noqa: F811
    frame, messages = studio
    paths = []
    for name in ("first.png", "second.png"):
        paths.append(str(tmp_path / name))
        cv2.imwrite(paths[-1], np.full((600, 800, 3), GREY, np.uint8))
    assert frame.open_path(paths[0])
    settle()
    assert _foreign_pixels(frame) == 0
    frame.set_result(1)
    settle()
    assert _foreign_pixels(frame) > 1000  # the FAIL badge
    assert frame.open_path(paths[1])
    settle()
    assert _foreign_pixels(frame) == 0
    assert not messages
