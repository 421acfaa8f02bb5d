#!/usr/bin/env bash
# Configures and builds into build/ (or $MOVRA_BUILD_DIR); arguments go to CMake's configure step,
# and $MOVRA_BUILD_TARGETS (space-separated) limits what is built. Installs nothing.
# A build folder belongs to the system that configured it: one made on another system (the host
# versus the project's Debian 13 root, or an earlier root) is emptied and configured afresh rather
# than mixed with this system's compilers and libraries.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"
BUILD_DIR=${MOVRA_BUILD_DIR:-build}

# The root's own name if this is the project's Debian 13 root, else the machine's.
system_id() {
    cat /etc/movra-root-id 2>/dev/null || cat /etc/machine-id 2>/dev/null || hostname
}

stamp="$BUILD_DIR/.movra-system"
here=$(system_id)
if [[ -e $BUILD_DIR/CMakeCache.txt && $(cat "$stamp" 2>/dev/null) != "$here" ]]; then
    echo "build: $BUILD_DIR was configured on another system; configuring it afresh" >&2
    find "$BUILD_DIR" -mindepth 1 -delete
fi
mkdir -p "$BUILD_DIR"
echo "$here" >"$stamp"

# ccache, where installed, makes rebuilds in fresh clones and other build folders cheap.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPython_EXECUTABLE=/usr/bin/python3 "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${MOVRA_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$BUILD_DIR" -j"$(nproc)" "${targets[@]}"
