"""Rows of text for the image information pane, from MovraModule's file information dict."""

import os
from fractions import Fraction

MISSING = "–"


def _exposure(seconds):
    if seconds <= 0:
        return MISSING
    if seconds >= 0.5:
        return f"{seconds:g} s"
    # Photographers read short times as fractions: 0.004 s is 1/250 s.
    return f"1/{round(1 / Fraction(seconds).limit_denominator(100000))} s"


def _gps(info):
    if not info.get("has_gps"):
        return MISSING
    lat, lon = info["gps_lat"], info["gps_lon"]
    text = f"{abs(lat):.5f}° {'S' if lat < 0 else 'N'}, {abs(lon):.5f}° {'W' if lon < 0 else 'E'}"
    if info.get("gps_alt"):
        text += f", {info['gps_alt']:.0f} m"
    return text


# First bytes of the formats the module reads, for files whose name does not tell.
_SIGNATURES = [
    (b"II*\0", "TIFF"), (b"MM\0*", "TIFF"), (b"\xff\xd8\xff", "JPEG"),
    (b"\x89PNG\r\n\x1a\n", "PNG"), (b"BM", "BMP"), (b"\xff\x0a", "JXL"),
    (b"\0\0\0\x0cJXL ", "JXL"),
]


def _format(info, path):
    name = info.get("format") or ""
    if name not in ("", "Unknown") or not path:
        return name or MISSING
    try:
        with open(path, "rb") as f:
            head = f.read(16)
    except OSError:
        return name or MISSING
    if head[:4] == b"RIFF" and head[8:12] == b"WEBP":
        return "WebP"
    if head[4:8] == b"ftyp" and head[8:12] in (b"heic", b"heix", b"mif1", b"msf1", b"heim"):
        return "HEIF"
    return next((fmt for sig, fmt in _SIGNATURES if head.startswith(sig)), name or MISSING)


def _camera(make, model):
    # Many makers repeat their name in the model: "Canon" + "Canon EOS 40D", "NIKON
    # CORPORATION" + "NIKON D700".
    brand = make.split()[0].lower() if make.split() else ""
    if brand and model.lower().startswith(brand):
        return model
    return f"{make} {model}".strip()


def info_rows(info, path=None):
    """(label, value) rows; fields the file did not have show a dash."""
    rows = []
    if path:
        rows.append(("File", os.path.basename(path)))
    if not info or not info.get("width"):
        return rows + [("Image", "none")]
    camera = _camera(info.get("camera_make") or "", info.get("camera_model") or "")
    f_number = info.get("f_number", 0.0)
    focal = info.get("focal_length", 0.0)
    iso = info.get("iso", 0)
    rows += [
        ("Size", f"{info['width']} × {info['height']} px"),
        ("Channels", str(info.get("channels", MISSING))),
        ("Bit depth", f"{info['bit_depth']} bit" if info.get("bit_depth") else MISSING),
        ("Format", _format(info, path)),
        ("Camera", camera or MISSING),
        ("Date", info.get("date_time") or MISSING),
        ("Exposure", _exposure(info.get("exposure_time", 0.0))),
        ("Aperture", f"f/{f_number:g}" if f_number > 0 else MISSING),
        ("Focal length", f"{focal:g} mm" if focal > 0 else MISSING),
        ("ISO", str(iso) if iso > 0 else MISSING),
        ("GPS", _gps(info)),
    ]
    return rows
