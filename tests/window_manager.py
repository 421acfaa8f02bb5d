"""A window manager on the test X server: a desktop gives windows their final size only after
they are shown, which a bare X server never does."""

import contextlib
import os
import shutil
import subprocess
import time


def _xprop(display, *args):
    return subprocess.run(["xprop", "-display", display, *args], capture_output=True, text=True,
                          timeout=10)


def _wm_running(display):
    # A compliant window manager names its check window on the root window; the property
    # outlives the manager, so the window itself must still exist.
    out = _xprop(display, "-root", "_NET_SUPPORTING_WM_CHECK").stdout
    if "window id #" not in out:
        return False
    check = out.split("#", 1)[1].strip().split()[0]
    return _xprop(display, "-id", check, "_NET_WM_NAME").returncode == 0


@contextlib.contextmanager
def openbox():
    """Runs openbox on $DISPLAY for the block, waiting until it manages windows."""
    display = os.environ["DISPLAY"]
    if shutil.which("openbox") is None:
        raise AssertionError("openbox is missing: run scripts/setup.sh test")
    if _wm_running(display):
        raise AssertionError(f"{display} has a window manager already")
    proc = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display))
    try:
        deadline = time.monotonic() + 20
        while not _wm_running(display):
            if proc.poll() is not None:
                raise AssertionError(f"openbox exited with status {proc.returncode}")
            if time.monotonic() > deadline:
                raise AssertionError("openbox did not start within 20 s")
            time.sleep(0.1)
        yield proc
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        # Its check window goes with it; wait so that the next test sees a bare server.
        deadline = time.monotonic() + 10
        while _wm_running(display) and time.monotonic() < deadline:
            time.sleep(0.1)
