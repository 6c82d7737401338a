#!/usr/bin/env bash
# Runs a Windows program under Wine, in this checkout's prefix for the program's architecture
# (made on first use; see tools/wine-prefix.sh), through that architecture's own loader. ctest
# uses it as the cross-compiling emulator; tools/run.sh uses it for varnello.exe. Needs an X
# display: tools/with-xvfb.sh provides one when DISPLAY is unset. A program that cannot start
# gets Wine's own error messages printed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-prefix.sh"

arch="${VARNELLO_WINEARCH:-$(pe_arch "${1:-}")}"
prepare_wine_prefix "$arch"
loader="$(wine_loader "$arch")"
export WINELOADER="$loader"
exec "$loader" "$@"
