#!/usr/bin/env bash
# Builds the wheel (`pip wheel .` with /usr/bin/python3, Debian's scikit-build-core, the system
# wxWidgets and OpenCV), installs it into a fresh virtual environment that sees the system's
# packages (Debian's wxPython and NumPy), and runs tests/wheel_smoke.py there on a virtual X
# server: import, stub and type checker, and a panel showing an array. Sets up what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/setup.sh wheel
REPO=$(pwd -P)
work=$(mktemp -d "${TMPDIR:-/tmp}/movra-wheel.XXXXXX")
trap 'rm -rf "$work"' EXIT

export PIP_NO_INPUT=1 PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_ROOT_USER_ACTION=ignore
echo "wheel: building" >&2
/usr/bin/python3 -m pip wheel --no-build-isolation --no-deps --wheel-dir "$work/dist" . >&2
wheel=("$work"/dist/*.whl)
echo "wheel: built $(basename "${wheel[0]}")" >&2

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
# --no-index: everything the wheel depends on is already there, from the system.
"$work/venv/bin/python" -m pip install --no-index "${wheel[0]}" >&2

# From an empty folder, so that nothing but the installed wheel can be imported as MovraModule.
cd "$work"
exec "$REPO/scripts/with-xvfb.sh" "$work/venv/bin/python" -m pytest -q -p no:cacheprovider \
    --noconftest --rootdir="$work" "$REPO/tests/wheel_smoke.py" "$@"
