"""Runs Python code in a fresh interpreter that finds the built module and these test helpers:
for what is per process (the module's window ids, wx's application, interpreter exit)."""

import subprocess
import sys
import textwrap
from pathlib import Path

from conftest import BUILD

PRELUDE = "import sys\nsys.path[:0] = [%r, %r]\n" % (str(Path(__file__).parent), str(BUILD))


def run_python(body, timeout=60, env=None):
    """The finished process of `body` (dedented), its output captured as text."""
    return subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(body)],
                          capture_output=True, text=True, timeout=timeout, env=env)
