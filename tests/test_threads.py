"""Threads: native work runs without the interpreter lock, one engine is safe from many threads,
panels refuse other threads, and LoadImageAsync on both panel classes (success, failure,
supersede, destroy and exit while pending) in a real wx.App."""

import threading
import time

import numpy as np
import pytest

wx = pytest.importorskip("wx")
cv2 = pytest.importorskip("cv2")

import imagegen  # noqa: E402
from pyrun import run_python  # noqa: E402
from wxutil import embed, hidden_frames, settle, unraisable  # noqa: E402

CLASSES = ["MovraPanel", "MovraROIAdvPanel"]


@pytest.fixture(scope="module")
def big_png(tmp_path_factory):
    """Noise compresses badly, so this 12 MP PNG takes a good fraction of a second to decode."""
    img = np.random.default_rng(7).integers(0, 256, (3000, 4000, 3), dtype=np.uint8)
    return str(imagegen.write_cv(tmp_path_factory.mktemp("big") / "noise.png", img))


def ticks_during(work):
    """How often another thread, sleeping 1 ms between ticks, ran while `work()` was inside one
    call: about none when the call holds the interpreter lock throughout."""
    ticks = []
    stop = threading.Event()

    def ticker():
        while not stop.is_set():
            ticks.append(time.perf_counter())
            time.sleep(0.001)

    t = threading.Thread(target=ticker)
    t.start()
    time.sleep(0.02)
    start = time.perf_counter()
    work()
    end = time.perf_counter()
    stop.set()
    t.join()
    return sum(start < x < end for x in ticks), end - start


def test_long_native_calls_let_other_threads_run(movra, big_png, host):
    engine = movra.MovraEngine()
    assert engine.LoadImage(big_png)
    panel = movra.MovraROIAdvPanel(host.GetHandle())
    panel.SetEditingROI(movra.CvROIMode.Rectangle, [(0, 0), (4000, 3000)])
    calls = {
        "MovraEngine.LoadImage": lambda: engine.LoadImage(big_png),
        "MovraEngine.GaussianBlur": lambda: engine.GaussianBlur(31),
        "MovraEngine.Canny": lambda: engine.Canny(50, 150),
        "GetImageFileInfo": lambda: movra.GetImageFileInfo(big_png),
        "MovraROIAdvPanel.LoadImage": lambda: panel.LoadImage(big_png),
        "MovraROIAdvPanel.GetROIStats": lambda: panel.GetROIStats(),
    }
    for name, call in calls.items():
        ticks, took = ticks_during(call)
        if took < 0.05:
            continue  # too quick to tell on this machine
        assert ticks >= 5, f"{name}: {ticks} ticks of another thread in {took * 1000:.0f} ms"


def test_one_engine_from_four_threads_never_shows_a_torn_image(movra, tmp_path):
    engine = movra.MovraEngine()
    files = []
    for value in (40, 200):
        files.append(str(imagegen.write_cv(tmp_path / f"v{value}.png",
                                           np.full((600, 800, 3), value, np.uint8))))
    errors = []
    # An image from the start: a thread whose first call is a blur must find one.
    engine.SetMat(np.full((480, 640, 3), 1, np.uint8))

    def worker(k):
        try:
            for i in range(40):
                if (i + k) % 3 == 0:
                    engine.SetMat(np.full((480, 640, 3), 17 * k, np.uint8))
                elif (i + k) % 3 == 1:
                    assert engine.LoadImage(files[(i + k) % 2])
                else:
                    engine.GaussianBlur(5)
                img = engine.GetMat()
                rows, cols, channels = engine.GetImageSize()
                assert channels == 3 and rows in (480, 600)
                # Every operation here keeps an image uniform: one value means no torn copy.
                assert img.ndim == 3 and img.min() == img.max(), f"torn image in thread {k}"
        except Exception as e:  # reported to the main thread
            errors.append(e)

    threads = [threading.Thread(target=worker, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []


@pytest.mark.parametrize("cls", CLASSES)
def test_panel_methods_refuse_other_threads_and_change_nothing(movra, host, cls):
    panel = getattr(movra, cls)(host.GetHandle())
    panel.SetMat(np.full((30, 40, 3), 77, np.uint8))
    outcomes = {}

    def call_all():
        for name in dir(panel):
            if name.startswith("_"):
                continue
            try:
                getattr(panel, name)()
                outcomes[name] = None
            except Exception as e:
                outcomes[name] = e
        try:
            getattr(movra, cls)(host.GetHandle())
            outcomes["constructor"] = None
        except Exception as e:
            outcomes["constructor"] = e

    t = threading.Thread(target=call_all)
    t.start()
    t.join()
    refused = {n for n, e in outcomes.items() if isinstance(e, RuntimeError)}
    # Methods that need arguments fail their conversion first; all others must be refused.
    others = {n: e for n, e in outcomes.items()
              if n not in refused and "incompatible function arguments" not in str(e)}
    assert others == {}
    assert {"constructor", "IsOk", "GetMat", "Refresh", "SetZoomIn", "IsLoading"} <= refused
    message = str(outcomes["GetMat"])
    assert cls in message and "GUI thread" in message and "wx.CallAfter" in message
    assert (panel.GetMat() == 77).all() and panel.GetMat().shape == (30, 40, 3)


def wait_for(predicate, timeout=20.0):
    end = time.monotonic() + timeout
    while not predicate():
        assert time.monotonic() < end, "timed out waiting"
        settle(1)


@pytest.mark.parametrize("cls", CLASSES)
def test_async_load_shows_what_load_image_shows_then_calls_back(movra, host, cls, tmp_path):
    img = imagegen.pattern(300, 420, channels=1)
    path = str(imagegen.write_cv(tmp_path / "grey.png", img))
    before = np.full((20, 30, 3), 9, np.uint8)
    # The same steps on a second panel, with LoadImage: zoom rules included, the two must agree.
    sync = getattr(movra, cls)(host.GetHandle(), x=0, width=300, height=200)
    sync.SetMat(before)
    sync.SetZoomIn()
    assert sync.LoadImage(path)
    panel = getattr(movra, cls)(host.GetHandle(), x=400, width=300, height=200)
    panel.SetMat(before)
    calls = []
    panel.LoadImageAsync(path, lambda p, ok: calls.append((p, ok, panel.IsLoading())))
    # Returned at once: the old image is still there and can be changed.
    assert panel.IsLoading()
    assert np.array_equal(panel.GetMat(), before)
    panel.SetZoomIn()
    wait_for(lambda: calls)
    settle()
    assert calls == [(path, True, False)]
    assert np.array_equal(panel.GetMat(), sync.GetMat())
    if cls == "MovraROIAdvPanel":
        assert np.array_equal(panel.GetRawMat(), sync.GetRawMat())
        assert panel.GetLoadedImageInfo() == sync.GetLoadedImageInfo()
        assert panel.GetZoomFactor() == sync.GetZoomFactor()


@pytest.mark.parametrize("cls", CLASSES)
def test_async_load_failure_supersede_and_callback_errors(movra, host, cls, tmp_path, big_png):
    small = str(imagegen.write_cv(tmp_path / "small.png", np.full((50, 60, 3), 120, np.uint8)))
    broken = str(imagegen.write_bytes(tmp_path / "broken.png", b"\x89PNG\r\n\x1a\n" + b"x" * 99))
    panel = getattr(movra, cls)(host.GetHandle())
    before = np.full((20, 30, 3), 9, np.uint8)
    panel.SetMat(before)
    calls = []
    record = lambda p, ok: calls.append((p, ok))  # noqa: E731

    for bad in (broken, str(tmp_path / "missing.png")):
        panel.LoadImageAsync(bad, record)
        wait_for(lambda: len(calls) == 1)
        assert calls.pop() == (bad, False)
        assert np.array_equal(panel.GetMat(), before)

    # Each later call supersedes the pending load, whose callback gets False.
    panel.LoadImageAsync(big_png, record)
    panel.LoadImageAsync(big_png + "", record)
    assert calls == [(big_png, False)]
    panel.SetMat(before)
    assert calls == [(big_png, False)] * 2 and not panel.IsLoading()
    panel.LoadImageAsync(big_png, record)
    assert panel.LoadImage(small)
    panel.LoadImageAsync(big_png, record)
    panel.LoadImageAsync(small, record)
    wait_for(lambda: len(calls) == 5)
    settle(20)  # a dropped decode that finishes late must not show or call back
    assert calls[2:] == [(big_png, False), (big_png, False), (small, True)]
    assert panel.GetMat().shape == (50, 60, 3)

    with pytest.raises(TypeError, match="callable"):
        panel.LoadImageAsync(small, 5)
    assert not panel.IsLoading() and len(calls) == 5

    def failing(p, ok):
        raise ValueError("from the callback")

    with unraisable() as seen:
        panel.LoadImageAsync(small, failing)
        wait_for(lambda: not panel.IsLoading())
        settle()
    assert [t for t, _ in seen] == [ValueError]


@pytest.mark.parametrize("cls", CLASSES)
def test_destroying_the_host_or_the_panel_while_pending(movra, cls, big_png):
    calls = []
    for drop_wrapper in (False, True):
        frame = wx.Frame(None, size=(500, 400))
        host = wx.Panel(frame)
        frame.Show()
        settle()
        panel = getattr(movra, cls)(host.GetHandle())
        panel.LoadImageAsync(big_png, lambda p, ok: calls.append(ok))
        if drop_wrapper:
            del panel
        else:
            frame.Destroy()
        settle(80)  # long enough for the decode to end
        if not drop_wrapper:
            assert not panel.IsOk() and not panel.IsLoading()
        else:
            frame.Destroy()
            settle()
    assert calls == []


def test_a_callback_that_drops_its_own_panel(movra, host, tmp_path):
    path = str(imagegen.write_cv(tmp_path / "a.png", np.full((40, 40, 3), 5, np.uint8)))
    holder = {"panel": movra.MovraPanel(host.GetHandle())}
    calls = []

    def drop(p, ok):
        calls.append(ok)
        del holder["panel"]

    holder["panel"].LoadImageAsync(path, drop)
    wait_for(lambda: calls)
    settle()
    assert calls == [True]


@pytest.mark.parametrize("cls", CLASSES)
def test_a_panel_freed_on_a_worker_thread_goes_on_the_gui_thread(movra, host, cls, big_png):
    """The last reference may go on any thread: a reference cycle (a callback holding its own
    panel) is freed by whichever thread the garbage collector runs on. The window must stay
    until the event loop runs, then go, its pending load with it."""
    import gc

    holder = [embed(getattr(movra, cls), host)]
    holder[0].LoadImageAsync(big_png, lambda p, ok: holder[0].IsOk())
    if cls == "MovraROIAdvPanel":
        holder[0].SetOnMouseMoveCallback(lambda *a: holder[0].IsOk())
    stack = []

    def free():
        stack.append(holder.pop())
        del stack[:]  # the panel, and with it the lambdas' only way back to it
        gc.collect()

    worker = threading.Thread(target=free)
    worker.start()
    worker.join()
    assert len(host.GetChildren()) == 1  # untouched off the GUI thread
    settle(80)  # also long enough for the decode to end
    assert len(host.GetChildren()) == 0 and hidden_frames() == []


def test_interpreter_exit_while_loads_are_pending(big_png):
    proc = run_python(f"""
        import atexit, os

        def no_worker_left():
            names = [open(f"/proc/self/task/{{t}}/comm").read().strip()
                     for t in os.listdir("/proc/self/task")]
            print("workers", names.count("movra-load"), flush=True)

        atexit.register(no_worker_left)  # registered first, so it runs after the module's step
        import wx, MovraModule
        app = wx.App(False)
        frame = wx.Frame(None)
        host = wx.Panel(frame)
        frame.Show()
        panels = [MovraModule.MovraPanel(host.GetHandle()),
                  MovraModule.MovraROIAdvPanel(host.GetHandle())]
        for p in panels:
            p.LoadImageAsync({big_png!r}, lambda path, ok: print("callback", ok, flush=True))
        wx.Yield()
        print("leaving", flush=True)
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.split("\n")[-3:] == ["leaving", "workers 0", ""]
