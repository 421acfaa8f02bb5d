#!/usr/bin/env bash
# The test step: builds the module with its tests and runs every test, C++ (ctest) and Python
# (pytest), both on one virtual X server. Installs nothing: `scripts/setup.sh test` does that,
# and scripts/test.sh runs both. Arguments go to pytest (e.g. -k NAME).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/build.sh -DMOVRA_BUILD_TESTS=ON
MOVRA_BUILD_DIR=$(realpath "${MOVRA_BUILD_DIR:-build}")
export MOVRA_BUILD_DIR
exec scripts/with-xvfb.sh scripts/lib/run-suites.sh "$@"
