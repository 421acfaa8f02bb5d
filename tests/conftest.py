"""Shared fixtures: the built module on sys.path, one wx.App per session, scratch folders."""

import os
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("MOVRA_BUILD_DIR", ROOT / "build")).resolve()
if str(BUILD) not in sys.path:
    sys.path.insert(0, str(BUILD))


@pytest.fixture(scope="session")
def movra():
    import MovraModule

    return MovraModule
