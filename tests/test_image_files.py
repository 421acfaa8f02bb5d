"""Image files through MovraEngine.LoadImage / SaveImage: Unicode paths, the extension rules,
HEIF and JPEG XL decoding against the reference decoders, and bad input of every kind."""

import os
from pathlib import Path

import cv2
import numpy as np
import pytest

import imagegen

IMREAD_UNCHANGED = -1
IMREAD_GRAYSCALE = 0

HEIF_READ_FAILED = "Failed to read HEIC file: "
HEIF_YCBCR = "YCbCr color space detected. Performing conversion."
JXL_ERROR = "JXL decode error or unexpected input state."

UNICODE_NAMES = ["写真", "été à Zürich", "emoji 😀🎉", "with  spaces", "Ελληνικά-ключ"]


@pytest.fixture
def engine(movra):
    return movra.MovraEngine()


def cv_read(path, flags=cv2.IMREAD_COLOR):
    """OpenCV's own decode of the file's bytes: the independent reference for OpenCV formats."""
    return cv2.imdecode(np.fromfile(str(path), np.uint8), flags)


def err_lines(capfd):
    return [line for line in capfd.readouterr().err.splitlines()
            if not line.startswith("[MovraModule-Debug]")]


def diff_stats(a, b):
    d = np.abs(a.astype(np.int32) - b.astype(np.int32))
    return d.mean(), np.percentile(d, 99)


# --- Unicode paths and OpenCV formats --------------------------------------------------------

@pytest.mark.parametrize("name", UNICODE_NAMES)
@pytest.mark.parametrize("ext", [".png", ".jpg", ".tiff", ".bmp", ".webp"])
def test_save_and_load_round_trip_at_unicode_paths(engine, tmp_path, name, ext):
    img = imagegen.pattern(37, 53)
    path = tmp_path / (name + ext)
    engine.SetMat(img)
    assert engine.SaveImage(str(path)) is True
    assert os.listdir(tmp_path) == [name + ext]  # exactly that name, no mangling
    engine.Clear()
    assert engine.LoadImage(str(path)) is True
    got = engine.GetMat()
    np.testing.assert_array_equal(got, cv_read(path))  # the file's own decode
    if ext == ".jpg":
        assert diff_stats(got, img)[0] < 8  # lossy, but the same picture
    else:
        np.testing.assert_array_equal(got, img)


def test_path_without_a_dot_is_png(engine, tmp_path):
    img = imagegen.pattern(20, 30)
    path = tmp_path / "データ"
    engine.SetMat(img)
    assert engine.SaveImage(str(path))
    assert path.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    engine.Clear()
    assert engine.LoadImage(str(path))
    np.testing.assert_array_equal(engine.GetMat(), img)


def test_dot_only_in_a_folder_name_still_saves_png(engine, tmp_path):
    folder = tmp_path / "dir.old"
    folder.mkdir()
    engine.SetMat(imagegen.pattern(8, 8))
    assert engine.SaveImage(str(folder / "file"))
    assert (folder / "file").read_bytes()[:4] == b"\x89PNG"


def test_flags_reach_opencv_only(engine, tmp_path, movra):
    grey = imagegen.pattern(30, 40, channels=1)
    png = imagegen.write_cv(tmp_path / "g.png", grey)
    assert engine.LoadImage(str(png))
    assert engine.GetMat().shape == (30, 40, 3)           # default IMREAD_COLOR
    assert engine.LoadImage(str(png), IMREAD_UNCHANGED)
    np.testing.assert_array_equal(engine.GetMat(), grey)
    # The HEIF decoder ignores flags: a grey request still gives its native colour layout.
    heic = imagegen.make_heif(tmp_path / "c.HEIC", imagegen.pattern(32, 48))
    assert engine.LoadImage(str(heic), IMREAD_GRAYSCALE)
    assert engine.GetMat().shape == (32, 48, 3)


def test_sixteen_bit_file_saturates_to_eight_bits(engine, tmp_path):
    deep = np.array([[0, 100, 255, 256], [1000, 40000, 65535, 7]], np.uint16)
    png = imagegen.write_cv(tmp_path / "deep.png", deep)
    assert engine.LoadImage(str(png), IMREAD_UNCHANGED)
    np.testing.assert_array_equal(engine.GetMat(),
                                  [[0, 100, 255, 255], [255, 255, 255, 7]])


def test_extension_decides_the_decoder_case_blind(engine, tmp_path, capfd):
    img = imagegen.pattern(24, 32)
    jxl = imagegen.make_jxl(tmp_path / "photo.jpeg.JXL", img)
    assert engine.LoadImage(str(jxl))
    np.testing.assert_array_equal(engine.GetMat(), img)
    # PNG bytes behind a .heif name go to the HEIF decoder, which refuses them.
    fake = imagegen.write_cv(tmp_path / "fake.Heif", img, ".png")
    capfd.readouterr()
    assert not engine.LoadImage(str(fake))
    assert err_lines(capfd)[0].startswith(HEIF_READ_FAILED)
    # A JPEG XL without extension goes to OpenCV, which cannot read it.
    bare = tmp_path / "bare"
    bare.write_bytes(jxl.read_bytes())
    assert not engine.LoadImage(str(bare))


# --- HEIF against heif-dec -------------------------------------------------------------------

# Same samples, but heif-dec upsamples 4:2:0/4:2:2 chroma with its own filter and chroma
# siting (we interpolate between sample centres), and rounds its RGB conversion differently:
# about one level on average, up to ~8 only along the hard colour edges of the pattern, where
# a half-pixel shift of chroma shows most. Garbage (wrong plane order, unscaled 10-bit samples,
# misaligned odd-size chroma) is off by tens of levels almost everywhere. Small images are all
# edge, so the odd sizes use a flat colour or the pattern without blocks at a size where one
# row or column is a small step.
HEIF_MEAN_TOLERANCE = 1.5
HEIF_P99_TOLERANCE = 10

HEIF_CASES = {
    "8bit_420": dict(img=imagegen.pattern(), chroma="420"),
    "8bit_422": dict(img=imagegen.pattern(), chroma="422"),
    "8bit_444": dict(img=imagegen.pattern(), chroma="444"),
    "alpha": dict(img=imagegen.pattern(channels=4)),
    "10bit": dict(img=imagegen.pattern(depth=16), bit_depth=10),
    "12bit": dict(img=imagegen.pattern(depth=16), bit_depth=12),
    "odd_tiny": dict(img=np.full((3, 5, 3), (40, 120, 200), np.uint8)),
    "odd_wide": dict(img=imagegen.pattern(99, 1001, blocks=False)),
    "odd_10bit_422": dict(img=imagegen.pattern(63, 129, depth=16, blocks=False), bit_depth=10,
                          chroma="422"),
}


@pytest.mark.parametrize("case", HEIF_CASES)
def test_heif_matches_heif_dec(engine, tmp_path, capfd, case):
    options = dict(HEIF_CASES[case])
    img = options.pop("img")
    heic = imagegen.make_heif(tmp_path / f"{case} 画像.heic", img, **options)
    ref = imagegen.reference_heif(heic)[..., :3]  # alpha is not decoded from YCbCr files
    capfd.readouterr()
    assert engine.LoadImage(str(heic))
    assert err_lines(capfd) == [HEIF_YCBCR]
    got = engine.GetMat()
    assert got.shape == img.shape[:2] + (3,)
    mean, p99 = diff_stats(got, ref)
    assert mean <= HEIF_MEAN_TOLERANCE and p99 <= HEIF_P99_TOLERANCE, (mean, p99)


def test_lossless_heif_is_exact(engine, tmp_path):
    # Lossless files are coded as RGB and decoded as planar RGB, not through YCbCr.
    img = imagegen.pattern(33, 47)
    heic = imagegen.make_heif(tmp_path / "l.heic", img, lossless=True)
    assert engine.LoadImage(str(heic))
    np.testing.assert_array_equal(engine.GetMat(), img)


def test_monochrome_heif_is_unsupported(engine, tmp_path, capfd):
    heic = imagegen.make_heif(tmp_path / "g.heic", imagegen.pattern(16, 16, channels=1))
    capfd.readouterr()
    assert not engine.LoadImage(str(heic))
    assert err_lines(capfd) == ["Unsupported color space."]
    assert not engine.HasImage()


# --- JPEG XL against djxl --------------------------------------------------------------------

JXL_CASES = {
    "grey_lossless": (1, 0.0),
    "colour_lossless": (3, 0.0),
    "alpha_lossless": (4, 0.0),
    "colour_lossy": (3, 1.0),
    "grey_lossy": (1, 1.5),
    "alpha_lossy": (4, 1.0),
}


@pytest.mark.parametrize("case", JXL_CASES)
def test_jxl_matches_djxl(engine, tmp_path, capfd, case):
    channels, distance = JXL_CASES[case]
    img = imagegen.pattern(61, 97, channels=channels)
    jxl = imagegen.make_jxl(tmp_path / f"{case} 😀.jxl", img, distance=distance)
    ref = imagegen.reference_jxl(jxl)
    if ref.ndim == 3 and channels == 1:
        ref = ref[..., 0]          # OpenCV reads a grey+alpha PNG as BGRA
    elif ref.ndim == 3:
        ref = ref[..., :3]         # alpha is dropped
    capfd.readouterr()
    assert engine.LoadImage(str(jxl))
    assert err_lines(capfd) == []
    got = engine.GetMat()
    assert got.shape == ref.shape == img.shape[:2] + ((3,) if channels > 1 else ())
    # Same library, same 8-bit output: identical to djxl, and lossless also to the source.
    np.testing.assert_array_equal(got, ref)
    if distance == 0:
        np.testing.assert_array_equal(got, img[..., :3] if channels == 4 else img)


# --- bad input -------------------------------------------------------------------------------

def _good_files(tmp_path):
    img = imagegen.pattern(64, 80)
    files = {ext: imagegen.write_cv(tmp_path / f"good{ext}", img)
             for ext in (".png", ".jpg", ".tiff", ".bmp", ".webp")}
    files[".heic"] = imagegen.make_heif(tmp_path / "good.heic", img)
    files[".jxl"] = imagegen.make_jxl(tmp_path / "good.jxl", img, distance=1.0)
    return files


@pytest.fixture(scope="module")
def good_files(tmp_path_factory):
    return _good_files(tmp_path_factory.mktemp("good"))


def _check_failure_message(ext, lines):
    # Exactly one line of ours; the codec libraries (libpng, OpenCV's log, libjxl, the HEVC
    # plugin) may print their own diagnostics around it, which are not ours to control.
    ours = [l for l in lines if l.startswith(("Failed to ", "Error", "Unsupported", "JXL "))]
    if ext == ".jxl":
        assert ours == [JXL_ERROR], lines
    elif ext == ".heic":
        assert len(ours) == 1, lines
    else:
        assert ours == [], lines


@pytest.mark.parametrize("ext", [".png", ".jpg", ".tiff", ".bmp", ".webp", ".heic", ".jxl"])
def test_truncated_files_fail_cleanly(engine, tmp_path, capfd, good_files, ext):
    data = good_files[ext].read_bytes()
    for cut in (0, 1, 8, 40, len(data) // 3, len(data) // 2):
        engine.SetMat(imagegen.pattern(4, 4))
        path = imagegen.write_bytes(tmp_path / f"cut{cut}{ext}", data[:cut])
        capfd.readouterr()
        ok = engine.LoadImage(str(path))
        assert engine.HasImage() is ok
        if cut < 64 or ext in (".heic", ".jxl"):
            assert not ok, cut
            _check_failure_message(ext, err_lines(capfd))


@pytest.mark.parametrize("ext", [".png", ".jpg", ".tiff", ".bmp", ".webp", ".heic", ".jxl"])
def test_corrupted_bytes_never_crash(engine, tmp_path, good_files, ext):
    data = good_files[ext].read_bytes()
    rng = np.random.default_rng(7)
    for trial in range(12):
        buf = bytearray(data)
        for pos in rng.integers(0, len(buf), 1 + trial * 3):
            buf[pos] ^= 0xFF
        path = imagegen.write_bytes(tmp_path / f"bad{trial}{ext}", bytes(buf))
        ok = engine.LoadImage(str(path))
        assert engine.HasImage() is ok
        if ok:
            h, w = engine.GetImageSize()[:2]
            assert 0 < h <= 4096 and 0 < w <= 4096


@pytest.mark.parametrize("ext, message", [
    (".png", None), (".jpg", None), ("", None),
    (".heic", HEIF_READ_FAILED), (".HEIF", HEIF_READ_FAILED), (".jxl", JXL_ERROR),
])
def test_missing_directory_and_empty_paths_empty_the_engine(engine, tmp_path, capfd, ext,
                                                           message):
    (tmp_path / f"folder{ext}").mkdir()
    (tmp_path / f"zero{ext}").write_bytes(b"")
    for name in (f"missing{ext}", f"folder{ext}", f"zero{ext}", f"nodir/x{ext}"):
        engine.SetMat(imagegen.pattern(4, 4))
        capfd.readouterr()
        assert engine.LoadImage(str(tmp_path / name)) is False, name
        assert not engine.HasImage() and engine.GetImageSize() == (0, 0, 0)
        lines = err_lines(capfd)
        if message is None:
            assert lines == [], name
        else:
            assert [l for l in lines if l.startswith(message)] == lines[-1:], (name, lines)


def test_embedded_nul_never_opens_the_shorter_path(engine, tmp_path):
    good = imagegen.write_cv(tmp_path / "real.png", imagegen.pattern(8, 8))
    assert engine.LoadImage(str(good) + "\0.bmp") is False
    engine.SetMat(imagegen.pattern(8, 8))
    assert engine.SaveImage(str(tmp_path / "cut") + "\0.png") is False
    assert sorted(os.listdir(tmp_path)) == ["real.png"]


def test_file_over_int_max_raises_and_leaves_the_engine_empty(engine, tmp_path):
    big = tmp_path / "big.png"
    with open(big, "wb") as f:
        f.truncate(2**31)  # sparse: takes no space, and must be refused before it is read
    engine.SetMat(imagegen.pattern(4, 4))
    with pytest.raises(RuntimeError, match="Must not be larger than INT_MAX"):
        engine.LoadImage(str(big))
    assert not engine.HasImage()


# --- saving failures -------------------------------------------------------------------------

def test_save_failures(engine, tmp_path):
    assert engine.SaveImage(str(tmp_path / "empty.png")) is False  # empty engine
    engine.SetMat(imagegen.pattern(8, 8))
    assert engine.SaveImage(str(tmp_path / "no" / "such" / "dir.png")) is False
    (tmp_path / "isdir.png").mkdir()
    assert engine.SaveImage(str(tmp_path / "isdir.png")) is False
    with pytest.raises(RuntimeError):
        engine.SaveImage(str(tmp_path / "x.unknownext"))
    assert sorted(os.listdir(tmp_path)) == ["isdir.png"]
    assert engine.SaveImage("/dev/full") is False  # the write itself fails
    assert Path("/dev/full").exists()


def test_save_overwrites_an_existing_file(engine, tmp_path):
    path = tmp_path / "over.png"
    path.write_bytes(b"x" * 100000)
    img = imagegen.pattern(10, 10)
    engine.SetMat(img)
    assert engine.SaveImage(str(path))
    np.testing.assert_array_equal(cv_read(path), img)


def test_consecutive_loads_each_give_their_own_file(engine, tmp_path, movra):
    """Loads reuse the held image's memory for same-sized files: every load must still show
    exactly its own file, and a failure in between must not bring back an older image."""
    rng = np.random.default_rng(11)
    frames = [rng.integers(0, 256, (48, 64, 3), dtype=np.uint8) for _ in range(3)]
    paths = []
    for i, frame in enumerate(frames):
        paths.append(tmp_path / f"frame{i}.png")
        assert cv2.imwrite(str(paths[i]), frame)
    other = tmp_path / "other.png"
    assert cv2.imwrite(str(other), frames[0][:20, :30])
    bad = imagegen.write_bytes(tmp_path / "bad.png", paths[1].read_bytes()[:100])

    for path, expected in [(paths[0], frames[0]), (paths[1], frames[1]),
                           (other, frames[0][:20, :30]), (paths[2], frames[2]), (bad, None), (paths[0], frames[0]),
                           (tmp_path / "missing.png", None), (paths[1], frames[1])]:
        held = engine.GetMat()
        ok = engine.LoadImage(str(path))
        if expected is None:
            assert not ok and engine.GetMat().shape == (0,)
        else:
            assert ok
            np.testing.assert_array_equal(engine.GetMat(), expected)
        # An array handed out earlier is the caller's own copy: later loads never change it.
        if held.size:
            assert not np.shares_memory(held, engine.GetMat())
    grey = engine.LoadImage(str(paths[2]), movra.IMREAD_GRAYSCALE)
    assert grey and engine.GetImageSize() == (48, 64, 1)
    np.testing.assert_array_equal(engine.GetMat(), cv_read(paths[2], cv2.IMREAD_GRAYSCALE))
