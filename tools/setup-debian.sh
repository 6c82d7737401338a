#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Varnello need, the 32-bit Wine
# for the shipped i686 build included (which needs the i386 architecture enabled in dpkg).
# Quiet and idempotent: apt is not touched when everything is already there.
set -euo pipefail

packages=(
    # build
    cmake ninja-build pkg-config g++ make perl dpkg-dev
    # Windows cross build (win32 thread model) and Debian's MinGW zlib
    gcc-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-win32 gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 libz-mingw-w64-dev
    # native core: PoDoFo, OpenSSL headers, googletest
    libpodofo-dev libssl-dev libgtest-dev googletest
    # running and checking: Wine (64- and 32-bit), a virtual display, PDF tools, screenshots, timing
    wine wine64 wine32:i386 xvfb xauth x11-utils qpdf poppler-utils imagemagick time
    # the benchmark's other peers and its generated inputs; pikepdf also checks test outputs
    mupdf-tools pdftk-java python3-pikepdf python3-pil fonts-dejavu-core
)

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >&2
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
