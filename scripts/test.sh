#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: C++ (ctest) and Python (pytest on Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
scripts/build.sh -DMOVRA_BUILD_TESTS=ON
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")

status=0
# On Xvfb too: the display panel's C++ tests open real wx windows (they skip without a display).
xvfb-run -a -s "-screen 0 1600x1200x24" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 \
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" || status=1

export PYTHONPATH="$BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}"
xvfb-run -a -s "-screen 0 1600x1200x24" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider tests || status=1

if [[ -x fuzz/run.sh ]]; then
    fuzz/run.sh || status=1
fi
exit $status
