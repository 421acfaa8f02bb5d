#!/usr/bin/env bash
# The thread step: builds the code that runs on worker threads (the engine, both panels'
# decode-and-adopt path and the background loader) with their tests under ThreadSanitizer (gcc)
# in build-tsan/ ($MOVRA_TSAN_BUILD_DIR), and runs those tests on a virtual X server. Any report
# fails the step. Only the tests' own targets are built, to keep the step short.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/setup.sh test
BUILD_DIR=${MOVRA_TSAN_BUILD_DIR:-build-tsan}
MOVRA_BUILD_DIR=$BUILD_DIR MOVRA_BUILD_TARGETS="engine_thread_tests background_load_tests" \
    scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DMOVRA_TSAN=ON -DMOVRA_BUILD_TESTS=ON \
    -DMOVRA_BUILD_BENCH=OFF
here=$(pwd -P)
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$here/scripts/sanitizer/tsan.supp"
# OpenCV's TBB workers hand work over through atomics compiled without the sanitizer, which it
# would report as races inside OpenCV: the tests run OpenCV on the calling thread only
# (MOVRA_OPENCV_THREADS), so the check is about our own threads.
export MOVRA_OPENCV_THREADS=1
exec scripts/with-xvfb.sh bash -c "
    status=0
    '$BUILD_DIR/engine/tests/engine_thread_tests' || status=1
    '$BUILD_DIR/panels/tests/background_load_tests' || status=1
    exit \$status"
