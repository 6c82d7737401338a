#!/usr/bin/env bash
# Works on our PoDoFo patch series as git commits.
#
#   tools/podofo-dev.sh init DIR    Debian's PoDoFo source as a git repository in DIR: one commit for
#                                   the upstream tarball, then one commit per patch of the series
#   tools/podofo-dev.sh export DIR  writes the commits after the tarball back as the series
#                                   (tools/patches/libpodofo/NNNN-subject.patch), replacing it
#   tools/podofo-dev.sh build DIR PREFIX [asan]
#                                   builds DIR natively as the dependency build does and installs it
#                                   in PREFIX; configure with -DVARNELLO_DEPS_PREFIX=PREFIX to use it
#
# A patch file is the commit message (a subject line, a blank line, why the library needed it)
# followed by the diff, so that `patch -p1` applies it and a reader sees the reason first.
set -euo pipefail

readonly ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
readonly SERIES="$ROOT/tools/patches/libpodofo"
readonly CACHE="${VARNELLO_CACHE:-/var/cache/varnello}"
readonly BASE_TAG=debian-orig

die() {
    echo "podofo-dev: $*" >&2
    exit 1
}

git_in() { git -C "$1" -c user.name=varnello -c user.email=varnello@localhost "${@:2}"; }

init() {
    local dir="$1" tarball
    [ ! -e "$dir" ] || die "$dir exists already"
    tarball="$(find "$CACHE/sources/libpodofo" -name '*.orig.tar.*' ! -name '*.asc' 2>/dev/null | sort -V | tail -n1)"
    [ -n "$tarball" ] || die "no PoDoFo tarball in $CACHE/sources/libpodofo: run tools/build-windows-deps.sh native once"
    mkdir -p "$dir"
    tar -C "$dir" --strip-components=1 -xf "$tarball"
    git_in "$dir" init -q
    # The build folders of `build` below stay out of the series.
    printf 'build/\nbuild-*/\n' >>"$dir/.git/info/exclude"
    git_in "$dir" add -A
    git_in "$dir" commit -q -m "PoDoFo $(basename "$(dirname "$tarball")") (Debian's upstream tarball)"
    git_in "$dir" tag "$BASE_TAG"
    local patch
    for patch in "$SERIES"/*.patch; do
        [ -f "$patch" ] || continue
        patch -d "$dir" -p1 --quiet <"$patch" || die "$patch does not apply"
        git_in "$dir" add -A
        # The message is everything before the diff.
        sed '/^diff --git /,$d' "$patch" | git_in "$dir" commit -q -F -
    done
    echo "$dir: $(git_in "$dir" rev-list --count "$BASE_TAG"..HEAD) patches on $BASE_TAG"
}

export_series() {
    local dir="$1" n=0 commit subject slug out
    git_in "$dir" rev-parse -q --verify "$BASE_TAG" >/dev/null || die "$dir has no tag $BASE_TAG"
    [ -z "$(git_in "$dir" status --porcelain)" ] || die "$dir has uncommitted changes"
    rm -f "$SERIES"/*.patch
    mkdir -p "$SERIES"
    for commit in $(git_in "$dir" rev-list --reverse "$BASE_TAG"..HEAD); do
        n=$((n + 1))
        subject="$(git_in "$dir" log -1 --format=%s "$commit")"
        slug="$(tr 'A-Z' 'a-z' <<<"$subject" | sed -E 's/[^a-z0-9]+/-/g; s/^-+//; s/-+$//' | cut -c1-60 | sed -E 's/-+$//')"
        out="$SERIES/$(printf '%04d' "$n")-$slug.patch"
        {
            git_in "$dir" log -1 --format=%B "$commit" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
            echo
            git_in "$dir" diff --no-color "$commit^" "$commit"
        } >"$out"
        echo "$out"
    done
}

build() {
    local dir="$1" prefix="$2" flags=""
    [ "${3:-}" = asan ] && flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
    cmake -S "$dir" -B "$dir/build${3:+-$3}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
        -DPODOFO_BUILD_STATIC=ON -DPODOFO_BUILD_SHARED=OFF -DPODOFO_BUILD_LIB_ONLY=ON \
        -DPODOFO_NO_FONTMANAGER=ON -DWANT_BOOST=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_LIBJPEG=ON -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON >/dev/null
    cmake --build "$dir/build${3:+-$3}"
    cmake --install "$dir/build${3:+-$3}" >/dev/null
    touch "$prefix/.complete"
    echo "$prefix"
}

case "${1:-}" in
init) [ $# -eq 2 ] && init "$2" ;;
export) [ $# -eq 2 ] && export_series "$2" ;;
build) [ $# -ge 3 ] && build "$2" "$3" "${4:-}" ;;
*) sed -n '2,14p' "$0" >&2 && exit 2 ;;
esac
