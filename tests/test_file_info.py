"""GetImageFileInfo on files made by real encoders, with EXIF written by exiftool and
compared with what exiftool itself reads back."""

import json
import shutil
import struct
import subprocess
from pathlib import Path

import cv2
import numpy as np
import pytest

KEYS = [
    "width", "height", "channels", "bit_depth", "format", "has_exif", "orientation",
    "date_time", "camera_make", "camera_model", "focal_length", "f_number", "exposure_time",
    "iso", "has_gps", "gps_lat", "gps_lon", "gps_alt", "extra",
]

CAMERA_TAGS = [
    "-Make=Movra Optics", "-Model=MX-1 Mark II", "-ModifyDate=2023:04:05 06:07:08",
    "-DateTimeOriginal=2022:11:12 13:14:15", "-FocalLength=35", "-FNumber=2.8",
    "-ExposureTime=1/125", "-ISO=400",
]


def photo(height=48, width=64, channels=3, dtype=np.uint8):
    """A smooth test card, so that every encoder keeps it small."""
    rng = np.random.default_rng(height * width + channels)
    top = np.iinfo(dtype).max
    img = rng.integers(0, top, size=(height, width, channels), dtype=np.uint64).astype(dtype)
    return img[:, :, 0] if channels == 1 else img


def write(path: Path, img, params=()) -> Path:
    assert cv2.imwrite(str(path), img, list(params)), path
    return path


def exiftool_write(path: Path, *tags: str) -> Path:
    subprocess.run(["exiftool", "-q", "-q", "-overwrite_original", *tags, str(path)], check=True)
    return path


def exiftool_read(path: Path) -> dict:
    out = subprocess.run(["exiftool", "-n", "-json", str(path)], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out)[0]


def segment(marker: int, payload: bytes) -> bytes:
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def insert_after_soi(path: Path, *segments: bytes) -> Path:
    data = path.read_bytes()
    path.write_bytes(data[:2] + b"".join(segments) + data[2:])
    return path


def patch(path: Path, old: bytes, new: bytes) -> Path:
    data = path.read_bytes()
    assert data.count(old) == 1 and len(old) == len(new)
    path.write_bytes(data.replace(old, new))
    return path


@pytest.fixture
def info(movra):
    return lambda path: movra.GetImageFileInfo(str(path))


def assert_matches_exiftool(got: dict, ref: dict) -> None:
    assert got["has_exif"] is True
    assert got["camera_make"] == ref["Make"]
    assert got["camera_model"] == ref["Model"]
    assert got["date_time"] == ref.get("DateTimeOriginal", ref.get("ModifyDate"))
    assert got["orientation"] == ref.get("Orientation", 1)
    assert got["focal_length"] == pytest.approx(ref["FocalLength"])
    assert got["f_number"] == pytest.approx(ref["FNumber"])
    assert got["exposure_time"] == pytest.approx(ref["ExposureTime"])
    assert got["iso"] == ref["ISO"]
    assert got["has_gps"] is ("GPSLatitude" in ref and "GPSLongitude" in ref)
    if got["has_gps"]:
        assert got["gps_lat"] == pytest.approx(ref["GPSLatitude"], abs=1e-9)
        assert got["gps_lon"] == pytest.approx(ref["GPSLongitude"], abs=1e-9)
        assert got["gps_alt"] == pytest.approx(ref["GPSAltitude"], abs=1e-9)


class TestJpegExif:
    @pytest.mark.parametrize("order", ["II", "MM"])
    @pytest.mark.parametrize("lat,lon", [("N", "E"), ("S", "W")])
    def test_matches_exiftool(self, info, tmp_path, order, lat, lon):
        path = write(tmp_path / "photo.jpg", photo())
        exiftool_write(path, f"-ExifByteOrder={order}", *CAMERA_TAGS, "-Orientation#=3",
                       "-GPSLatitude=48 51 29.6", f"-GPSLatitudeRef={lat}",
                       "-GPSLongitude=2 17 40.2", f"-GPSLongitudeRef={lon}",
                       "-GPSAltitude=35.25", "-GPSAltitudeRef=0")
        ref = exiftool_read(path)
        assert ref["ExifByteOrder"] == order
        got = info(path)
        assert_matches_exiftool(got, ref)
        assert got["date_time"] == "2022:11:12 13:14:15"
        assert (got["gps_lat"] < 0) == (lat == "S") and (got["gps_lon"] < 0) == (lon == "W")
        assert (got["width"], got["height"], got["channels"], got["bit_depth"]) == (64, 48, 3, 8)

    @pytest.mark.parametrize("order", ["II", "MM"])
    def test_every_orientation_and_unrotated_size(self, info, tmp_path, order):
        path = write(tmp_path / "photo.jpeg", photo(30, 70))
        for orientation in range(1, 9):
            exiftool_write(path, f"-ExifByteOrder={order}", f"-Orientation#={orientation}")
            assert exiftool_read(path)["Orientation"] == orientation
            got = info(path)
            assert got["orientation"] == orientation
            # Size as stored, as OpenCV's unchanged read reports it: never rotated.
            assert (got["height"], got["width"]) == (30, 70)

    def test_date_time_original_of_spaces_keeps_date_time(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS)
        patch(path, b"2022:11:12 13:14:15\0", b" " * 20)
        got = info(path)
        assert got["date_time"] == "2023:04:05 06:07:08" == exiftool_read(path)["ModifyDate"]

    @pytest.mark.parametrize("order", ["II", "MM"])
    def test_text_ends_at_its_first_nul_as_exiftool_reads_it(self, info, tmp_path, order):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), f"-ExifByteOrder={order}",
                              "-Make=Cam  XY", "-Model=ION230XF")
        patch(path, b"ION230XF", b"ION230\0F")  # stale bytes behind a camera's NUL
        patch(path, b"Cam  XY", b"Cam  \0Y")
        ref = exiftool_read(path)
        got = info(path)
        assert got["camera_model"] == ref["Model"] == "ION230"
        assert got["camera_make"] == ref["Make"] == "Cam"

    def test_latitude_without_longitude_is_no_position(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), "-GPSLatitude=10.5",
                              "-GPSLatitudeRef=N", "-GPSAltitude=100")
        got = info(path)
        assert got["has_exif"] is True
        assert (got["has_gps"], got["gps_lat"], got["gps_lon"], got["gps_alt"]) == (
            False, 0.0, 0.0, 0.0)

    def test_exif_beyond_the_first_64_kib_is_not_read(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS)
        # Two segments still leave the EXIF segment inside the first 64 KiB...
        near = insert_after_soi(Path(shutil.copy(path, tmp_path / "near.jpg")),
                                segment(0xFE, b"c" * 30000), segment(0xE0, b"a" * 30000))
        assert info(near)["camera_make"] == "Movra Optics"
        # ...a large APP0 and a comment push it beyond; exiftool still finds it.
        far = insert_after_soi(Path(shutil.copy(path, tmp_path / "far.jpg")),
                               segment(0xE0, b"a" * 65000), segment(0xFE, b"c" * 2000))
        assert exiftool_read(far)["Make"] == "Movra Optics"
        got = info(far)
        assert got["has_exif"] is False and got["camera_make"] == ""
        # The frame header is beyond the scanned bytes too: the size comes from a decode.
        assert (got["width"], got["height"], got["channels"]) == (64, 48, 3)

    def test_jpe_is_unknown_sized_by_opencv_without_exif(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS)
        got = info(shutil.copy(path, tmp_path / "photo.jpe"))
        assert got["format"] == "Unknown"
        assert (got["width"], got["height"], got["channels"]) == (64, 48, 3)
        assert got["has_exif"] is False and got["camera_make"] == ""

    def test_upper_case_extension(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS)
        got = info(shutil.copy(path, tmp_path / "DSC0001.JPG"))
        assert got["format"] == "JPEG" and got["camera_model"] == "MX-1 Mark II"

    def test_text_that_is_not_utf8_is_replaced_not_raised(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), "-Make=Caf_X",
                              "-Model=Mod__", "-DateTimeOriginal=2022:11:12 13:14:15")
        patch(path, b"Caf_X", b"Caf\xe9X")  # Latin-1 e acute
        patch(path, b"Mod__", b"Mod\xff\xfe")  # vendor junk
        got = info(path)
        assert got["camera_make"] == "Caf\ufffdX"
        assert got["camera_model"] == "Mod\ufffd\ufffd"
        assert got["date_time"] == "2022:11:12 13:14:15"

    @pytest.mark.parametrize("progressive", [0, 1])
    @pytest.mark.parametrize("channels", [1, 3])
    def test_size_from_header_agrees_with_opencv(self, info, tmp_path, progressive, channels):
        path = write(tmp_path / "a.jpg", photo(37, 91, channels),
                     [cv2.IMWRITE_JPEG_PROGRESSIVE, progressive])
        ref = cv2.imread(str(path), cv2.IMREAD_UNCHANGED)
        got = info(path)
        assert (got["height"], got["width"]) == ref.shape[:2]
        assert got["channels"] == (ref.shape[2] if ref.ndim == 3 else 1)
        assert got["bit_depth"] == 8

    @pytest.mark.parametrize("switch", ["-arithmetic", "-rgb", "-grayscale", "-progressive"])
    def test_cjpeg_coding_processes_agree_with_opencv(self, info, tmp_path, switch):
        src = write(tmp_path / "src.ppm", photo(33, 65))
        path = tmp_path / "a.jpg"
        subprocess.run(["cjpeg", switch, "-outfile", str(path), str(src)], check=True)
        ref = cv2.imread(str(path), cv2.IMREAD_UNCHANGED)
        got = info(path)
        assert (got["height"], got["width"]) == ref.shape[:2] == (33, 65)
        assert got["channels"] == (ref.shape[2] if ref.ndim == 3 else 1)


class TestBrokenFiles:
    def test_hostile_exif_in_a_real_jpeg(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS,
                              "-GPSLatitude=1", "-GPSLongitude=2")
        data = bytearray(path.read_bytes())
        tiff = data.index(b"Exif\0\0") + 6
        byte_order = "<" if data[tiff:tiff + 2] == b"II" else ">"
        ifd0 = tiff + struct.unpack_from(byte_order + "I", data, tiff + 4)[0]
        count = struct.unpack_from(byte_order + "H", data, ifd0)[0]
        for i in range(count):
            entry = ifd0 + 2 + 12 * i
            # Every count and offset of IFD0 pointed near the end of the 32-bit range.
            struct.pack_into(byte_order + "II", data, entry + 4, 0xFFFFFFF0, 0xFFFFFFF8)
        struct.pack_into(byte_order + "H", data, ifd0, 0xFFFF)
        path.write_bytes(bytes(data))
        got = info(path)
        assert got["has_exif"] is True
        assert got["camera_make"] == "" and got["has_gps"] is False and got["iso"] == 0
        assert (got["width"], got["height"]) == (64, 48)

    @pytest.mark.parametrize("name,content", [
        ("missing.jpg", None),
        ("empty.jpg", b""),
        ("tiny.jpg", b"\xff\xd8\xff"),
        ("text.png", b"not an image at all"),
        ("bad.heic", b"\0\0\0\x18ftypheic" + b"\0" * 40),
        ("bad.jxl", b"\xff\x0a" + b"\0" * 10),
        ("noext", b"\x89PNG"),
    ])
    def test_bad_files_give_initial_values(self, info, tmp_path, name, content):
        path = tmp_path / name
        if content is not None:
            path.write_bytes(content)
        got = info(path)
        assert list(got) == KEYS
        assert (got["width"], got["height"], got["channels"], got["bit_depth"]) == (0, 0, 0, 0)
        assert got["has_exif"] is False and got["orientation"] == 1 and got["extra"] == {}

    def test_truncated_jpeg_keeps_its_exif(self, info, tmp_path):
        path = exiftool_write(write(tmp_path / "a.jpg", photo(400, 600)), *CAMERA_TAGS)
        data = path.read_bytes()
        path.write_bytes(data[:len(data) // 2])
        got = info(path)
        assert got["camera_make"] == "Movra Optics" and got["width"] == 600

    def test_directory_and_non_string_argument(self, movra, tmp_path):
        (tmp_path / "d.png").mkdir()
        assert movra.GetImageFileInfo(path=str(tmp_path / "d.png"))["width"] == 0
        with pytest.raises(TypeError):
            movra.GetImageFileInfo(42)


class TestOtherFormats:
    @pytest.mark.parametrize("channels", [1, 3, 4])
    @pytest.mark.parametrize("dtype,depth", [(np.uint8, 8), (np.uint16, 16)])
    def test_png(self, info, tmp_path, channels, dtype, depth):
        path = write(tmp_path / "a.png", photo(20, 30, channels, dtype))
        got = info(path)
        assert list(got) == KEYS
        assert (got["format"], got["width"], got["height"]) == ("PNG", 30, 20)
        assert (got["channels"], got["bit_depth"]) == (channels, depth)
        assert (got["has_exif"], got["orientation"], got["extra"]) == (False, 1, {})

    @pytest.mark.parametrize("name,dtype,depth", [
        ("a.tif", np.uint16, 16), ("a.tiff", np.float32, 32), ("a.tif", np.float64, 64),
        ("a.pgm", np.uint16, 16), ("a.bmp", np.uint8, 8), ("a.webp", np.uint8, 8),
    ])
    def test_formats_decoded_by_opencv(self, info, tmp_path, name, dtype, depth):
        channels = 1 if name.endswith((".pgm", ".tiff")) else 3
        img = photo(10, 12, channels, np.uint16 if dtype == np.uint16 else np.uint8)
        path = write(tmp_path / name, img.astype(dtype))
        got = info(path)
        fmt = {"tif": "TIFF", "tiff": "TIFF", "pgm": "PNM", "bmp": "BMP", "webp": "WebP"}
        assert got["format"] == fmt[name.rsplit(".", 1)[1]]
        assert (got["width"], got["height"], got["channels"], got["bit_depth"]) == (
            12, 10, channels, depth)

    def test_non_ascii_path(self, info, tmp_path):
        folder = tmp_path / "写真 été"
        folder.mkdir()
        path = exiftool_write(write(tmp_path / "a.jpg", photo()), *CAMERA_TAGS)
        got = info(shutil.copy(path, folder / "ñandú.jpg"))
        assert got["width"] == 64 and got["camera_make"] == "Movra Optics"

    @pytest.mark.parametrize("alpha", [False, True])
    def test_heif_size_alpha_and_exif(self, info, tmp_path, alpha):
        png = write(tmp_path / "src.png", photo(64, 96, 4 if alpha else 3))
        heic = tmp_path / "a.heic"
        subprocess.run(["heif-enc", "-q", "60", "-o", str(heic), str(png)], check=True,
                       capture_output=True)
        exiftool_write(heic, "-ExifByteOrder=MM", *CAMERA_TAGS, "-Orientation#=1",
                       "-GPSLatitude=12.5", "-GPSLatitudeRef=S", "-GPSLongitude=45.25",
                       "-GPSLongitudeRef=E", "-GPSAltitude=7")
        got = info(heic)
        assert (got["format"], got["width"], got["height"]) == ("HEIF", 96, 64)
        assert (got["channels"], got["bit_depth"]) == (4 if alpha else 3, 8)
        assert_matches_exiftool(got, exiftool_read(heic))

    def test_heif_ten_bit_without_exif(self, info, tmp_path):
        png = write(tmp_path / "src.png", photo(32, 48, 3, np.uint16))
        heic = tmp_path / "a.HEIF"
        subprocess.run(["heif-enc", "-b", "10", "-o", str(heic), str(png)], check=True,
                       capture_output=True)
        got = info(heic)
        assert (got["format"], got["width"], got["height"], got["bit_depth"]) == (
            "HEIF", 48, 32, 10)
        assert got["has_exif"] is False

    @pytest.mark.parametrize("channels,dtype,depth", [
        (1, np.uint8, 8), (3, np.uint8, 8), (4, np.uint8, 8), (4, np.uint16, 16),
    ])
    def test_jxl(self, info, tmp_path, channels, dtype, depth):
        png = write(tmp_path / "src.png", photo(24, 40, channels, dtype))
        jxl = tmp_path / "a.jxl"
        subprocess.run(["cjxl", "-q", "90", str(png), str(jxl)], check=True,
                       capture_output=True)
        got = info(jxl)
        assert (got["format"], got["width"], got["height"]) == ("JXL", 40, 24)
        # Grey + alpha would be 2; colour + alpha is colour channels + 1.
        assert (got["channels"], got["bit_depth"]) == (channels, depth)
