#!/usr/bin/env bash
# wine-session.sh ARCH COMMAND...: runs COMMAND (a test suite) with one Wine session for the
# prefix of ARCH (win64 or win32; see tools/wine-prefix.sh), stopped when COMMAND ends.
#
# Without it, every Windows program that COMMAND starts boots a Wine session of its own (the
# server and half a dozen system processes) and shuts it down again when it ends; ctest waits for
# that shutdown, as those processes hold the test's output open. Here the server is kept running
# (wineserver -p) and Wine's system processes are started once beforehand with their output going
# nowhere, so a test program starts into a running session and ends by itself. Needs the display
# the tests use (tools/with-xvfb.sh), as the session's desktop is bound to it.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-prefix.sh"

arch="$1"
shift
prepare_wine_prefix "$arch"
loader="$(wine_loader "$arch")"
trap 'wineserver -k >/dev/null 2>&1' EXIT
wineserver -p
WINELOADER="$loader" "$loader" cmd /c exit </dev/null >/dev/null 2>&1
"$@"
