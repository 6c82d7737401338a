#!/usr/bin/env bash
# Runs a command with an X display: the caller's own when DISPLAY is set, otherwise a private Xvfb
# on a free display number (Xvfb picks it), stopped again afterwards.
set -uo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$@"
fi
number_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.05
done
export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
rm -f "$number_file"
"$@"
rc=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
exit $rc
