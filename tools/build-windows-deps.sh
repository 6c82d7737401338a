#!/usr/bin/env bash
# Cross-builds PoDoFo and the libraries it needs as static MinGW-w64 libraries, from Debian's
# source packages, into a cache folder outside the clone.
#
#   tools/build-windows-deps.sh ARCH                 build what is missing, print the prefix
#   tools/build-windows-deps.sh --print-prefix ARCH  print the prefix only (cheap: no apt, no build)
#
# ARCH is x86_64 or i686, or native: the same PoDoFo source and patches built as a static library
# for the native build, against Debian's own libraries, so that both builds run one PoDoFo; or
# native-asan: the same with AddressSanitizer and UBSan, so that the sanitizers see inside PoDoFo;
# or native-fuzz: the same built by clang for libFuzzer, with coverage and fatal UBSan.
#
# For x86_64 and i686, The prefix is ${VARNELLO_CACHE:-/var/cache/varnello}/deps/ARCH-KEY, where
# KEY is a short hash of the source package versions, the build recipes below and tools/patches/.
# It is made in two layers: PoDoFo's libraries (deps/base/ARCH-KEY), which a change of PoDoFo's
# recipe or patches does not rebuild, and a copy of them with PoDoFo added. A layer is complete
# once its stamp file exists and is never rebuilt after that. The last line on stdout is the
# prefix; build output goes to log files beside it, progress to stderr.
set -euo pipefail

readonly HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
readonly PATCHES="$HERE/patches"
readonly CACHE="${VARNELLO_CACHE:-/var/cache/varnello}"
readonly BASE_PACKAGES=(libunistring libidn freetype openssl)
readonly SOURCE_PACKAGES=("${BASE_PACKAGES[@]}" libpodofo)
readonly JOBS="${VARNELLO_JOBS:-$(nproc)}"
readonly APT_SOURCES=/etc/apt/sources.list.d/varnello-deb-src.sources

say() { echo "build-windows-deps: $*" >&2; }
die() {
    say "$*"
    exit 1
}

usage() {
    echo "usage: $0 [--print-prefix] x86_64|i686|native|native-asan|native-fuzz" >&2
    exit 2
}

# --- Versions and the cache key -------------------------------------------------------------------

# "pkg version" lines for every source package, from apt's lists (no network). Where apt knows no
# source yet (deb-src not set up), the newest tarball already in the cache stands in.
source_versions() {
    local records
    records="$(apt-cache showsrc --only-source "${SOURCE_PACKAGES[@]}" 2>/dev/null || true)"
    local pkg version
    for pkg in "${SOURCE_PACKAGES[@]}"; do
        version="$(awk -v p="$pkg" '/^Package: /{cur=$2} /^Version: /{if (cur==p) print $2}' <<<"$records" |
            sort -V | tail -n1)"
        if [ -z "$version" ] && [ -d "$CACHE/sources/$pkg" ]; then
            version="$(ls "$CACHE/sources/$pkg" | sort -V | tail -n1)"
        fi
        echo "$pkg ${version:-unknown}"
    done
}

hash12() { sha256sum | cut -c1-12; }

# The recipes are the functions that build a layer, as bash prints them: editing a comment
# elsewhere in this script does not rebuild anything.
base_key() {
    {
        grep -v '^libpodofo ' <<<"$VERSIONS"
        declare -f setup_arch write_toolchain autotools_env unpack \
            build_libunistring build_libidn build_freetype build_openssl
    } | hash12
}

patches_text() {
    if [ -d "$PATCHES" ]; then
        find "$PATCHES" -type f -name '*.patch' -print0 | sort -z | xargs -0 -r cat
    fi
}

native_key() {
    {
        grep '^libpodofo ' <<<"$VERSIONS"
        declare -f unpack build_libpodofo_native check_podofo_config
        patches_text
    } | hash12
}

podofo_key() {
    {
        base_key
        grep '^libpodofo ' <<<"$VERSIONS"
        declare -f build_libpodofo check_podofo_config
        patches_text
    } | hash12
}

# --- Set-up: packages, deb-src, tarballs ----------------------------------------------------------

readonly WINDOWS_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 libz-mingw-w64-dev
    cmake ninja-build pkg-config perl make dpkg-dev xz-utils)
readonly NATIVE_PACKAGES=(g++ cmake ninja-build pkg-config make dpkg-dev xz-utils
    libfreetype-dev libssl-dev libidn-dev libunistring-dev zlib1g-dev)

install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# deb-src entries for the Debian sources that are configured, in a file of our own.
ensure_deb_src() {
    [ -f "$APT_SOURCES" ] && return 0
    local configured=/etc/apt/sources.list.d/debian.sources
    [ -f "$configured" ] || die "no $configured to derive deb-src entries from"
    say "adding deb-src entries ($APT_SOURCES)"
    sed 's/^Types:.*/Types: deb-src/' "$configured" >"$APT_SOURCES"
    apt-get update -qq >&2
}

# Downloads the upstream tarball of PKG at VERSION into the cache (once) and prints its path.
fetch_tarball() {
    local pkg="$1" version="$2" dir="$CACHE/sources/$1/$2"
    if [ ! -f "$dir/.complete" ]; then
        ensure_deb_src
        mkdir -p "$dir"
        say "downloading $pkg $version"
        (cd "$dir" && apt-get source --download-only --tar-only "$pkg=$version") >"$dir/download.log" 2>&1 ||
            fail_with_log "$dir/download.log"
        touch "$dir/.complete"
    fi
    local tarball
    tarball="$(find "$dir" -maxdepth 1 -name '*.orig.tar.*' ! -name '*.asc' | sort | head -n1)"
    [ -n "$tarball" ] || die "no upstream tarball for $pkg in $dir"
    echo "$tarball"
}

fail_with_log() {
    say "failed; the end of $1:"
    tail -n 40 "$1" >&2
    exit 1
}

# --- Building -------------------------------------------------------------------------------------

# Globals set by setup_arch: ARCH TRIPLE PREFIX WORK OPENSSL_TARGET
setup_arch() {
    ARCH="$1"
    case "$ARCH" in
    x86_64) OPENSSL_TARGET=mingw64 ;;
    i686) OPENSSL_TARGET=mingw ;;
    *) usage ;;
    esac
    TRIPLE="$ARCH-w64-mingw32"
}

write_toolchain() {
    cat >"$WORK/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $ARCH)
set(CMAKE_C_COMPILER $TRIPLE-gcc-win32)
set(CMAKE_CXX_COMPILER $TRIPLE-g++-win32)
set(CMAKE_RC_COMPILER $TRIPLE-windres)
set(CMAKE_FIND_ROOT_PATH $PREFIX /usr/$TRIPLE)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# Unpacks PKG's tarball into a fresh source folder and prints it.
unpack() {
    local pkg="$1" version tarball src="$WORK/src/$1"
    version="$(awk -v p="$pkg" '$1==p {print $2}' <<<"$VERSIONS")"
    tarball="$(fetch_tarball "$pkg" "$version")"
    rm -rf "$src"
    mkdir -p "$src"
    tar -C "$src" --strip-components=1 -xf "$tarball"
    local patch
    for patch in "$PATCHES/$pkg"/*.patch; do
        [ -f "$patch" ] || continue
        patch -d "$src" -p1 --quiet <"$patch" >&2 || die "patch $patch does not apply to $pkg $version"
    done
    echo "$src"
}

autotools_env() {
    export CC="$TRIPLE-gcc-win32" CXX="$TRIPLE-g++-win32" AR="$TRIPLE-ar" RANLIB="$TRIPLE-ranlib"
    export CFLAGS="-O2" CPPFLAGS="-I$PREFIX/include" LDFLAGS="-L$PREFIX/lib"
}

build_libunistring() {
    local src
    src="$(unpack libunistring)"
    cd "$src"
    autotools_env
    ./configure --host="$TRIPLE" --prefix="$PREFIX" --disable-shared --enable-static \
        --disable-dependency-tracking --without-libiconv-prefix
    make -j"$JOBS" -C lib
    make -C lib install
}

build_libidn() {
    local src
    src="$(unpack libidn)"
    cd "$src"
    autotools_env
    ./configure --host="$TRIPLE" --prefix="$PREFIX" --disable-shared --enable-static \
        --disable-dependency-tracking --disable-nls --disable-doc --disable-csharp --disable-java \
        --disable-valgrind-tests --without-libiconv-prefix --without-libintl-prefix
    # Only the library and its own gnulib: lib/gl makes the stdint.h that idn-int.h is made from.
    make -j"$JOBS" -C lib/gl
    make -j"$JOBS" -C lib
    make -C lib install
}

build_freetype() {
    local src
    src="$(unpack freetype)"
    # FreeType's bundled zlib would clash with MinGW's libz (crc32_combine) at the final link.
    cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WORK/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=OFF \
        -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
        -DFT_DISABLE_HARFBUZZ=ON
    cmake --build "$src/build" -j "$JOBS"
    cmake --install "$src/build"
}

build_openssl() {
    local src
    src="$(unpack openssl)"
    cd "$src"
    # no-module puts the legacy provider (RC4, which older encrypted PDFs use) inside libcrypto.
    CC="$TRIPLE-gcc-win32" AR="$TRIPLE-ar" RANLIB="$TRIPLE-ranlib" RC="$TRIPLE-windres" \
        perl Configure "$OPENSSL_TARGET" no-shared no-module no-tests \
        --prefix="$PREFIX" --libdir=lib --openssldir="$PREFIX/ssl"
    make -j"$JOBS" build_libs
    make install_dev
}

build_libpodofo() {
    local src
    src="$(unpack libpodofo)"
    # Its OpenSSL 1.1 probe links a bare -lcrypto and so fails when cross-compiling: state the
    # answer. pkg-config must see only this prefix, never the build machine's libcrypto.
    PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig" PKG_CONFIG_PATH="" \
        cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WORK/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DPODOFO_BUILD_STATIC=ON -DPODOFO_BUILD_SHARED=OFF -DPODOFO_BUILD_LIB_ONLY=ON \
        -DPODOFO_HAVE_OPENSSL_1_1=1 -DPODOFO_HAVE_OPENSSL_NO_RC4= -DWANT_BOOST=OFF \
        -DFREETYPE_INCLUDE_DIR_FT2BUILD="$PREFIX/include/freetype2" \
        -DFREETYPE_INCLUDE_DIR_FTHEADER="$PREFIX/include/freetype2" \
        -DFREETYPE_LIBRARY_RELEASE="$PREFIX/lib/libfreetype.a" \
        -DLIBIDN_INCLUDE_DIR="$PREFIX/include" -DLIBIDN_LIBRARY_RELEASE="$PREFIX/lib/libidn.a" \
        -DUNISTRING_INCLUDE_DIR="$PREFIX/include" -DUNISTRING_LIBRARY="$PREFIX/lib/libunistring.a" \
        -DZLIB_INCLUDE_DIR="/usr/$TRIPLE/include" -DZLIB_LIBRARY="/usr/$TRIPLE/lib/libz.a"
    check_podofo_config "$src/build/podofo_config.h"
    cmake --build "$src/build" -j "$JOBS"
    cmake --install "$src/build"
}

# Without these PoDoFo still builds, but cannot open encrypted PDFs.
check_podofo_config() {
    local want
    for want in PODOFO_HAVE_OPENSSL PODOFO_HAVE_OPENSSL_1_1 PODOFO_HAVE_LIBIDN PODOFO_HAVE_UNISTRING_LIB; do
        grep -q "^#define $want\b" "$1" || die "PoDoFo configured without $want"
    done
    if grep -q '^#define PODOFO_HAVE_OPENSSL_NO_RC4' "$1"; then
        die "PoDoFo configured without RC4"
    fi
}

# Builds one package unless its stamp says it is done; its output goes to a log file.
build_step() {
    local pkg="$1" stamp="$PREFIX/.stamps/$1" log="$PREFIX/logs/$1.log"
    [ -f "$stamp" ] && return 0
    mkdir -p "$PREFIX/.stamps" "$PREFIX/logs"
    say "building $pkg for $ARCH (log: $log)"
    local start=$SECONDS rc
    # Not in a condition: errexit must stay in force inside the recipe.
    set +e
    (
        set -e
        "build_$pkg"
    ) >"$log" 2>&1
    rc=$?
    set -e
    [ $rc -eq 0 ] || fail_with_log "$log"
    touch "$stamp"
    say "built $pkg in $((SECONDS - start)) s"
}

# Builds the packages into the layer PREFIX, under a lock, unless its stamp exists. PREP runs first.
build_layer() {
    local prep="$1"
    shift
    [ -f "$PREFIX/.complete" ] && return 0
    mkdir -p "$PREFIX"
    exec 9>"$PREFIX.lock"
    flock 9
    if [ ! -f "$PREFIX/.complete" ]; then
        WORK="$CACHE/work/$(basename "$(dirname "$PREFIX")")-$(basename "$PREFIX")"
        mkdir -p "$WORK"
        "$prep"
        local pkg
        for pkg in "$@"; do
            build_step "$pkg"
        done
        printf '%s\n' "$VERSIONS" >"$PREFIX/versions.txt"
        rm -rf "$WORK"
        touch "$PREFIX/.complete"
    fi
    exec 9>&-
}

no_prep() { :; }

# The PoDoFo layer starts as a copy of the base layer.
copy_base() {
    write_toolchain
    [ -f "$PREFIX/.stamps/base" ] && return 0
    cp -a "$BASE/include" "$BASE/lib" "$PREFIX/"
    sed -i "s|$BASE|$PREFIX|g" "$PREFIX"/lib/pkgconfig/*.pc
    mkdir -p "$PREFIX/.stamps"
    touch "$PREFIX/.stamps/base"
}

build_all() {
    install_packages "${WINDOWS_PACKAGES[@]}"
    ensure_deb_src
    # Versions are read after deb-src is set up, so the prefix name matches --print-prefix.
    VERSIONS="$(source_versions)"
    BASE="$CACHE/deps/base/$ARCH-$(base_key)"
    local final="$CACHE/deps/$ARCH-$(podofo_key)"
    PREFIX="$BASE"
    build_layer write_toolchain "${BASE_PACKAGES[@]}"
    PREFIX="$final"
    build_layer copy_base libpodofo
    say "ready: $PREFIX"
    echo "$PREFIX"
}

# Only what the Windows build has: no image libraries, no fontconfig.
build_libpodofo_native() {
    local src flags="" compilers=()
    src="$(unpack libpodofo)"
    case "$ARCH" in
    native-asan) flags="-fsanitize=address,undefined -fno-omit-frame-pointer -g" ;;
    native-fuzz)
        flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
        compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
        ;;
    esac
    cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        "${compilers[@]}" -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DPODOFO_BUILD_STATIC=ON -DPODOFO_BUILD_SHARED=OFF -DPODOFO_BUILD_LIB_ONLY=ON \
        -DPODOFO_NO_FONTMANAGER=ON -DWANT_BOOST=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_LIBJPEG=ON -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
    check_podofo_config "$src/build/podofo_config.h"
    cmake --build "$src/build" -j "$JOBS"
    cmake --install "$src/build"
}

build_native() {
    ARCH="$1"
    install_packages "${NATIVE_PACKAGES[@]}"
    [ "$ARCH" != native-fuzz ] || install_packages clang libclang-rt-14-dev
    ensure_deb_src
    VERSIONS="$(source_versions)"
    PREFIX="$CACHE/deps/$ARCH-$(native_key)"
    build_layer no_prep libpodofo_native
    say "ready: $PREFIX"
    echo "$PREFIX"
}

main() {
    case "${1:-}" in
    --print-prefix)
        [ $# -eq 2 ] || usage
        VERSIONS="$(source_versions)"
        if [ "$2" = native ] || [ "$2" = native-asan ] || [ "$2" = native-fuzz ]; then
            echo "$CACHE/deps/$2-$(native_key)"
        else
            setup_arch "$2"
            echo "$CACHE/deps/$ARCH-$(podofo_key)"
        fi
        ;;
    native | native-asan | native-fuzz)
        [ $# -eq 1 ] || usage
        build_native "$1"
        ;;
    x86_64 | i686)
        [ $# -eq 1 ] || usage
        setup_arch "$1"
        build_all
        ;;
    *) usage ;;
    esac
}

main "$@"
