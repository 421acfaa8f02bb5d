"""Windows under a window manager (openbox), where a frame gets its final size after it is
shown: the image must be fitted at that size, and a fitted panel follows every resize until the
user zooms."""

import json
import os

import pytest

from conftest import ROOT
from pyrun import run_python
from window_manager import openbox

pytestmark = pytest.mark.skipif(not os.environ.get("DISPLAY"), reason="needs an X server")

STUDIO = r"""
import json, sys, time
sys.path.insert(0, %r)
import cv2, numpy as np, wx
import MovraModule as movra
from movra_studio.main_frame import StudioFrame
from wxutil import settle

def wait(seconds=1.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        settle(2)

def fit(view, image):
    w, h = view.GetClientSize()
    return min(w / image[0], h / image[1])

tall = sys.argv[1] if len(sys.argv) > 1 else None
app = wx.App(False)
wx.Log.SetActiveTarget(wx.LogStderr())
frame = StudioFrame(movra, report=lambda t, m: print("message", t, m, file=sys.stderr))
frame.Show()
frame.start()
wait()
p = frame.view.panel
out = {"start": [p.GetZoomFactor(), fit(frame.view, frame.view.image_size())]}
# Only a window manager gives a frame the keyboard focus.
out["focus"] = wx.Window.FindFocus() is frame.view.window
frame.SetSize((900, 640))
wait()
out["resized"] = [p.GetZoomFactor(), fit(frame.view, frame.view.image_size())]
path = %r
cv2.imwrite(path, np.full((3000, 2000, 3), 128, np.uint8))
frame.open_path(path)
wait()
out["opened"] = [p.GetZoomFactor(), fit(frame.view, frame.view.image_size())]
p.ZoomIn()
zoomed = p.GetZoomFactor()
frame.SetSize((1100, 800))
wait()
out["zoomed"] = [p.GetZoomFactor(), zoomed]
p.ZoomToFit()
frame.SetSize((800, 600))
wait()
out["refitted"] = [p.GetZoomFactor(), fit(frame.view, frame.view.image_size())]
print(json.dumps(out))
frame.Close(force=True)
settle()
"""


def test_studio_fits_at_the_final_size_and_follows_resizes_until_zoomed(tmp_path):
    with openbox():
        done = run_python(STUDIO % (str(ROOT / "app"), str(tmp_path / "tall.png")), timeout=120)
    assert done.returncode == 0, done.stderr
    out = json.loads(done.stdout.strip().splitlines()[-1])
    for step in ("start", "resized", "opened", "refitted"):
        zoom, fit = out[step]
        # The fit, not the 10 % an unsized window gives.
        assert zoom == pytest.approx(fit, rel=0.01), (step, out)
        assert zoom > 0.15, (step, out)
    # Return must not open a file dialog: the image has the keys, not the Open button.
    assert out["focus"], out
    zoom, zoomed = out["zoomed"]
    assert zoom == pytest.approx(zoomed), out
