#!/usr/bin/env bash
# Sets up what is missing, builds, and runs Movra Studio, the ROI inspection application:
#   scripts/studio.sh [IMAGE]                  a window (the generated sample without IMAGE)
#   scripts/studio.sh --screenshot [OUT.png]   headless: scripted scene, screenshot, exit
# Without a display (X11 or Wayland) it runs headless on a virtual X server and writes
# studio-output/studio.png.
# On a host that is not Debian 13 it all runs in the project's Debian 13 root (created on first
# use), without the host's display.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd -P)
# Paths from the caller's folder, made absolute before the script moves to the repository.
if [[ ${1:-} == --screenshot ]]; then
    set -- --screenshot "$(realpath -m "${2:-$REPO/studio-output/studio.png}")" "${@:3}"
elif [[ -n ${1:-} ]]; then
    set -- "$(realpath -m "$1")" "${@:2}"
fi
if [[ ${1:-} == --screenshot ]]; then
    OUT=$2
    shift 2
elif [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    OUT=$REPO/studio-output/studio.png
else
    OUT=
fi
if [[ -n $OUT ]]; then
    mkdir -p "$(dirname "$OUT")"
    export MOVRA_ROOT_BINDS="$(dirname "$OUT")${MOVRA_ROOT_BINDS:+:$MOVRA_ROOT_BINDS}"
fi
# An image outside the repository must be visible in the Debian 13 root too.
if [[ -n ${1:-} && -f $1 ]]; then
    export MOVRA_ROOT_BINDS="$(dirname "$1")${MOVRA_ROOT_BINDS:+:$MOVRA_ROOT_BINDS}"
fi
cd "$REPO"
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" ${OUT:+--screenshot "$OUT"} "$@"

scripts/setup.sh studio
# The application needs the module only, not the tests or benchmarks a build folder may have on.
MOVRA_BUILD_TARGETS=MovraModule scripts/build.sh
BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
export PYTHONPATH="$BUILD_DIR:$REPO/app${PYTHONPATH:+:$PYTHONPATH}"
if [[ -z $OUT ]]; then
    # The desktop's own backend: Wayland where there is one (GTK's first choice), else X11.
    exec /usr/bin/python3 -m movra_studio "$@"
fi
MOVRA_XVFB_SCREEN=1600x1000x24 exec scripts/with-xvfb.sh \
    /usr/bin/python3 -m movra_studio --screenshot "$OUT" "$@"
