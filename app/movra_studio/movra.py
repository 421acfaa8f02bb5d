"""Imports MovraModule (and wx before it, as the module requires): from the Python path, else
from the repository's build folder so that `python3 -m movra_studio` works from app/."""

import os
import sys
from pathlib import Path


def import_movra():
    import wx  # noqa: F401  (must be loaded before MovraModule)

    try:
        import MovraModule
    except ImportError:
        root = Path(__file__).resolve().parents[2]
        build = Path(os.environ.get("MOVRA_BUILD_DIR", root / "build")).resolve()
        if str(build) not in sys.path:
            sys.path.insert(0, str(build))
        import MovraModule
    return MovraModule
