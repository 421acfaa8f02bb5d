#!/usr/bin/env bash
# Builds the module and prints every benchmark table: the C++ benchmark programs built from
# bench/CMakeLists.txt, then each bench/bench_*.py. Needs sample data made on the fly in a tmpfs.
# On a host that is not Debian 13 it runs inside the project's Debian 13 root, as the other
# entry scripts do.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/setup.sh bench
scripts/build.sh -DMOVRA_BUILD_BENCH=ON
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
export PYTHONPATH="$BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}"
export MOVRA_BUILD_DIR=$BUILD_DIR

# A venv of the benchmarks' own for the comparison with pyqtgraph (PySide6's core modules), from
# PyPI; the benchmarks themselves run on the system interpreter. Failure only costs that column.
VENV=$BUILD_DIR/bench-venv
if [[ ! -x $VENV/bin/pip ]]; then
    rm -rf "$VENV"
    python3 -m venv --system-site-packages "$VENV" || rm -rf "$VENV"
fi
if [[ -x $VENV/bin/pip ]] && "$VENV/bin/pip" install -q pyqtgraph PySide6-Essentials; then
    export MOVRA_BENCH_VENV=$VENV
fi

# Everything on one virtual X server large enough for a 1920 x 1080 panel: some programs open
# windows.
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
MOVRA_XVFB_SCREEN=2560x1440x24 exec scripts/with-xvfb.sh bash -c '
    for exe in "$MOVRA_BUILD_DIR"/bench/bench_*; do
        if [[ -x $exe ]]; then "$exe"; fi
    done
    for script in bench/bench_*.py; do
        if [[ -e $script ]]; then /usr/bin/python3 "$script"; fi
    done'
