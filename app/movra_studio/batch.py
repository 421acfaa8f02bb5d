"""Measuring every image of a folder with a set of ROIs, on several threads, without a window:
the command line's --measure and the Studio's File > Measure Folder use it alike. Each file is
decoded by MovraEngine (as it arrived: its own channels) and measured by MeasureROIs, the ROI
panel's own measurement; both run without the interpreter lock, so threads overlap."""

import concurrent.futures
import os
import sys
import threading

import numpy as np

from . import folder_nav, measurements, roi_set


class FileResult:
    """The rows of one file, and whether it could be measured."""

    def __init__(self, path, rows, ok):
        self.path, self.rows, self.ok = path, rows, ok


def measure_image(movra, image, name, rois):
    """Rows for an image (an array or a MovraEngine) with the ROI entries (id, name, data)."""
    stats = movra.MeasureROIs(image, [data for _, _, data in rois])
    return [measurements.stats_row(name, roi_id, roi_name, data.get("mode", 0), s)
            for (roi_id, roi_name, data), s in zip(rois, stats)]


def measure_file(movra, path, rois, engine=None):
    """The FileResult of one image file; a file that cannot be decoded gives one error row per
    ROI. `engine`, a MovraEngine kept from file to file, decodes into the memory of the last
    image (fresh memory for every 12 MP image costs half as much again as its decode)."""
    name = os.path.basename(path)
    engine = engine or movra.MovraEngine()
    try:
        ok = engine.LoadImage(path, movra.IMREAD_UNCHANGED)
        why = "not an image this program can read, or damaged"
    except RuntimeError as e:
        ok, why = False, f"cannot be decoded ({e})"
    if ok and engine.HasImage():
        # Measured inside the engine: a copy of a 12 MP image would cost a fifth of its decode.
        return FileResult(path, measure_image(movra, engine, name, rois), True)
    return FileResult(path, [measurements.error_row(name, i, n, why) for i, n, _ in rois], False)


def default_threads():
    return os.cpu_count() or 1


def measure_files(movra, paths, rois, threads=None, progress=None, cancel=None):
    """FileResults of `paths`, in their order, measured on `threads` threads. progress(done,
    total) is called from the measuring threads after each file; once `cancel` (an Event) is
    set no further file starts, and only the files finished so far are returned."""
    threads = max(1, threads or default_threads())
    total = len(paths)
    done = 0
    lock = threading.Lock()
    cancel = cancel or threading.Event()
    engines = threading.local()  # one per thread: an engine is not shared between threads

    def one(path):
        nonlocal done
        if cancel.is_set():
            return None
        if not hasattr(engines, "engine"):
            engines.engine = movra.MovraEngine()
        result = measure_file(movra, path, rois, engines.engine)
        with lock:
            done += 1
            count = done
        if progress is not None:
            progress(count, total)
        return result

    with concurrent.futures.ThreadPoolExecutor(max_workers=threads) as pool:
        try:
            results = list(pool.map(one, paths))
        except BaseException:
            # Ctrl+C: the queued files must not all be read before the pool lets go.
            cancel.set()
            raise
    return [r for r in results if r is not None]


# --- the command line


class UsageError(Exception):
    """Bad arguments or an unusable ROI file: exit status 1."""


def _terminal_progress(stream):
    def show(done, total):
        stream.write(f"\rmeasured {done}/{total} files")
        if done == total:
            stream.write("\n")
        stream.flush()
    return show


def run(movra, folder, rois_path, csv_path, threads=None, stderr=sys.stderr):
    """The --measure command: exit status 0 when every file was measured, 2 when some could
    not be; UsageError for bad arguments or a ROI file that cannot be used."""
    if threads is not None and threads < 1:
        raise UsageError("--threads must be 1 or more")
    if not os.path.isdir(folder):
        raise UsageError(f"{folder}: not a folder")
    try:
        rois = roi_set.load(rois_path)
    except OSError as e:
        raise UsageError(f"{rois_path}: cannot be read ({e.strerror or e})") from None
    except ValueError as e:
        raise UsageError(f"{rois_path}: not a usable ROI file ({e})") from None
    try:
        paths = folder_nav.image_files(folder)
    except OSError as e:
        raise UsageError(f"{folder}: cannot be listed ({e.strerror or e})") from None
    try:
        # Checked before the work, so that a bad data set is reported at once.
        movra.MeasureROIs(np.zeros((1, 1), np.uint8), [data for _, _, data in rois])
    except (TypeError, ValueError) as e:
        raise UsageError(f"{rois_path}: {e}") from None
    try:
        out = open(csv_path, "w", encoding="utf-8", newline="")
    except OSError as e:
        raise UsageError(f"{csv_path}: cannot be written ({e.strerror or e})") from None
    progress = _terminal_progress(stderr) if stderr.isatty() and paths else None
    with out:
        results = measure_files(movra, paths, rois, threads, progress)
        rows = [row for r in results for row in r.rows]
        measurements.write_csv(out, rows)
    failed = [r for r in results if not r.ok]
    for r in failed:
        print(f"movra_studio: {os.path.basename(r.path)}: {r.rows[0]['error']}", file=stderr)
    return 2 if failed else 0
