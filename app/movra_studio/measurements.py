"""Measurement rows, one per image and ROI, as the Results window shows them and the batch run
writes them: the columns, CSV and tab-separated text. Window-free.

A row is a dict keyed by column name. Statistics come from the panel's measurement (GetROIStats
or MeasureROIs): per channel mean, std, min and max of the source values, channels numbered
from 0 in the image's own order (B, G, R for colour)."""

import csv

from .roi_json import MODE_NAMES

HEAD_COLUMNS = ["file", "roi_id", "roi_name", "shape", "area", "perimeter", "centroid_x",
                "centroid_y", "bbox_x", "bbox_y", "bbox_w", "bbox_h"]
STAT_KEYS = ["mean", "std", "min", "max"]
ERROR_COLUMN = "error"


def channel_columns(channel):
    return [f"{key}_{channel}" for key in STAT_KEYS]


def columns(channels):
    """The columns of a table whose images have at most `channels` channels."""
    out = list(HEAD_COLUMNS)
    for c in range(channels):
        out += channel_columns(c)
    return out + [ERROR_COLUMN]


def channel_count(rows):
    """The most channels any row carries."""
    n = 0
    for row in rows:
        while f"mean_{n}" in row:
            n += 1
    return n


def shape_name(mode):
    return MODE_NAMES.get(mode, f"mode {mode}").lower()


def stats_row(file, roi_id, roi_name, mode, stats):
    """The row of one ROI's measurement; a ROI with no pixel on the image (empty stats) gives
    its shape and an area of 0, with no statistics."""
    row = {"file": file, "roi_id": roi_id, "roi_name": roi_name, "shape": shape_name(mode),
           ERROR_COLUMN: ""}
    if not stats:
        row["area"] = 0
        return row
    cx, cy = stats["centroid"]
    bx, by, bw, bh = stats["bbox"]
    row.update(area=stats["area"], perimeter=stats["perimeter"], centroid_x=cx, centroid_y=cy,
               bbox_x=bx, bbox_y=by, bbox_w=bw, bbox_h=bh)
    for key in STAT_KEYS:
        for c, value in enumerate(stats[key]):
            row[f"{key}_{c}"] = value
    return row


def error_row(file, roi_id, roi_name, error):
    """The row of a ROI on a file that could not be measured: names and the reason only."""
    return {"file": file, "roi_id": roi_id, "roi_name": roi_name, ERROR_COLUMN: error}


def text(value):
    """A cell as text: floats in full (they round-trip), nothing for a missing cell."""
    if value is None:
        return ""
    return repr(value) if isinstance(value, float) else str(value)


def display_text(value):
    """A cell as people read it in a table: floats to four decimals at most."""
    if isinstance(value, float):
        return f"{value:.4f}".rstrip("0").rstrip(".") if value == value else "nan"
    return text(value)


def table(rows, channels=None):
    """(header, cells): the columns and every row's cells as text; `channels` defaults to the
    most any row has."""
    cols = columns(channel_count(rows) if channels is None else channels)
    return cols, [[text(row.get(c)) for c in cols] for row in rows]


def write_csv(stream, rows, channels=None):
    """Writes the rows as CSV (a header line, then one line per row) to a text stream."""
    header, cells = table(rows, channels)
    writer = csv.writer(stream, lineterminator="\n")
    writer.writerow(header)
    writer.writerows(cells)


def save_csv(path, rows, channels=None):
    with open(path, "w", encoding="utf-8", newline="") as f:
        write_csv(f, rows, channels)


def to_tsv(rows):
    """Tab-separated text with a header line, as spreadsheets take it from the clipboard; tabs
    and line breaks inside cells become spaces."""
    header, cells = table(rows)
    clean = [[c.replace("\t", " ").replace("\r", " ").replace("\n", " ") for c in line]
             for line in [header] + cells]
    return "".join("\t".join(line) + "\n" for line in clean)
