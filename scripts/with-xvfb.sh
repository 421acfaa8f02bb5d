#!/usr/bin/env bash
# Runs COMMAND on a virtual X server of its own and exits with COMMAND's status:
#   scripts/with-xvfb.sh COMMAND [ARGS...]
# One server serves the whole command, started with -noreset: by default Xvfb resets when its
# last client disconnects, and a client that connects during that reset fails (a test suite
# that starts one interpreter per case meets this often). The command starts only once the
# server answers a client. Screen size: $MOVRA_XVFB_SCREEN (default 1600x1200x24).
set -euo pipefail
(($#)) || { echo "usage: with-xvfb.sh COMMAND [ARGS...]" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/movra-xvfb.XXXXXX")
xvfb_pid=
stop_server() {
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop_server EXIT

# -displayfd: the server picks a free display itself and writes its number once it listens,
# so two runs at once never race for the same display.
Xvfb -displayfd 3 -screen 0 "${MOVRA_XVFB_SCREEN:-1600x1200x24}" -noreset -nolisten tcp \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!

fail() {
    echo "with-xvfb: $*" >&2
    cat "$work/xvfb.log" >&2
    exit 1
}
for ((i = 0; ; i++)); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited before it chose a display"
    ((i < 300)) || fail "Xvfb chose no display within 30 s"
    sleep 0.1
done
display=:$(tr -d '[:space:]' <"$work/display")
for ((i = 0; ; i++)); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb on $display exited"
    ((i < 300)) || fail "Xvfb on $display did not answer within 30 s"
    sleep 0.1
done

# X11 for GTK (wxPython's GetHandle() is 0 under Wayland); no accessibility bus to wait for.
unset WAYLAND_DISPLAY XAUTHORITY
status=0
DISPLAY=$display GDK_BACKEND=x11 NO_AT_BRIDGE=1 "$@" || status=$?
exit $status
