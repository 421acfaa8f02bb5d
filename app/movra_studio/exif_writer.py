"""A minimal EXIF writer for the generated sample photo: camera, date, exposure and GPS tags in
a little-endian TIFF structure, inserted into a JPEG as its APP1 segment."""

import struct
from fractions import Fraction

ASCII, SHORT, LONG, RATIONAL, BYTE = 2, 3, 4, 5, 1
_TYPE_SIZE = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8}


def _value(kind, value):
    """(count, little-endian bytes) of a tag value."""
    if kind == ASCII:
        raw = value.encode("ascii") + b"\0"
        return len(raw), raw
    values = value if isinstance(value, (list, tuple)) else [value]
    if kind == RATIONAL:
        raw = b""
        for v in values:
            f = Fraction(v).limit_denominator(1000000)
            raw += struct.pack("<II", f.numerator, f.denominator)
        return len(values), raw
    fmt = {BYTE: "B", SHORT: "H", LONG: "I"}[kind]
    return len(values), struct.pack("<" + fmt * len(values), *values)


def _ifd_size(entries):
    data = sum(
        len(raw) + (len(raw) & 1) for _, _, (_, raw) in entries if len(raw) > 4
    )
    return 2 + 12 * len(entries) + 4 + data


def _ifd(entries, offset):
    """Bytes of one IFD placed at `offset` (from the TIFF start), its long values after it."""
    head = struct.pack("<H", len(entries))
    data = b""
    data_at = offset + 2 + 12 * len(entries) + 4
    for tag, kind, (count, raw) in sorted(entries, key=lambda e: e[0]):
        if len(raw) <= 4:
            head += struct.pack("<HHI", tag, kind, count) + raw.ljust(4, b"\0")
        else:
            head += struct.pack("<HHII", tag, kind, count, data_at + len(data))
            data += raw + b"\0" * (len(raw) & 1)
    return head + struct.pack("<I", 0) + data


def _dms(degrees):
    d = int(degrees)
    m = int((degrees - d) * 60)
    s = round(((degrees - d) * 60 - m) * 60, 2)
    return [d, m, s]


def build_exif(make, model, date_time, exposure, f_number, iso, focal, lat, lon, alt):
    """The TIFF structure (after the "Exif\\0\\0" header) with the given tags."""

    def entry(tag, kind, value):
        return (tag, kind, _value(kind, value))

    exif = [
        entry(33434, RATIONAL, exposure),
        entry(33437, RATIONAL, f_number),
        entry(34855, SHORT, iso),
        entry(36867, ASCII, date_time),
        entry(37386, RATIONAL, focal),
    ]
    gps = [
        entry(0, BYTE, [2, 3, 0, 0]),
        entry(1, ASCII, "S" if lat < 0 else "N"),
        entry(2, RATIONAL, _dms(abs(lat))),
        entry(3, ASCII, "W" if lon < 0 else "E"),
        entry(4, RATIONAL, _dms(abs(lon))),
        entry(5, BYTE, 0),
        entry(6, RATIONAL, alt),
    ]
    ifd0 = [
        entry(271, ASCII, make),
        entry(272, ASCII, model),
        entry(274, SHORT, 1),
        entry(306, ASCII, date_time),
        entry(34665, LONG, 0),
        entry(34853, LONG, 0),
    ]
    # The pointer values do not change the IFD sizes, so the layout is known beforehand.
    ifd0_at = 8
    exif_at = ifd0_at + _ifd_size(ifd0)
    gps_at = exif_at + _ifd_size(exif)
    ifd0[4] = entry(34665, LONG, exif_at)
    ifd0[5] = entry(34853, LONG, gps_at)
    return (
        b"II*\0"
        + struct.pack("<I", ifd0_at)
        + _ifd(ifd0, ifd0_at)
        + _ifd(exif, exif_at)
        + _ifd(gps, gps_at)
    )


def insert_exif(jpeg, tiff):
    """The JPEG bytes with an EXIF APP1 segment after the SOI (and JFIF APP0, if any)."""
    if jpeg[:2] != b"\xff\xd8":
        raise ValueError("not a JPEG stream")
    at = 2
    if jpeg[2:4] == b"\xff\xe0":
        at = 4 + struct.unpack(">H", jpeg[4:6])[0]
    payload = b"Exif\0\0" + tiff
    segment = b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload
    return jpeg[:at] + segment + jpeg[at:]
