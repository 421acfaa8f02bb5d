#!/usr/bin/env bash
# Runs ctest and then pytest over the build in $MOVRA_BUILD_DIR, on the X server in $DISPLAY
# (scripts/check.sh starts one for both); fails when either fails. Arguments go to pytest.
set -uo pipefail
cd "$(dirname "$0")/../.."
status=0
ctest --test-dir "$MOVRA_BUILD_DIR" --output-on-failure -j"$(nproc)" || status=1
PYTHONPATH="$MOVRA_BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}" \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider tests scripts/tests "$@" || status=1
exit $status
