"""Every file reader reachable from Python refuses a named pipe at once, whatever its extension.
Opening one for reading would wait for a writer forever, so each reader runs in a child process
with a time limit: a regression fails the test instead of hanging the suite."""

import os
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent
BUILD = os.path.abspath(os.environ.get("MOVRA_BUILD_DIR", ROOT.parent / "build"))
EXTENSIONS = [".jpg", ".jpeg", ".png", ".heic", ".heif", ".jxl", ".tiff", ""]

CALLS = {
    "GetImageFileInfo": """
        import MovraModule
        call = lambda path: MovraModule.GetImageFileInfo(path)["width"]
    """,
    "MovraEngine.LoadImage": """
        import MovraModule
        engine = MovraModule.MovraEngine()
        call = engine.LoadImage
    """,
    "MovraPanel.LoadImage": """
        import wx, MovraModule
        app = wx.App(False)
        wx.Log.SetActiveTarget(wx.LogStderr())
        frame = wx.Frame(None)
        host = wx.Panel(frame)
        frame.Show()
        panel = MovraModule.MovraPanel(host.GetHandle())
        call = panel.LoadImage
    """,
}

LOOP = """
    import sys
    for path in sys.argv[1:]:
        print("CALL", path, flush=True)
        print("RESULT", call(path), flush=True)
"""


@pytest.mark.parametrize("reader", CALLS)
def test_named_pipe_is_refused_at_once(tmp_path, reader):
    pipes = []
    for ext in EXTENSIONS:
        pipes.append(tmp_path / f"pipe{ext}")
        os.mkfifo(pipes[-1])
    # A link with an image name to a pipe is no better than the pipe.
    os.symlink(pipes[0], tmp_path / "link.heic")
    pipes.append(tmp_path / "link.heic")
    code = f"import sys\nsys.path.insert(0, {BUILD!r})\n"
    code += textwrap.dedent(CALLS[reader]) + textwrap.dedent(LOOP)
    try:
        run = subprocess.run([sys.executable, "-c", code, *map(str, pipes)],
                             capture_output=True, text=True, timeout=60)
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode() if isinstance(e.stdout, bytes) else (e.stdout or "")
        pytest.fail(f"{reader} blocked; last lines:\n{out[-300:]}")
    assert run.returncode == 0, run.stderr[-2000:]
    results = [line.split()[1] for line in run.stdout.splitlines() if line.startswith("RESULT")]
    expected = "0" if reader == "GetImageFileInfo" else "False"
    assert results == [expected] * len(pipes)
