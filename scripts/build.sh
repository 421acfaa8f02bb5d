#!/usr/bin/env bash
# Configures and builds the module and its tests into build/ (or $MOVRA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${MOVRA_BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPython_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
