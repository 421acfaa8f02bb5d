"""Worker process of the corrupt-file test: feeds damaged files to one reader of the module.

Usage: corrupt_worker.py READER SCRATCH_DIR. Prints "ready" once set up; then, for each request
line {"sample": path, "name": sample name, "kind": "prefix"|"flip", "n": int}, writes the
variant to SCRATCH_DIR under the sample's extension, calls the reader on it and answers one
line {"outcome": "image"|"failure"|"raised", "error": "Type: message"|null,
"problem": text|null, "sec": seconds of the call}. "problem" names a result that is neither a
valid image nor the documented failure value. The protocol runs on a private copy of stdout;
the process's own stdout goes to stderr, so that no library print can garble it.
"""

import json
import math
import os
import sys
import time
from pathlib import Path

import numpy as np

import corrupt_samples

INFO_KEYS = [
    "width", "height", "channels", "bit_depth", "format", "has_exif", "orientation",
    "date_time", "camera_make", "camera_model", "focal_length", "f_number", "exposure_time",
    "iso", "has_gps", "gps_lat", "gps_lon", "gps_alt", "extra",
]
INFO_TYPES = {"format": str, "date_time": str, "camera_make": str, "camera_model": str,
              "has_exif": bool, "has_gps": bool, "extra": dict, "damaged": bool,
              "focal_length": float, "f_number": float, "exposure_time": float,
              "gps_lat": float, "gps_lon": float, "gps_alt": float}
IMREAD_UNCHANGED = -1


def image_problem(arr, channels=(1, 3, 4)):
    """None when arr is a plausible decoded image (uint8, 2-D or with 3/4 channels)."""
    if not isinstance(arr, np.ndarray) or arr.dtype != np.uint8:
        return f"not a uint8 array: {type(arr).__name__} {getattr(arr, 'dtype', '')}"
    shape_channels = 1 if arr.ndim == 2 else (arr.shape[2] if arr.ndim == 3 else None)
    if shape_channels not in channels or min(arr.shape[:2]) < 1:
        return f"image of shape {arr.shape}"
    return None


def info_problem(info, keys=INFO_KEYS):
    if not isinstance(info, dict) or list(info) != keys:
        return f"not the info dictionary: {info!r}"[:300]
    for key, value in info.items():
        want = INFO_TYPES.get(key, int)
        if type(value) is not want:
            return f"{key} is {type(value).__name__}"
    if info["extra"]:
        return "extra is not empty"
    if min(info["width"], info["height"], info["channels"], info["bit_depth"]) < 0:
        return f"negative size {info}"
    if info["channels"] > 4 or info["bit_depth"] > 64:
        return f"channels {info['channels']} bit depth {info['bit_depth']}"
    if not all(math.isfinite(info[k]) for k in INFO_TYPES if INFO_TYPES[k] is float):
        return "a number is not finite"
    return None


class EngineReader:
    """MovraEngine.LoadImage with IMREAD_UNCHANGED: every decoder's own depth and layout."""

    def __init__(self, movra):
        self.engine = movra.MovraEngine()

    def load(self, path, n):
        ok = self.engine.LoadImage(path, IMREAD_UNCHANGED)
        return ok, self.check(ok)

    def check(self, ok):
        if not isinstance(ok, bool):
            return f"LoadImage returned {ok!r}"
        if self.engine.HasImage() is not ok:
            return f"LoadImage gave {ok} but HasImage() is {self.engine.HasImage()}"
        mat = self.engine.GetMat()
        if ok:
            return image_problem(mat)
        return None if mat.shape == (0,) else f"failed load left an image {mat.shape}"

    def after_raise(self):
        # A reader that throws must not leave the previous image looking like the file.
        return "engine holds an image after a raise" if self.engine.HasImage() else None


class FileInfoReader:
    def __init__(self, movra):
        self.movra = movra

    def load(self, path, n):
        info = self.movra.GetImageFileInfo(path)
        problem = info_problem(info)
        return (problem is None and info["width"] > 0), problem

    def after_raise(self):
        return None


class _PanelReader:
    """A panel in a shown frame; each load is followed by a paint of what it shows. Odd
    variant numbers load in zoom-to-fit mode, even ones unscaled: damaged headers give
    extreme sizes, which only the fit mode scales."""

    cls = None
    uses_wx = True
    start_image = np.full((6, 9, 3), (10, 200, 30), np.uint8)

    def __init__(self, movra):
        import wx

        self.wx = wx
        self.app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        self.frame = wx.Frame(None, title="corrupt files", size=(420, 340))
        host = wx.Panel(self.frame)
        self.frame.Show()
        deadline = time.monotonic() + 10
        while not host.GetHandle() and time.monotonic() < deadline:
            wx.SafeYield(None, True)
            time.sleep(0.01)
        self.panel = getattr(movra, self.cls)(host.GetHandle(), width=400, height=300)
        self.panel.SetMat(self.start_image)
        self.shown = self.panel.GetMat()

    def set_mode(self, n):
        self.mode = n % 2
        self.panel.SetMode(self.mode)

    def paint(self):
        self.panel.Refresh()
        self.wx.SafeYield(None, True)

    def after_raise(self):
        self.paint()
        return None if self.panel.IsOk() else "panel lost after a raise"


class PanelReader(_PanelReader):
    cls = "MovraPanel"

    def load(self, path, n):
        self.set_mode(n)
        ok = self.panel.LoadImage(path)
        self.paint()
        if not isinstance(ok, bool):
            return False, f"LoadImage returned {ok!r}"
        mat = self.panel.GetMat()
        if ok:
            problem = image_problem(mat, channels=(3,))
            self.shown = mat
            return ok, problem
        # A failed load leaves the panel showing what it showed.
        if mat.shape == self.shown.shape and np.array_equal(mat, self.shown):
            return ok, None
        return ok, f"failed load (mode {self.mode}) changed the image to {mat.shape}"


class RoiPanelReader(_PanelReader):
    cls = "MovraROIAdvPanel"

    def load(self, path, n):
        self.set_mode(n)
        ok = self.panel.LoadImage(path)
        self.paint()
        if not isinstance(ok, bool):
            return False, f"LoadImage returned {ok!r}"
        if not ok:
            return ok, None
        return ok, image_problem(self.panel.GetMat(), channels=(3,)) or \
            info_problem(self.panel.GetLoadedImageInfo(), INFO_KEYS + ["damaged"])


class HarnessCheck:
    """Misbehaves on purpose, chosen by the file's size, so that the test can prove that the
    harness names crashes, hangs, undocumented exceptions and bad results."""

    def __init__(self, movra):
        pass

    def load(self, path, n):
        size = os.path.getsize(path)
        if size == 3:
            os.abort()
        if size == 4:
            time.sleep(60)
        if size == 5:
            raise ValueError("not a documented failure")
        if size == 7:
            raise RuntimeError("a documented failure")
        return size != 8, "bad result" if size == 6 else None

    def after_raise(self):
        return None


READERS = {
    "MovraEngine.LoadImage": EngineReader,
    "GetImageFileInfo": FileInfoReader,
    "MovraPanel.LoadImage": PanelReader,
    "MovraROIAdvPanel.LoadImage": RoiPanelReader,
    "HarnessCheck": HarnessCheck,
}


def main():
    reader_name, scratch = sys.argv[1], Path(sys.argv[2])
    proto = os.fdopen(os.dup(1), "w", buffering=1)
    os.dup2(2, 1)
    cls = READERS[reader_name]
    if getattr(cls, "uses_wx", False):
        import wx  # noqa: F401  (a host imports wx before the module)
    import MovraModule

    reader = cls(MovraModule)
    samples = {}
    proto.write("ready\n")
    for line in sys.stdin:
        req = json.loads(line)
        if req["sample"] not in samples:
            samples[req["sample"]] = Path(req["sample"]).read_bytes()
        data = corrupt_samples.variant_bytes(req["name"], samples[req["sample"]],
                                             req["kind"], req["n"])
        path = scratch / ("variant" + Path(req["sample"]).suffix)
        path.write_bytes(data)
        error = problem = None
        start = time.perf_counter()
        try:
            ok, problem = reader.load(str(path), req["n"])
            outcome = "image" if ok else "failure"
        except Exception as exc:  # the parent decides which types are documented
            outcome, error = "raised", f"{type(exc).__name__}: {exc}"
            problem = reader.after_raise()
        sec = time.perf_counter() - start
        proto.write(json.dumps({"outcome": outcome, "error": error, "problem": problem,
                                "sec": sec}) + "\n")


if __name__ == "__main__":
    main()
