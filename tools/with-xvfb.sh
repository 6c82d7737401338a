#!/usr/bin/env bash
# Runs a command with an X display: the caller's own when DISPLAY is set, otherwise a private Xvfb
# that is stopped again afterwards (together with the Wine server that the command may have left).
set -uo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$@"
fi
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$@"
rc=$?
WINEPREFIX="${VARNELLO_WINEPREFIX:-${HOME:-/root}/.cache/varnello/wineprefix}" wineserver -k >/dev/null 2>&1 || true
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
exit $rc
