"""The installed wheel, run by scripts/wheel-test.sh inside a virtual environment made with
--system-site-packages: the module and its typing files come from the wheel, wxPython from the
system, and a panel made by the installed module shows an array in a wxPython window."""

import importlib.metadata
import sys
import sysconfig
from pathlib import Path

import numpy as np
import pytest

import MovraModule

wx = pytest.importorskip("wx")

from wxutil import grab, panel_window, settle  # noqa: E402  (tests/ is on sys.path)


def test_module_stub_and_marker_come_from_the_installed_wheel():
    site = Path(sysconfig.get_path("platlib")).resolve()
    module_file = Path(MovraModule.__file__).resolve()
    assert module_file.parent == site / "MovraModule"
    assert Path(sys.prefix).resolve() != Path(sys.base_prefix).resolve(), "not in a venv"
    assert MovraModule.__version__ == importlib.metadata.version("MovraModule")
    installed = {str(f) for f in importlib.metadata.files("MovraModule")}
    assert {"MovraModule/__init__.pyi", "MovraModule/py.typed"} <= installed
    assert f"MovraModule/{module_file.name}" in installed


def test_type_checker_reads_the_installed_stub(tmp_path):
    mypy = pytest.importorskip("mypy.api")
    src = tmp_path / "use_movra.py"
    src.write_text(
        "import MovraModule\n"
        "reveal_type(MovraModule.__version__)\n"
        "reveal_type(MovraModule.MovraEngine().GetImageSize())\n"
        "MovraModule.MovraEngine().NoSuchMethod()\n"
    )
    out, err, _ = mypy.run(["--no-incremental", "--python-executable", sys.executable, str(src)])
    assert "Cannot find implementation or library stub" not in out, out
    assert 'Revealed type is "builtins.str"' in out, out
    assert 'has no attribute "NoSuchMethod"' in out, out


def test_panel_shows_an_array_in_a_wxpython_window():
    app = wx.App(False)
    wx.Log.SetActiveTarget(wx.LogStderr())
    frame = wx.Frame(None, title="wheel", pos=(0, 0), size=(640, 480))
    host = wx.Panel(frame)
    frame.Show()
    settle()
    try:
        panel = MovraModule.MovraPanel(host.GetHandle(), width=400, height=300)
        assert panel.IsOk()
        img = np.zeros((300, 400, 3), np.uint8)
        img[:, :] = (0, 200, 0)  # BGR green
        img[100:200, 150:250] = (0, 0, 200)  # a red square in the middle
        panel.SetMat(img)
        assert np.array_equal(panel.GetMat(), img)

        shown = grab(panel_window(host, panel))  # RGB
        assert shown.shape == (300, 400, 3)
        green = (shown[..., 1] > 150) & (shown[..., 0] < 60) & (shown[..., 2] < 60)
        red = (shown[..., 0] > 150) & (shown[..., 1] < 60) & (shown[..., 2] < 60)
        # An image of the panel's own size fills it: the square in the middle, green around it.
        assert red[110:190, 160:240].all()
        assert green[:90].all() and green[210:].all()
    finally:
        frame.Destroy()
        settle()

