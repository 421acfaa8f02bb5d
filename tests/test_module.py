"""The module frame: attribute order, enums, constants, docstring, start-up trace lines."""

import os
import subprocess
import sys

import pytest

from conftest import BUILD

EXPECTED_ORDER = [
    "__doc__",
    "CvDisplayMode", "Original", "ZoomToFit",
    "CvROIMode", "None", "Point", "Line", "Rectangle", "RotatedRectangle", "Circle",
    "Annulus", "Polygon", "Mask",
    "GuideLineMode", "Off", "CenterCross", "RuleOfThirds", "GoldenRatio", "SafeZones",
    "AspectRatioMask", "DiagonalLines", "CornerMarkers",
    "AspectRatio", "AR_1_1", "AR_4_3", "AR_3_2", "AR_16_9", "AR_2_39_1", "AR_9_16",
    "MovraEngine", "MovraPanel", "MovraROIAdvPanel",
    "GetImageFileInfo",
    "INTER_NEAREST", "INTER_LINEAR", "INTER_AREA", "INTER_CUBIC", "INTER_LANCZOS4",
    "IMREAD_UNCHANGED", "IMREAD_GRAYSCALE", "IMREAD_COLOR", "IMREAD_ANYDEPTH", "IMREAD_ANYCOLOR",
    "__version__",
]

ENUMS = {
    "CvDisplayMode": [("Original", 0), ("ZoomToFit", 1)],
    "CvROIMode": [("None", 0), ("Point", 1), ("Line", 2), ("Rectangle", 3),
                  ("RotatedRectangle", 4), ("Circle", 5), ("Annulus", 6), ("Polygon", 7),
                  ("Mask", 10)],
    "GuideLineMode": [("Off", 0), ("CenterCross", 1), ("RuleOfThirds", 2), ("GoldenRatio", 3),
                      ("SafeZones", 4), ("AspectRatioMask", 5), ("DiagonalLines", 6),
                      ("CornerMarkers", 7)],
    "AspectRatio": [("AR_1_1", 0), ("AR_4_3", 1), ("AR_3_2", 2), ("AR_16_9", 3),
                    ("AR_2_39_1", 4), ("AR_9_16", 5)],
}

MODULE_DOC = """
MovraModule - OpenCV + wxWidgets Image Panel for Python

This module provides:
- MovraEngine: Pure-logic image processing (no GUI required)
- MovraPanel: Basic image display panel (requires wxPython)
- MovraROIAdvPanel: Advanced ROI panel with editing (requires wxPython)

Usage with wxPython:
    import wx
    import MovraModule

    app = wx.App()
    frame = wx.Frame(None, title="Test")
    panel = wx.Panel(frame)

    # Create the C++ panel embedded in wxPython panel
    cv_panel = MovraModule.MovraROIAdvPanel(panel, width=640, height=480)
    cv_panel.SetMat(image_array)

    frame.Show()
    app.MainLoop()
"""


def test_attributes_are_registered_in_order(movra):
    assert [name for name in vars(movra) if name in EXPECTED_ORDER] == EXPECTED_ORDER


def test_docstring_and_version(movra):
    assert movra.__doc__ == MODULE_DOC
    assert movra.__version__ == "0.1.1"
    assert movra.GetImageFileInfo.__doc__.endswith(
        "Read image file metadata (size, channels, bit_depth, EXIF, GPS) without loading into "
        "a panel. Returns a dict.\n")


@pytest.mark.parametrize("enum_name", ENUMS)
def test_enum_members_values_and_exports(movra, enum_name):
    enum = getattr(movra, enum_name)
    assert [(n, m.value) for n, m in enum.__members__.items()] == ENUMS[enum_name]
    for name, value in ENUMS[enum_name]:
        member = getattr(enum, name)
        assert getattr(movra, name) is member
        assert int(member) == value and member.name == name
        assert enum(value) == member
        assert [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10][member] == value  # integer index conversion


def test_enums_are_plain_not_arithmetic(movra):
    with pytest.raises(TypeError):
        movra.AR_16_9 + 1
    with pytest.raises(TypeError):
        movra.CvROIMode.Circle | movra.CvROIMode.Point


def test_roi_mode_has_no_drawing_only_kinds(movra):
    values = [m.value for m in movra.CvROIMode.__members__.values()]
    assert 8 not in values and 9 not in values
    assert movra.CvROIMode.Mask.value == 10
    assert getattr(movra, "None") == movra.CvROIMode(0) == getattr(movra.CvROIMode, "None")


def test_constants(movra):
    expected = {"INTER_NEAREST": 0, "INTER_LINEAR": 1, "INTER_AREA": 3, "INTER_CUBIC": 2,
                "INTER_LANCZOS4": 4, "IMREAD_UNCHANGED": -1, "IMREAD_GRAYSCALE": 0,
                "IMREAD_COLOR": 1, "IMREAD_ANYDEPTH": 2, "IMREAD_ANYCOLOR": 4}
    for name, value in expected.items():
        assert type(getattr(movra, name)) is int and getattr(movra, name) == value


def test_import_traces_start_up_and_loads_no_gui():
    code = ("import sys, MovraModule; "
            "print('wx' in sys.modules, 'numpy' in sys.modules)")
    env = dict(os.environ, PYTHONPATH=str(BUILD))
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env,
                         timeout=60)
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == "False False"
    lines = run.stderr.splitlines()
    assert lines[0] == "[MovraModule-Debug] PYBIND11_MODULE initialization started"
    binding = [line for line in lines if "Binding" in line]
    assert binding == ["[MovraModule-Debug] Binding MovraEngine...",
                       "[MovraModule-Debug] Binding MovraPanel...",
                       "[MovraModule-Debug] Binding MovraROIAdvPanel..."]
    assert lines[-1] == "[MovraModule-Debug] PYBIND11_MODULE initialization complete"
    assert all(line.startswith("[MovraModule-Debug] ") for line in lines)


def test_stub_describes_every_bound_name(movra):
    """The .pyi next to the module names exactly what the binding offers, with the same
    keyword names."""
    import ast

    tree = ast.parse((BUILD / "MovraModule.pyi").read_text())
    stub_names = set()
    stub_methods = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            stub_names.add(node.name)
            stub_methods[node.name] = {
                f.name: [a.arg for a in f.args.args[1:]] + [a.arg for a in f.args.kwonlyargs]
                for f in node.body if isinstance(f, ast.FunctionDef)}
        elif isinstance(node, ast.FunctionDef):
            stub_names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            stub_names.add(node.target.id)
    public = {n for n in vars(movra) if not n.startswith("_") and n != "None"}
    assert public <= stub_names, public - stub_names
    for cls_name in ("MovraEngine", "MovraPanel", "MovraROIAdvPanel"):
        cls = getattr(movra, cls_name, None)
        if cls is None:
            continue
        bound = {n for n in vars(cls) if not n.startswith("_")}
        assert bound == set(stub_methods[cls_name]) - {"__init__"}, cls_name
        for name in bound:
            # pybind11 writes "Name(self: ..., kw: type = default) -> result" as the first line.
            signature = getattr(cls, name).__doc__.splitlines()[0]
            keywords = [p.split(":")[0].strip() for p in
                        signature[signature.index("(") + 1:signature.rindex(")")].split(", ")[1:]
                        if p]
            assert keywords == stub_methods[cls_name][name], (cls_name, name)
