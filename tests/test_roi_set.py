"""The set of named ROIs on MovraROIAdvPanel: ids, selection as the editing ROI, data round
trips (JSON included) with refusal of bad data, measurement by id, and the unselected ROIs
drawn in their colours on the screen, also among many."""

import json
from pathlib import Path

import numpy as np
import pytest

wx = pytest.importorskip("wx")
jsonschema = pytest.importorskip("jsonschema")

from wxutil import grab  # noqa: E402


def test_ids_selection_and_editing_roi(movra, editing):  # noqa: F811
    p, pointer, win = editing
    a = p.AddROI(3, [(10, 20), (100, 50)], name="pad")
    b = p.AddROI(5, [(200, 150), (30, 40)], color=(0, 0, 255))
    c = p.AddROI(7, [(300, 10), (390, 10), (350, 90)])
    assert (a, b, c) == (1, 2, 3)
    rois = p.GetROIs()
    assert [r["id"] for r in rois] == [1, 2, 3]
    assert rois[0]["name"] == "pad" and rois[0]["points"] == [[10, 20], [100, 50]]
    assert rois[1]["color"] == (0, 0, 255, 255) and rois[1]["outer_radius"] == 50.0
    assert rois[2]["color"] != rois[0]["color"]  # palette colours differ by id
    assert p.GetSelectedROI() is None

    # Selecting makes an ROI the editing ROI: GetRect and a mouse drag act on it, and the set
    # reads back what the drag made.
    p.SelectROI(a)
    assert p.GetSelectedROI() == a and p.GetROIMode() == 3
    assert p.GetRect() == (10, 20, 100, 50)
    p.SetRect((12, 22, 60, 40))
    assert p.GetROI(a)["points"] == [[12, 22], [60, 40]]
    p.SelectROI(b)
    assert p.GetROIMode() == 5 and p.GetROI(a)["points"] == [[12, 22], [60, 40]]
    p.SelectROI(None)
    assert p.GetSelectedROI() is None and p.GetRect() == (0, 0, 0, 0)

    p.RenameROI(c, "hole")
    p.SetROIColor(c, (1, 2, 3))
    p.UpdateROI(c, {"version": 1, "mode": 2, "points": [[5, 5], [50, 60]], "angle": 0.0})
    assert p.GetROI(c)["name"] == "hole" and p.GetROI(c)["mode"] == 2
    assert p.GetROI(c)["color"] == (1, 2, 3, 255)

    # Ids are never reused, also after removing the newest.
    assert p.RemoveROI(c) is True and p.RemoveROI(c) is False
    assert p.AddROI(1, [(5, 5)]) == 4
    p.SelectROI(b)
    assert p.RemoveROI(b) and p.GetSelectedROI() is None and p.GetRect() == (0, 0, 0, 0)
    p.ClearROIs()
    assert p.GetROIs() == [] and p.AddROI(1, [(5, 5)]) == 5

    for bad in (lambda: p.GetROI(99), lambda: p.SelectROI(99), lambda: p.RenameROI(99, "x"),
                lambda: p.UpdateROI(99, {"version": 1, "mode": 1, "points": [[1, 1]]})):
        with pytest.raises(KeyError):
            bad()
    with pytest.raises(ValueError, match="points"):
        p.AddROI(3, [(1, 1)])  # a rectangle takes 2 points
    with pytest.raises(ValueError, match="mode"):
        p.AddROI(9, [(1, 1), (2, 2)])
    with pytest.raises(ValueError, match=r"color\[1\]"):
        p.AddROI(1, [(1, 1)], color=(0, 300, 0))
    assert [r["id"] for r in p.GetROIs()] == [5]


def test_set_data_round_trip_and_refusals(movra, editing):  # noqa: F811
    p, pointer, win = editing
    p.AddROI(3, [(10, 20), (100, 50)], name="pad")
    p.AddROI(6, [(200, 150), (30, 40), (20, 0), (0, 90)], name="ring")
    p.AddROI(4, [(50, 200), (80, 40)], angle=30.0)
    p.SelectROI(2)
    data = json.loads(json.dumps(p.GetROISetData()))
    schema = json.loads((Path(__file__).resolve().parent.parent / "docs" /
                         "roi-data.schema.json").read_text())
    jsonschema.Draft202012Validator({**schema, "$ref": "#/$defs/roiSet"}).validate(data)
    assert data["version"] == 2 and data["selected"] == 2 and len(data["rois"]) == 3

    p.ClearROIs()
    p.SetROISetData(data)
    again = json.loads(json.dumps(p.GetROISetData()))
    assert again == data
    assert p.GetSelectedROI() == 2 and p.GetROIMode() == 6
    assert p.AddROI(1, [(5, 5)]) == 4  # later ids stay above those read

    # Name and colour may be left out; ids are kept as given.
    p.SetROISetData({"version": 2, "rois": [
        {"version": 1, "id": 17, "mode": 1, "points": [[3, 4]], "angle": 0.0}]})
    (only,) = p.GetROIs()
    assert only["id"] == 17 and only["name"] == "" and len(only["color"]) == 4
    assert p.GetSelectedROI() is None and p.AddROI(1, [(5, 5)]) == 18

    # A version-1 shape dict is a set of one, selected, under a fresh id.
    p.SetROISetData({"version": 1, "mode": 3, "points": [[1, 2], [30, 40]], "angle": 0.0})
    (one,) = p.GetROIs()
    assert one["id"] == 19 and p.GetSelectedROI() == 19 and p.GetRect() == (1, 2, 30, 40)

    before = p.GetROISetData()
    good = {"version": 1, "id": 30, "mode": 1, "points": [[3, 4]], "angle": 0.0}
    for bad, field in [
        ({"version": 3, "rois": []}, "version"),
        ({"version": 2}, "rois"),
        ({"version": 2, "rois": [good, dict(good)]}, r"rois\[1\]\.id"),
        ({"version": 2, "rois": [{**good, "points": [[1, 2], [3, 4]]}]}, r"rois\[0\]\.points"),
        ({"version": 2, "rois": [{**good, "color": [1, 2]}]}, r"rois\[0\]\.color"),
        ({"version": 2, "rois": [good], "selected": 31}, "selected"),
    ]:
        with pytest.raises(ValueError, match=field):
            p.SetROISetData(bad)
        assert p.GetROISetData() == before  # the set stays as it was


def test_measure_by_id_and_unselected_rois_drawn_in_their_colours(movra, editing):  # noqa: F811
    p, pointer, win = editing
    img = np.full((300, 400, 3), 90, np.uint8)
    img[:, 200:] = 200
    p.SetMat(img)
    left = p.AddROI(3, [(10, 10), (50, 40)], name="L", color=(255, 0, 0))
    right = p.AddROI(3, [(250, 100), (40, 30)], name="R", color=(0, 0, 255))
    assert p.GetROIStats(left)["mean"][0] == 90 and p.GetROIStats(left)["area"] == 2000
    assert p.GetROIStats(right)["mean"][0] == 200
    assert p.GetROIMask(right).sum() == 1200 * 255
    assert p.GetROIStats() == {}  # nothing selected: no editing ROI
    with pytest.raises(KeyError):
        p.GetROIStats(42)

    shot = grab(win)  # RGB
    blue, red = np.array([0, 0, 255]), np.array([255, 0, 0])
    assert (np.abs(shot[25, 8:13].astype(int) - blue).sum(axis=1) < 60).any()
    assert (np.abs(shot[115, 248:253].astype(int) - red).sum(axis=1) < 60).any()
    # Selected, an ROI is drawn as the editing ROI (lime), no longer in its own colour.
    p.SelectROI(right)
    shot = grab(win)
    lime = np.array([0, 255, 0])
    assert (np.abs(shot[115, 248:253].astype(int) - lime).sum(axis=1) < 60).any()
    assert not (np.abs(shot[115, 248:253].astype(int) - red).sum(axis=1) < 60).any()


def test_rois_in_view_and_labels_reaching_in_drawn_among_many(movra, editing):  # noqa: F811
    p, pointer, win = editing  # the view is the whole 400 x 300 image
    for i in range(10000):  # beyond the view's right edge, named: labels reach right only
        p.AddROI(3, [(420 + (i % 100) * 30, (i // 100) * 30), (20, 20)], name=f"far {i}")
    # Magenta in view; a yellow label whose ROI lies just below the view; a cyan one whose ROI
    # lies left of the view, its long label reaching in.
    p.AddROI(3, [(60, 60), (80, 50)], name="hole", color=(255, 0, 255))
    p.AddROI(3, [(150, 306), (40, 40)], name="below", color=(0, 255, 255))
    p.AddROI(3, [(-150, 200), (40, 40)], name="a label long enough to reach in",
             color=(255, 255, 0))
    # Names are UTF-8: a letter outside ASCII is drawn as itself, not as a "?" per byte.
    p.AddROI(3, [(170, 120), (100, 30)], name="Bohrung \u00fc", color=(255, 255, 255))
    p.AddROI(3, [(170, 200), (100, 30)], name="Bohrung ??", color=(255, 255, 255))

    shot = grab(win).astype(int)

    def near(region, rgb):
        return int((np.abs(region - np.array(rgb)).sum(axis=2) < 90).sum())

    magenta, yellow, cyan = (255, 0, 255), (255, 255, 0), (0, 255, 255)
    assert near(shot[58:63, 58:142], magenta) > 60  # the top edge
    assert near(shot[40:56, 58:100], magenta) > 10  # its label above it
    assert near(shot[288:300, 148:200], yellow) > 10
    assert near(shot[182:198, 0:120], cyan) > 10
    assert near(shot[100:280, 150:400], magenta) == 0  # nothing drawn where no ROI is
    umlaut, questions = shot[100:120, 165:300], shot[180:200, 165:300]
    assert near(umlaut, (255, 255, 255)) > 20 and near(questions, (255, 255, 255)) > 20
    assert (np.abs(umlaut - questions).sum(axis=2) > 150).sum() > 15
