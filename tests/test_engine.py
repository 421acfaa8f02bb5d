"""MovraEngine in memory, and how arrays cross the boundary, checked against OpenCV's own
Python binding and NumPy."""

import cv2
import numpy as np
import pytest

DIM_ERROR = "Number of dimensions must be 2 or 3"


@pytest.fixture
def engine(movra):
    return movra.MovraEngine()


def random_image(shape, seed=0):
    return np.random.default_rng(seed).integers(0, 256, shape, dtype=np.uint8)


# --- arrays in and out -------------------------------------------------------------------

@pytest.mark.parametrize("shape, out_shape", [
    ((480, 640), (480, 640)),
    ((10, 20, 3), (10, 20, 3)),
    ((10, 20, 4), (10, 20, 4)),
    ((10, 20, 1), (10, 20)),
    ((1, 1), (1, 1)),
])
def test_arrays_round_trip_with_identical_bytes(engine, shape, out_shape):
    img = random_image(shape)
    engine.SetMat(img)
    out = engine.GetMat()
    assert out.dtype == np.uint8 and out.shape == out_shape
    assert out.flags.c_contiguous and out.flags.owndata
    np.testing.assert_array_equal(out, img.reshape(out_shape))


def test_unusual_channel_count_takes_first_rows_times_cols_bytes(engine):
    img = random_image((10, 20, 2))
    engine.SetMat(img)
    np.testing.assert_array_equal(engine.GetMat(), img.reshape(-1)[:200].reshape(10, 20))


@pytest.mark.parametrize("make_view", [
    lambda a: a[:, ::2],
    lambda a: a[::-1],
    lambda a: a[:, ::-1],
    lambda a: np.swapaxes(a, 0, 1),
    lambda a: a[3:17:3, 5:40:4],
    lambda a: a[..., :3],          # three channels of a four-channel buffer
    lambda a: a[..., ::-1],        # channels reversed (BGRA -> ARGB order)
    lambda a: a[..., 0],           # one channel, stride 4
])
def test_views_are_taken_as_numpy_shows_them(engine, make_view):
    base = random_image((30, 50, 4), seed=3)
    view = make_view(base)
    engine.SetMat(view)
    expected = np.ascontiguousarray(view)
    if expected.ndim == 3 and expected.shape[2] == 1:
        expected = expected[..., 0]
    np.testing.assert_array_equal(engine.GetMat(), expected)


def test_arrays_are_copied_both_ways(engine):
    img = random_image((8, 9, 3))
    original = img.copy()
    engine.SetMat(img)
    img[:] = 0
    out = engine.GetMat()
    np.testing.assert_array_equal(out, original)
    out[:] = 7
    np.testing.assert_array_equal(engine.GetMat(), original)


def test_other_element_types_are_force_cast(engine):
    engine.SetMat(np.array([[0.0, 127.9, 255.0]], dtype=np.float64))
    np.testing.assert_array_equal(engine.GetMat(), [[0, 127, 255]])
    engine.SetMat([[1, 2], [3, 4]])  # nested sequences are arrays too
    np.testing.assert_array_equal(engine.GetMat(), [[1, 2], [3, 4]])
    engine.SetMat(np.array([[True, False]]))
    np.testing.assert_array_equal(engine.GetMat(), [[1, 0]])


@pytest.mark.parametrize("bad, message", [
    (np.zeros(5, np.uint8), DIM_ERROR),
    (np.zeros((2, 3, 4, 5), np.uint8), DIM_ERROR),
    (np.uint8(7), DIM_ERROR),
    (np.zeros((4, 5, 0), np.uint8), "Array has no channels"),
])
def test_bad_shapes_raise_and_keep_the_image(engine, bad, message):
    img = random_image((6, 7, 3))
    engine.SetMat(img)
    with pytest.raises(RuntimeError, match=f"^{message}$"):
        engine.SetMat(bad)
    np.testing.assert_array_equal(engine.GetMat(), img)


@pytest.mark.parametrize("bad", [object(), "abc", None, {"a": 1}])
def test_non_arrays_are_type_errors(engine, bad):
    with pytest.raises(TypeError):
        engine.SetMat(bad)


@pytest.mark.parametrize("shape", [(0, 5), (5, 0), (0, 0, 3)])
def test_zero_sized_arrays_make_an_empty_image(engine, shape):
    engine.SetMat(random_image((3, 3)))
    engine.SetMat(np.zeros(shape, np.uint8))
    assert not engine.HasImage()
    assert engine.GetImageSize() == (0, 0, 0)
    assert engine.GetMat().shape == (0,)


# --- engine state and operations ----------------------------------------------------------

def test_new_engine_is_empty_and_operations_do_nothing(engine):
    assert engine.HasImage() is False
    assert engine.GetImageSize() == (0, 0, 0)
    assert engine.GetMat().shape == (0,) and engine.GetMat().dtype == np.uint8
    assert engine.Canny(50, 150).shape == (0,)
    engine.ConvertToGray()
    engine.Resize(100, 100)
    engine.GaussianBlur(5)
    assert engine.GetImageSize() == (0, 0, 0)
    assert engine.SaveImage("/nonexistent/never.png") is False


def test_clear_empties_the_engine(engine):
    engine.SetMat(random_image((480, 640, 3)))
    assert engine.GetImageSize() == (480, 640, 3) and engine.HasImage()
    engine.Clear()
    assert not engine.HasImage() and engine.GetMat().shape == (0,)


@pytest.mark.parametrize("args, size", [
    ((320, 0), (240, 320)),
    ((0, 100), (100, 133)),      # width trunc(100 / 480 * 640) = 133
    ((-5, 120), (120, 160)),
    ((100, 50), (50, 100)),
])
def test_resize_keeps_aspect_for_a_missing_extent(engine, args, size):
    img = random_image((480, 640, 3))
    engine.SetMat(img)
    engine.Resize(*args)
    assert engine.GetImageSize() == (*size, 3)
    np.testing.assert_array_equal(
        engine.GetMat(), cv2.resize(img, (size[1], size[0]), interpolation=cv2.INTER_LINEAR))


def test_resize_passes_the_interpolation(engine, movra):
    img = random_image((31, 47))
    for flag in (movra.INTER_NEAREST, movra.INTER_AREA, movra.INTER_CUBIC, movra.INTER_LANCZOS4):
        engine.SetMat(img)
        engine.Resize(20, 13, flag)
        np.testing.assert_array_equal(engine.GetMat(), cv2.resize(img, (20, 13), interpolation=flag))


def test_resize_to_nothing_does_nothing(engine):
    img = random_image((48, 64))
    engine.SetMat(img)
    engine.Resize(0, 0)
    engine.Resize(-3, -1)
    np.testing.assert_array_equal(engine.GetMat(), img)


@pytest.mark.parametrize("call", [
    lambda e: e.Resize(8, 8, 99),          # unknown interpolation
    lambda e: e.Resize(0, 5),              # computed width trunc(5 / 1000 * 10) = 0
    lambda e: e.GaussianBlur(-4),          # negative kernel without sigma
])
def test_opencv_refusals_raise_and_keep_the_image(engine, call):
    img = random_image((1000, 10))
    engine.SetMat(img)
    with pytest.raises((RuntimeError, MemoryError)):
        call(engine)
    np.testing.assert_array_equal(engine.GetMat(), img)


@pytest.mark.parametrize("call", [
    lambda e: e.GaussianBlur(100001),          # ran for minutes
    lambda e: e.GaussianBlur(2**31 - 1),       # a kernel of gigabytes
    lambda e: e.GaussianBlur(81),              # just wider than twice the 40 px side
    lambda e: e.GaussianBlur(-1, 1e9),         # the size OpenCV would derive from sigma
    lambda e: e.Resize(2**31 - 1, 2**31 - 1),
    lambda e: e.Resize(30000, 30000),          # 2.7 GB of three channels
    lambda e: e.Resize(0, 2**31 - 1),          # the derived width, in bytes, too
])
def test_senseless_sizes_are_refused_at_once_and_keep_the_image(engine, call):
    img = random_image((30, 40, 3))
    engine.SetMat(img)
    with pytest.raises(ValueError):
        call(engine)
    np.testing.assert_array_equal(engine.GetMat(), img)
    # The largest kernel still taken works as before.
    engine.GaussianBlur(79)
    np.testing.assert_array_equal(
        engine.GetMat(), cv2.GaussianBlur(img, (79, 79), 0, borderType=cv2.BORDER_REFLECT_101))


def test_integer_arguments_refuse_floats(engine):
    engine.SetMat(random_image((4, 4)))
    with pytest.raises(TypeError):
        engine.Resize(2.5, 2)
    with pytest.raises(TypeError):
        engine.GaussianBlur(3.0)


@pytest.mark.parametrize("kernel, sigma, effective", [(4, 0.0, 5), (5, 0.0, 5), (0, 2.0, 1),
                                                      (6, 1.5, 7)])
def test_gaussian_blur_rounds_the_kernel_up_to_odd(engine, kernel, sigma, effective):
    img = random_image((40, 50, 3))
    engine.SetMat(img)
    engine.GaussianBlur(kernel, sigma)
    np.testing.assert_array_equal(
        engine.GetMat(), cv2.GaussianBlur(img, (effective, effective), sigma, borderType=cv2.BORDER_REFLECT_101))


def test_gaussian_blur_keyword_names(engine):
    img = random_image((20, 20))
    engine.SetMat(img)
    engine.GaussianBlur(kernel_size=3, sigma=1.0)
    np.testing.assert_array_equal(engine.GetMat(), cv2.GaussianBlur(img, (3, 3), 1.0))


def test_convert_to_gray_by_channel_count(engine):
    bgr = random_image((30, 40, 3))
    engine.SetMat(bgr)
    engine.ConvertToGray()
    np.testing.assert_array_equal(engine.GetMat(), cv2.cvtColor(bgr, cv2.COLOR_BGR2GRAY))

    bgra = random_image((30, 40, 4))
    engine.SetMat(bgra)
    engine.ConvertToGray()
    np.testing.assert_array_equal(engine.GetMat(), cv2.cvtColor(bgra, cv2.COLOR_BGRA2GRAY))

    grey = random_image((30, 40))
    engine.SetMat(grey)
    engine.ConvertToGray()
    np.testing.assert_array_equal(engine.GetMat(), grey)


def test_canny_outlines_a_white_square_and_keeps_the_image(engine):
    img = np.zeros((64, 80, 3), np.uint8)
    img[16:48, 20:60] = 255
    engine.SetMat(img)
    edges = engine.Canny(threshold1=50, threshold2=150)
    assert edges.shape == (64, 80) and edges.dtype == np.uint8
    assert set(np.unique(edges)) == {0, 255}
    assert engine.GetImageSize() == (64, 80, 3)
    # Every edge pixel lies on the square's border (one pixel either side), none elsewhere.
    ys, xs = np.nonzero(edges)
    on_border = ((np.abs(ys - 15.5) <= 1) | (np.abs(ys - 47.5) <= 1) |
                 (np.abs(xs - 19.5) <= 1) | (np.abs(xs - 59.5) <= 1))
    assert on_border.all()
    inside = (ys >= 15) & (ys <= 48) & (xs >= 19) & (xs <= 60)
    assert inside.all()
    # The outline is closed: every border row and column has edge pixels.
    assert all(edges[y, 19:61].any() for y in range(16, 48))


@pytest.mark.parametrize("shape, code", [((50, 60, 3), cv2.COLOR_BGR2GRAY),
                                         ((50, 60, 4), cv2.COLOR_BGRA2GRAY),
                                         ((50, 60), None)])
def test_canny_matches_opencv(engine, shape, code):
    img = cv2.GaussianBlur(random_image(shape, seed=5), (5, 5), 2)
    engine.SetMat(img)
    grey = img if code is None else cv2.cvtColor(img, code)
    np.testing.assert_array_equal(engine.Canny(20, 60), cv2.Canny(grey, 20, 60))
