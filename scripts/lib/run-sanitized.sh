#!/usr/bin/env bash
# Runs ctest and pytest over the sanitizer build in $MOVRA_BUILD_DIR on the X server in $DISPLAY
# (scripts/check-asan.sh starts one). Every AddressSanitizer, UndefinedBehaviorSanitizer or
# LeakSanitizer report ends its process with a failure. Arguments go to pytest.
set -uo pipefail
cd "$(dirname "$0")/../.."
here=$(pwd -P)
status=0

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leak checking for every C++ test program; the suppressions name what the system libraries
# (GTK, fontconfig, ...) keep for the life of a process, never the project's own code.
ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1 \
    LSAN_OPTIONS=suppressions=$here/scripts/sanitizer/lsan.supp:print_suppressions=0 \
    ctest --test-dir "$MOVRA_BUILD_DIR" --output-on-failure -j"$(nproc)" || status=1

# The module is loaded into the uninstrumented /usr/bin/python3, so the runtime it was built
# with has to be there first. CPython, NumPy and wxPython keep much of their memory until the
# process ends, by design, so leaks are not checked here: the resident-memory tests of the
# suite watch the module's own allocations instead. An allocation beyond 4 GB fails as it would
# without the sanitizer on a small machine (OpenCV then throws): tests that limit the address
# space cannot, since the sanitizer's shadow memory takes most of it. libstdc++ is preloaded
# too: the sanitizer intercepts C++ throws only in a library present when it starts, and
# /usr/bin/python3 itself does not load libstdc++. The damaged-file run tries 300 flips per
# sample instead of 1,000 (MOVRA_CORRUPT_FLIPS), and every prefix.
LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libstdc++.so)" \
    ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:max_allocation_size_mb=4096 \
    MOVRA_SANITIZED=1 MOVRA_CORRUPT_FLIPS=${MOVRA_CORRUPT_FLIPS:-300} \
    PYTHONPATH="$MOVRA_BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}" \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider tests "$@" || status=1
exit $status
