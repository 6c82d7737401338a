#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (made on first use).
# ctest uses it as the cross-compiling emulator; tools/run.sh uses it for varnello.exe.
# Needs an X display: tools/with-xvfb.sh provides one when DISPLAY is unset.
set -euo pipefail
export WINEPREFIX="${VARNELLO_WINEPREFIX:-${HOME:-/root}/.cache/varnello/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No network here: keep the prefix set-up from looking for Mono and Gecko.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Only one process makes the prefix; the others wait for it.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w || true
    fi
    flock -u 9
fi
exec wine "$@"
