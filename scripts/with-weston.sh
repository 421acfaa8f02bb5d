#!/usr/bin/env bash
# Runs COMMAND as a Wayland client of a headless weston of its own and exits with COMMAND's
# status:  scripts/with-weston.sh COMMAND [ARGS...]
# GTK runs on Wayland (GDK_BACKEND=wayland, no X display). Any GDK/GTK critical or warning that
# COMMAND prints fails the run, except the one a headless compositor cannot avoid: it has no
# input devices, so GDK finds no seat. Screen size: $MOVRA_WESTON_SIZE (default 1600x1200).
set -euo pipefail
(($#)) || { echo "usage: with-weston.sh COMMAND [ARGS...]" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/movra-weston.XXXXXX")
chmod 700 "$work"  # Wayland clients refuse a runtime folder that others may enter
weston_pid=
stop_server() {
    if [[ -n $weston_pid ]]; then
        kill "$weston_pid" 2>/dev/null || true
        wait "$weston_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop_server EXIT

size=${MOVRA_WESTON_SIZE:-1600x1200}
socket=wayland-movra
XDG_RUNTIME_DIR=$work weston --backend=headless --renderer=pixman --socket="$socket" \
    --width="${size%x*}" --height="${size#*x}" --idle-time=0 --no-config \
    >"$work/weston.log" 2>&1 &
weston_pid=$!

fail() {
    echo "with-weston: $*" >&2
    cat "$work/weston.log" >&2
    exit 1
}
# The socket appears once weston listens; clients that connect earlier are simply queued.
for ((i = 0; ; i++)); do
    [[ -S $work/$socket ]] && break
    kill -0 "$weston_pid" 2>/dev/null || fail "weston exited before it listened"
    ((i < 300)) || fail "weston did not listen within 30 s"
    sleep 0.1
done

unset DISPLAY XAUTHORITY
# What a compositor without input devices causes: GDK has no seat, so asking the seat for its
# keyboard or pointer, or that missing pointer for the window under it, fails its checks.
no_seat="assertion 'GDK_IS_(SEAT \\(seat\\)|DEVICE \\(device\\))' failed"
# COMMAND's stderr goes into a file to look through and on to ours without those (and the blank
# lines GLib puts before each); a pipeline, so that all of it has finished when it has.
export XDG_RUNTIME_DIR=$work WAYLAND_DISPLAY=$socket GDK_BACKEND=wayland NO_AT_BRIDGE=1
set +e
{ "$@" 2>&1 >&3 3>&- | tee "$work/stderr" | grep -Ev "$no_seat|^$" >&2 3>&-; } 3>&1
status=${PIPESTATUS[0]}
set -e
if grep -E '(Gdk|Gtk|GLib-GObject|GLib)-(CRITICAL|WARNING)' "$work/stderr" |
    grep -Ev "$no_seat" >"$work/gdk-complaints"; then
    echo "with-weston: GDK/GTK complained under Wayland:" >&2
    sort "$work/gdk-complaints" | uniq -c | sort -rn | head -20 >&2
    ((status)) || status=1
fi
exit $status
