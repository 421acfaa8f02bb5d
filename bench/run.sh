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
for script in bench/bench_*.py; do
    [[ -e $script ]] || continue
    xvfb-run -a -s "-screen 0 1600x1200x24" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 /usr/bin/python3 "$script"
done
