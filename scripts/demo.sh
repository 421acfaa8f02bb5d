#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the demo on a generated sample image.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh demo
scripts/build.sh
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
OUT=${1:-demo-output}
mkdir -p "$OUT"
export PYTHONPATH="$BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}"
if [[ -n ${DISPLAY:-} ]]; then
    GDK_BACKEND=x11 /usr/bin/python3 demo/demo.py "$OUT"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" env GDK_BACKEND=x11 /usr/bin/python3 demo/demo.py "$OUT"
fi
