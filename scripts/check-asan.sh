#!/usr/bin/env bash
# The sanitizer step: builds the C++ libraries, their GoogleTests and the module under
# AddressSanitizer and UndefinedBehaviorSanitizer (gcc) in build-asan/ ($MOVRA_ASAN_BUILD_DIR),
# then runs ctest in full with LeakSanitizer and the Python suite with the sanitizer runtime
# preloaded into /usr/bin/python3, both on one virtual X server. Any report fails the step.
# Sets up what is missing. Arguments go to pytest (e.g. -k NAME).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/setup.sh test
BUILD_DIR=${MOVRA_ASAN_BUILD_DIR:-build-asan}
# Debug: assertions stay on, and the sanitizer option adds -O1.
MOVRA_BUILD_DIR=$BUILD_DIR scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DMOVRA_SANITIZE=ON \
    -DMOVRA_BUILD_TESTS=ON -DMOVRA_BUILD_BENCH=OFF
MOVRA_BUILD_DIR=$(realpath "$BUILD_DIR")
export MOVRA_BUILD_DIR
exec scripts/with-xvfb.sh scripts/lib/run-sanitized.sh "$@"
