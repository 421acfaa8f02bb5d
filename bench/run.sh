#!/usr/bin/env bash
# Builds the module and prints every benchmark table: the C++ benchmark programs built from
# bench/CMakeLists.txt, then each bench/bench_*.py. Needs sample data made on the fly in a tmpfs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
scripts/build.sh -DMOVRA_BUILD_BENCH=ON
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
export PYTHONPATH="$BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}"
export MOVRA_BUILD_DIR=$BUILD_DIR

# On a virtual X server large enough for a 1920 x 1080 panel: some programs open windows.
for exe in "$BUILD_DIR"/bench/bench_*; do
    [[ -x $exe ]] || continue
    xvfb-run -a -s "-screen 0 2560x1440x24" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 "$exe"
done
# A venv of the benchmarks' own for the comparison with pyqtgraph (PySide6's core modules), from
# PyPI; the benchmarks themselves run on the system interpreter. Failure only costs that column.
VENV=$BUILD_DIR/bench-venv
if [[ ! -x $VENV/bin/pip ]]; then
    rm -rf "$VENV"
    if ! python3 -m venv --system-site-packages "$VENV" 2>/dev/null; then
        rm -rf "$VENV"
        if [[ $(id -u) != 0 ]]; then SUDO=sudo; else SUDO=; fi
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
            python3-venv || true
        python3 -m venv --system-site-packages "$VENV" || true
    fi
fi
if [[ -x $VENV/bin/pip ]] && "$VENV/bin/pip" install -q pyqtgraph PySide6-Essentials; then
    export MOVRA_BENCH_VENV=$VENV
fi

for script in bench/bench_*.py; do
    [[ -e $script ]] || continue
    xvfb-run -a -s "-screen 0 2560x1440x24" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 /usr/bin/python3 \
        "$script"
done
