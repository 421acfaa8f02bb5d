#!/usr/bin/env bash
# The Wayland pass (scripts/check.sh runs it inside scripts/with-weston.sh): the window tests
# that need neither int handles nor pointer injection (those skip themselves under Wayland),
# then Movra Studio's --screenshot. Arguments go to pytest. Python-level capture only, so that
# what GDK and GTK print reaches with-weston.sh, which fails the pass on their complaints.
set -uo pipefail
cd "$(dirname "$0")/../.."
status=0
WAYLAND_TESTS=(
    tests/test_wayland.py tests/test_window_parent.py tests/test_roi_data.py
    tests/test_roi_panel_edit.py tests/test_roi_measure.py tests/test_panel.py
    tests/test_roi_panel.py
)
PYTHONPATH="$MOVRA_BUILD_DIR${PYTHONPATH:+:$PYTHONPATH}" \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider --capture=sys "${WAYLAND_TESTS[@]}" "$@" ||
        status=1
shot=$(mktemp -d "${TMPDIR:-/tmp}/movra-wayland-shot.XXXXXX")
PYTHONPATH="$MOVRA_BUILD_DIR:app" /usr/bin/python3 -m movra_studio \
    --screenshot "$shot/studio.png" >"$shot/out" || { cat "$shot/out"; status=1; }
rm -rf "$shot"
exit $status
