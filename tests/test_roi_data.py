"""The ROI as data: GetEditingROIData / SetEditingROIData and GetOverlayData /
AppendOverlayData on real panels. Shapes drawn with the real pointer or set from Python go
through JSON and back to the same dict, the same GetRect and the same pixels on the screen;
every output meets docs/roi-data.schema.json; bad data is refused naming its field."""

import json
import math
from pathlib import Path

import numpy as np
import pytest

wx = pytest.importorskip("wx")
jsonschema = pytest.importorskip("jsonschema")

from wxutil import grab, pump  # noqa: E402

SCHEMA = json.loads((Path(__file__).resolve().parent.parent / "docs" /
                     "roi-data.schema.json").read_text())
EDITING = jsonschema.Draft202012Validator(SCHEMA)
OVERLAY = jsonschema.Draft202012Validator({**SCHEMA, "$ref": "#/$defs/overlay"})


def through_json(d):
    return json.loads(json.dumps(d, allow_nan=False))


# (mode, how the shape is made: "drag"/"click" by the user, or SetEditingROI's arguments)
SHAPES = [
    (1, ("click", (40, 30))),
    (2, ("drag", (10, 20), (200, 150))),
    (3, ([(30.5, 40.25), (200, 100)], 0.0)),
    (4, ([(120, 80), (160, 72)], 27.9)),
    (5, ("drag", (200, 150), (230, 190))),  # radius vector (30, 40)
    (6, ("drag", (200, 150), (260, 230))),  # inner radius half the outer, following it
    (7, ([(100, 100), (300, 120), (260, 280), (90.5, 250)], 0.0)),
]


def test_every_shape_survives_json_with_the_same_rect_and_pixels(movra, editing):  # noqa: F811
    p, pointer, win = editing
    empty = p.GetEditingROIData()
    assert empty == {"version": 1, "mode": 3, "points": [], "angle": 0.0}
    EDITING.validate(empty)
    for mode, how in SHAPES:
        p.SetROIMode(mode)
        if how[0] == "click":
            pointer.click(*how[1])
        elif how[0] == "drag":
            pointer.drag(how[1], how[2])
        else:
            p.SetEditingROI(mode, *how)
        pointer.away()
        data, rect, shown = p.GetEditingROIData(), p.GetRect(), grab(win)
        EDITING.validate(data)
        assert data["mode"] == mode and data["points"], mode
        # Another tool empties the ROI: what comes back comes from the data alone.
        p.SetROIMode(1 if mode != 1 else 2)
        assert not np.array_equal(grab(win), shown), mode
        p.SetEditingROIData(through_json(data))
        assert (p.GetROIMode(), p.GetRect()) == (mode, rect), mode
        assert p.GetEditingROIData() == data, mode
        assert np.array_equal(grab(win), shown), mode

    # The user's circle and ring, as the data spells them out.
    p.SetROIMode(5)
    pointer.drag((200, 150), (230, 190))
    circle = p.GetEditingROIData()
    assert circle["points"] == [[200.0, 150.0], [30.0, 40.0]] and circle["outer_radius"] == 50.0
    p.SetEditingROI(6, [(100, 80), (40, 0), (15, 0), (-30, 200)])
    ring = p.GetEditingROIData()
    assert ring["points"][1] == [pytest.approx(40 / math.sqrt(2))] * 2
    assert (ring["outer_radius"], ring["inner_radius"], ring["start_angle"],
            ring["end_angle"]) == (40.0, 15.0, -30.0, 200.0)

    # The schema is no formality: it refuses what the panel refuses.
    for bad in ({"version": 2, "mode": 3, "points": []},
                {"version": 1, "mode": 9, "points": []},
                {"version": 1, "mode": 3, "points": [[0, 0]]},
                {"version": 1, "mode": 7, "points": [[0, 0], [1, 1]]},
                {"version": 1, "mode": 1, "points": [[0, 0, 0]]},
                {"version": 1, "mode": 1, "points": [[0, "1"]]}):
        assert not EDITING.is_valid(bad), bad


BAD_EDITING = [
    (5, TypeError, r"^ROI data must be a dict, not int$"),
    ({"mode": 3, "points": []}, ValueError, r"^version: missing$"),
    ({"version": 2, "mode": 3, "points": []}, ValueError, r"^version: unsupported version 2"),
    ({"version": 1.0, "mode": 3, "points": []}, ValueError, r"^version: "),
    ({"version": 1, "mode": 11, "points": []}, ValueError, r"^mode: unknown mode 11 "),
    ({"version": 1, "mode": True, "points": []}, ValueError, r"^mode: expected an int, not bool"),
    ({"version": 1, "mode": 3}, ValueError, r"^points: missing$"),
    ({"version": 1, "mode": 3, "points": "0,0"}, ValueError, r"^points: expected a list"),
    ({"version": 1, "mode": 3, "points": [[0, 0]]}, ValueError,
     r"^points: a rectangle takes 2 points \(or none for no shape\), not 1$"),
    ({"version": 1, "mode": 7, "points": [[0, 0], [5, 5]]}, ValueError,
     r"^points: a polygon takes at least 3 points"),
    ({"version": 1, "mode": 0, "points": [[1, 1]]}, ValueError, r"^points: mode 0"),
    ({"version": 1, "mode": 7, "points": [[0, 0], [5, 5], [9]]}, ValueError,
     r"^points\[2\]: expected an \[x, y\] pair$"),
    ({"version": 1, "mode": 7, "points": [[0, 0], [5, 5], [9, float("nan")]]}, ValueError,
     r"^points\[2\]: nan is not a finite number$"),
    ({"version": 1, "mode": 1, "points": [[float("-inf"), 0]]}, ValueError, r"^points\[0\]: "),
    ({"version": 1, "mode": 1, "points": [[1e39, 0]]}, ValueError,
     r"^points\[0\]: 1e\+39 is beyond the single-precision range$"),
    ({"version": 1, "mode": 1, "points": [[True, 0]]}, ValueError,
     r"^points\[0\]: expected a number, not bool$"),
    ({"version": 1, "mode": 4, "points": [[0, 0], [5, 5]], "angle": float("inf")}, ValueError,
     r"^angle: inf is not a finite number$"),
    ({"version": 1, "mode": 4, "points": [[0, 0], [5, 5]], "angle": "30"}, ValueError,
     r"^angle: expected a number, not str$"),
    ({"version": 1, "mode": 5, "points": [[50, 50], [30, 0]], "outer_radius": 31}, ValueError,
     r"^outer_radius: 31\.0 does not match the points, which give 30\.0"),
    ({"version": 1, "mode": 6, "points": [[50, 50], [30, 0], [0, 0], [0, 90]],
      "inner_radius": 10}, ValueError, r"^inner_radius: "),  # in effect: 15, half of 30
    ({"version": 1, "mode": 6, "points": [[50, 50], [30, 0], [0, 0], [0, 90]],
      "end_angle": float("nan")}, ValueError, r"^end_angle: nan is not a finite number$"),
]


def test_bad_editing_data_names_its_field_and_changes_nothing(movra, editing):  # noqa: F811
    p, _, _ = editing
    crops = []
    p.SetOnCropCallback(crops.append)
    p.SetEditingROI(3, [(10, 10), (50, 40)])
    kept, could_undo = p.GetEditingROIData(), p.CanUndo()
    p.Undo()
    p.Redo()
    for data, error, message in BAD_EDITING:
        with pytest.raises(error, match=message):
            p.SetEditingROIData(data)
        assert p.GetEditingROIData() == kept and p.GetROIMode() == 3, data
    assert p.CanUndo() == could_undo and not p.CanRedo()
    assert len(crops) == 2  # the undo and the redo; the refused data sent nothing

    # What a person may write: a radius as (r, 0) with measures that agree, tuples, NumPy
    # numbers, more keys than the panel reads; and no points to clear the ROI.
    p.SetEditingROIData({"version": 1, "mode": 6, "comment": "ring",
                         "points": ((np.float32(100), np.int64(80)), (40, 0), (0, 0), (10, 80)),
                         "outer_radius": 40, "inner_radius": 20, "start_angle": 10})
    assert (p.GetOuterRadius(), p.GetInnerRadius(), p.GetStartAngle(), p.GetEndAngle()) == (
        pytest.approx(40), pytest.approx(20), 10.0, 80.0)
    assert p.CanUndo() and len(crops) == 2  # one undo step, no crop event
    p.SetEditingROIData({"version": 1, "mode": 7, "points": []})
    assert p.GetROIMode() == 7 and p.GetRect() == (0, 0, 0, 0)
    assert p.GetEditingROIData()["points"] == []


def test_overlays_as_data_draw_the_same_picture_again(movra, editing):  # noqa: F811
    p, _, win = editing
    p.SetDisplayOverlay(True)
    p.AppendOverlay(3, [(10, 20), (100, 50), (150, 20), (40, 30)], (0, 255, 0))
    p.AppendOverlay(5, [(300, 80), (40, 0)], (0, 0, 255, 128), size=3)
    p.AppendOverlay(6, [(120, 200), (60, 0), (30, 0), (200, 340)], (255, 0, 0))
    p.AppendOverlay(7, [(250, 150), (390, 160), (320, 290), (-1, -1), (20, 250), (80, 290),
                        (30, 290)], (255, 255, 0), size=1)
    p.AppendOverlay(4, [(200, 20), (80, 30), (0, 0), (60, 230), (40, 40), (0, 0)],
                    (0, 128, 255), angle=15.0)
    mask = np.zeros((300, 400), np.uint8)
    mask[260:290, 300:390] = 1
    p.AppendMaskOverlay(mask, (255, 0, 255), 0.6)
    assert p.AppendOverlayData({"version": 1, "mode": 8, "points": [[20, 120], [180, 140]],
                                "color": [40, 200, 200], "line_style": 1}) == 6
    data = p.GetOverlayData()
    for d in data:
        OVERLAY.validate(d)
    assert data[0] == {"version": 1, "mode": 3, "angle": 0.0, "color": [0.0, 255.0, 0.0, 255.0],
                       "points": [[10.0, 20.0], [100.0, 50.0], [150.0, 20.0], [40.0, 30.0]],
                       "thickness": 2, "visible": True, "line_style": 0}
    assert data[5]["mode"] == 10 and data[5]["points"] == []
    assert data[5]["mask"] == {"width": 400, "height": 300}
    assert data[6]["line_style"] == 1 and data[6]["color"][3] == 255.0
    shown = grab(win)

    p.ClearOverlay()
    p.Refresh()
    assert not np.array_equal(grab(win), shown)
    for i, d in enumerate(data):
        index = (p.AppendMaskOverlay(mask, (255, 0, 255), 0.6) if d["mode"] == 10
                 else p.AppendOverlayData(through_json(d)))
        assert index == i
    assert p.GetOverlayData() == data
    assert np.array_equal(grab(win), shown)

    bad = [
        ({**data[0], "mode": 10}, r"^mode: a mask overlay is added with AppendMaskOverlay$"),
        ({**data[0], "mode": 12}, r"^mode: unknown mode 12"),
        ({**data[0], "points": data[0]["points"][:3]},
         r"^points: a rectangle overlay takes pairs of points \(2, 4, \.\.\.\), not 3$"),
        ({**data[2], "points": data[2]["points"] * 2 + [[1, 1]]},
         r"^points: an annulus overlay takes groups of 4 points"),
        ({**data[0], "color": [0, 256, 0]}, r"^color\[1\]: 256\.0 is outside 0 to 255$"),
        ({**data[0], "color": [0, 255]}, r"^color: expected \[B, G, R\] or \[B, G, R, A\]$"),
        ({k: v for k, v in data[0].items() if k != "color"}, r"^color: missing$"),
        ({**data[0], "thickness": 2.5}, r"^thickness: expected an int, not float$"),
        ({**data[0], "visible": 1}, r"^visible: expected True or False, not int$"),
        ({**data[0], "line_style": 3}, r"^line_style: 3 is outside 0 to 2$"),
    ]
    for d, message in bad:
        with pytest.raises(ValueError, match=message):
            p.AppendOverlayData(d)
    assert len(p.GetOverlayData()) == len(data)
