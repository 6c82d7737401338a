#!/usr/bin/env bash
# Builds the release of the shipped 32-bit build: dist/varnello-<version>-win32.zip, holding
# varnello.exe and varnello-merge.exe (stripped), a README.txt for users, the licences and notices
# of every library linked in (taken from the Debian packages the build uses) and a SHA-256 list.
# The zip is reproducible: the same commit gives the same bytes.
#
#   tools/package.sh [OUTPUT_FOLDER]      (after the README's set-up; default: dist)
#
# Prints the zip's path.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-dist}")"

version=$(sed -nE 's/^project\(Varnello VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name="varnello-$version-win32"
deps=$(tools/build-windows-deps.sh --print-prefix i686)
[ -f "$deps/.complete" ] || { echo "package: run tools/build-windows-deps.sh i686 first" >&2; exit 1; }

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target varnello varnello-merge >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir="$stage/$name"
mkdir -p "$dir/licenses"
# strip writes the time into the PE header unless told a time: the link's own, none.
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip -o "$dir/varnello.exe" build/win32/app/varnello.exe
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip -o "$dir/varnello-merge.exe" build/win32/merge/varnello-merge.exe

# Versions of what went into the programs: the source packages of the dependency build, and the
# installed Debian packages of the compiler's runtime and of zlib.
declare -A versions
while read -r pkg ver; do versions[$pkg]=$ver; done <"$deps/versions.txt"
for pkg in libz-mingw-w64-dev mingw-w64-i686-dev g++-mingw-w64-i686-win32; do
    versions[$pkg]=$(dpkg-query -W -f='${Version}' "$pkg")
done
versions[commit]=$(git rev-parse HEAD 2>/dev/null || echo unknown)
fill() {
    local text
    text=$(<"$1")
    for key in "${!versions[@]}"; do text=${text//@$key@/${versions[$key]}}; done
    text=${text//@VERSION@/$version}
    printf '%s\n' "$text"
}
fill tools/package/README.txt >"$dir/README.txt"
fill tools/package/NOTICE.txt >"$dir/licenses/NOTICE.txt"

# Licence texts from the source packages' tarballs (as the dependency build downloaded them).
from_tarball() {
    local pkg=$1 member=$2 target=$3 tarball
    tarball=$(find "${VARNELLO_CACHE:-/var/cache/varnello}/sources/$pkg/${versions[$pkg]}" -maxdepth 1 \
        -name '*.orig.tar.*' ! -name '*.asc' | sort | head -n 1)
    [ -n "$tarball" ] || { echo "package: no source tarball of $pkg ${versions[$pkg]}" >&2; exit 1; }
    tar -xOf "$tarball" --wildcards "*/$member" >"$dir/licenses/$target"
}
from_tarball libpodofo COPYING.LIB podofo-COPYING.LIB.txt
from_tarball freetype LICENSE.TXT freetype-LICENSE.TXT
from_tarball freetype docs/FTL.TXT freetype-FTL.TXT
from_tarball libidn COPYING libidn-COPYING.txt
from_tarball libidn COPYING.LESSERv3 libidn-COPYING.LESSERv3.txt
from_tarball libidn COPYINGv3 libidn-COPYINGv3.txt
from_tarball libunistring COPYING.LIB libunistring-COPYING.LIB.txt
from_tarball libunistring COPYING libunistring-COPYING.txt
from_tarball openssl LICENSE.txt openssl-LICENSE.txt
# ... and from the installed packages' copyright files.
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$dir/licenses/zlib-copyright.txt"
cp /usr/share/doc/mingw-w64-i686-dev/copyright "$dir/licenses/mingw-w64-copyright.txt"
cp /usr/share/doc/g++-mingw-w64-i686-win32/copyright "$dir/licenses/gcc-copyright.txt"

mkdir -p "$out"
commit_time=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
/usr/bin/python3 tools/package/make_zip.py "$dir" "$out/$name.zip" "$commit_time"
echo "$out/$name.zip"
