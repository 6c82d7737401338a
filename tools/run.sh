#!/usr/bin/env bash
# Sets up what is missing, builds the 64-bit Windows exe and runs Varnello under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
tools/build-windows-deps.sh x86_64 >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target varnello
exec tools/with-xvfb.sh tools/wine-run.sh build/win64/app/varnello.exe
