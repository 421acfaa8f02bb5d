"""Damaged files through every reader of the module: each call must end within two seconds with
a valid image, the documented failure value or a documented exception, and never crash or hang.

Sample files of every supported kind are made by real encoders; each is cut to every prefix
length (stepped beyond the headers) and has 1,000 seeded single-byte flips. One long-lived
worker process per reader does the calls (corrupt_worker.py); this process times each call,
kills a worker that hangs and restarts one that crashed, and names the file and variant of
every fault. The readers run side by side, one thread each.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter
from dataclasses import dataclass, field
from pathlib import Path

import pytest

import corrupt_samples
import imagegen
from conftest import BUILD

CALL_LIMIT_SEC = 2.0
START_LIMIT_SEC = 60.0
WORKER = Path(__file__).resolve().parent / "corrupt_worker.py"


@dataclass(frozen=True)
class Reader:
    name: str  # the worker's name for it
    documented: tuple  # exception types a damaged file may raise
    needs_display: bool = False


# Adding a reader: one entry here and its class in corrupt_worker.READERS.
READERS = [
    Reader("MovraEngine.LoadImage", ("RuntimeError",)),
    Reader("GetImageFileInfo", ()),
    Reader("MovraPanel.LoadImage", ("RuntimeError",), needs_display=True),
    Reader("MovraROIAdvPanel.LoadImage", ("RuntimeError",), needs_display=True),
]


@dataclass
class Result:
    counts: dict = field(default_factory=dict)  # sample -> Counter of outcomes
    faults: list = field(default_factory=list)
    slowest: float = 0.0
    calls: int = 0
    seconds: float = 0.0


class Worker:
    """One reader's worker process, restarted after it crashed or was killed."""

    def __init__(self, reader, scratch: Path):
        self.reader = reader
        self.scratch = scratch
        self.log = scratch / "stderr.log"
        self.proc = None
        self.buf = b""

    def start(self, attempts=2):
        """Starts the worker; a second attempt covers a display connection refused while the
        shared virtual X server is busy (it happens before any call of the module)."""
        env = dict(os.environ, PYTHONPATH=os.pathsep.join(
            [str(BUILD), str(WORKER.parent), os.environ.get("PYTHONPATH", "")]))
        for attempt in range(attempts):
            with open(self.log, "ab") as err:
                self.proc = subprocess.Popen(
                    [sys.executable, str(WORKER), self.reader.name, str(self.scratch)],
                    stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err, env=env)
            self.buf = b""
            line = self._read_line(START_LIMIT_SEC)
            if line == "ready":
                return
            self.stop()
            time.sleep(1)
        raise RuntimeError(f"{self.reader.name} worker did not start: {line!r}\n"
                           + self.stderr_tail(40))

    def _read_line(self, limit):
        """The next line; "" at end of file (the worker died); None after `limit` seconds."""
        deadline = time.monotonic() + limit
        fd = self.proc.stdout.fileno()
        while b"\n" not in self.buf:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                return None
            chunk = os.read(fd, 65536)
            if not chunk:
                return ""
            self.buf += chunk
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode()

    def call(self, request):
        """(reply dict, None) or (None, what went wrong: a hang or how the worker died)."""
        started = time.monotonic()
        try:
            self.proc.stdin.write((json.dumps(request) + "\n").encode())
            self.proc.stdin.flush()
        except BrokenPipeError:
            pass  # the reply read below finds the dead worker
        line = self._read_line(CALL_LIMIT_SEC)
        if line:
            reply = json.loads(line)
            reply["wall"] = time.monotonic() - started
            return reply, None
        if line is None:
            self.stop()
            return None, f"no answer within {CALL_LIMIT_SEC} s (killed)"
        # End of file comes as the worker exits; it may not have been reaped yet.
        code = self.proc.wait()
        what = f"signal {signal.Signals(-code).name}" if code < 0 else f"exit code {code}"
        return None, f"worker died: {what}\n{self.stderr_tail()}"

    def stderr_tail(self, lines=12):
        text = self.log.read_text(errors="replace").splitlines()
        return "\n".join("    " + line for line in text[-lines:])

    def stop(self):
        if self.proc is None:
            return
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        for pipe in (self.proc.stdin, self.proc.stdout):
            try:
                pipe.close()
            except BrokenPipeError:  # a request still buffered for the dead worker
                pass


def plan_for(samples):
    """Every (sample name, path, kind, n) of the campaign."""
    return [(name, path, kind, n) for name, path in samples.items()
            for kind, n in corrupt_samples.variants(name, path.stat().st_size)]


def run_reader(reader, plan, scratch: Path) -> Result:
    result = Result()
    started = time.monotonic()
    worker = Worker(reader, scratch)
    worker.start()
    try:
        for name, path, kind, n in plan:
            counts = result.counts.setdefault(name, Counter())
            result.calls += 1
            where = f"{name} {kind} {n}"
            reply, death = worker.call({"sample": str(path), "name": name, "kind": kind, "n": n})
            if death is not None:
                counts["crash" if "died" in death else "hang"] += 1
                result.faults.append(f"{where}: {death}")
                worker.stop()
                try:
                    worker.start()
                except RuntimeError as exc:
                    result.faults.append(str(exc))
                    return result
                continue
            counts[reply["outcome"]] += 1
            result.slowest = max(result.slowest, reply["wall"])
            if reply["error"] and reply["error"].split(":")[0] not in reader.documented:
                result.faults.append(f"{where}: undocumented {reply['error']}")
            if reply["problem"]:
                result.faults.append(f"{where}: {reply['problem']}")
    finally:
        worker.stop()
        result.seconds = time.monotonic() - started
    return result


@pytest.fixture(scope="module")
def campaign(movra):
    """Every available reader over every sample and variant, readers in parallel."""
    folder = Path(tempfile.mkdtemp(prefix="movra_corrupt_", dir=imagegen.tmpfs_dir()))
    try:
        samples = corrupt_samples.make_samples(folder)
        results, skipped, threads = {}, {}, []
        for reader in READERS:
            if reader.needs_display and not os.environ.get("DISPLAY"):
                skipped[reader.name] = "needs an X display"
            else:
                scratch = folder / reader.name
                scratch.mkdir()

                def run(reader=reader, scratch=scratch):
                    try:
                        results[reader.name] = run_reader(reader, plan_for(samples), scratch)
                    except Exception as exc:  # reported by the reader's test
                        results[reader.name] = exc

                threads.append(threading.Thread(target=run))
        started = time.monotonic()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        yield results, skipped, samples, time.monotonic() - started
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def table(name, result: Result, seconds):
    rows = [f"{name}: {result.calls} calls in {result.seconds:.0f} s, slowest "
            f"{result.slowest * 1000:.0f} ms (all readers side by side: {seconds:.0f} s)"]
    for sample, c in result.counts.items():
        rows.append(f"  {sample:18} image {c['image']:5}  failure {c['failure']:5}  "
                    f"raised {c['raised']:4}  crash {c['crash']}  hang {c['hang']}")
    return "\n".join(rows)


@pytest.mark.parametrize("reader", READERS, ids=[r.name for r in READERS])
def test_damaged_files_never_crash_or_hang(campaign, capsys, reader):
    results, skipped, samples, seconds = campaign
    if reader.name in skipped:
        pytest.skip(skipped[reader.name])
    result = results[reader.name]
    if isinstance(result, Exception):
        raise result
    with capsys.disabled():
        print("\n" + table(reader.name, result, seconds))
    # Every variant was tried, and every sample still gave images under some damage (most
    # flips hit coded pixels): a reader that refused everything would otherwise pass.
    assert result.calls == len(plan_for(samples))
    assert all(result.counts[name]["image"] > 0 for name in samples), result.counts
    assert not result.faults, f"{len(result.faults)} faults:\n" + "\n".join(result.faults[:30])


def test_harness_names_crashes_hangs_and_undocumented_exceptions(tmp_path):
    """The worker's check reader aborts on a 3-byte file, hangs on 4 bytes, raises ValueError
    on 5, gives a bad result on 6 and raises the documented RuntimeError on 7: each fault is
    named, the worker restarted, and the calls after a fault still run."""
    sample = imagegen.write_bytes(tmp_path / "s.bin", bytes(range(10)))
    plan = [("s.bin", sample, "prefix", n) for n in range(2, 9)]
    scratch = tmp_path / "scratch"
    scratch.mkdir()
    result = run_reader(Reader("HarnessCheck", ("RuntimeError",)), plan, scratch)
    assert result.faults[0].startswith("s.bin prefix 3: worker died: signal SIGABRT")
    assert result.faults[1] == f"s.bin prefix 4: no answer within {CALL_LIMIT_SEC} s (killed)"
    assert result.faults[2].startswith("s.bin prefix 5: undocumented ValueError")
    assert result.faults[3] == "s.bin prefix 6: bad result"
    assert len(result.faults) == 4
    assert result.counts["s.bin"] == Counter(image=2, failure=1, raised=2, crash=1, hang=1)
