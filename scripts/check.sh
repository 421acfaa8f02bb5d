#!/usr/bin/env bash
# The test step: builds the module with its tests and runs every test, C++ (ctest) and Python
# (pytest), both on one virtual X server, then the window tests again under Wayland. Installs
# nothing: `scripts/setup.sh test` does that, and scripts/test.sh runs both. Arguments go to the
# X11 pass's pytest (e.g. -k NAME).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/build.sh -DMOVRA_BUILD_TESTS=ON
MOVRA_BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
export MOVRA_BUILD_DIR
status=0
scripts/with-xvfb.sh scripts/lib/run-suites.sh "$@" || status=1
# Wayland, Debian 13's default desktop, on a headless weston: the window tests that can run
# there and Movra Studio's screenshot; a GDK critical or warning fails it too.
scripts/with-weston.sh scripts/lib/run-wayland.sh || status=1
exit $status
