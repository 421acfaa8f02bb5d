#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the demo on a generated sample image:
#   scripts/demo.sh [OUTPUT_FOLDER]      (default: demo-output/ in the repository)
# Without a display the demo runs on a virtual X server. On a host that is not Debian 13 it all
# runs in the project's Debian 13 root (created on first use), without the host's display.
set -euo pipefail
OUT=$(realpath -m "${1:-$(dirname "$0")/../demo-output}")
export MOVRA_ROOT_BINDS="$OUT${MOVRA_ROOT_BINDS:+:$MOVRA_ROOT_BINDS}"
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$OUT"

scripts/setup.sh demo
scripts/build.sh
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
mkdir -p "$OUT"
export PYTHONPATH="$BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}"
if [[ -n ${DISPLAY:-} ]]; then
    GDK_BACKEND=x11 /usr/bin/python3 demo/demo.py "$OUT"
else
    MOVRA_XVFB_SCREEN=1280x1024x24 scripts/with-xvfb.sh /usr/bin/python3 demo/demo.py "$OUT"
fi
