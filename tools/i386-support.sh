#!/usr/bin/env bash
# Makes sure that this machine runs 32-bit x86 Linux programs, which Wine's 32-bit loader (and so
# the shipped i686 build) needs, and prints how:
#   direct   the kernel runs them (CONFIG_IA32_EMULATION);
#   qemu     qemu-user-static runs them through binfmt_misc: set up here, only when the kernel
#            answers "Exec format error" (slow: a first Wine start takes minutes).
# Exits non-zero, saying why, when neither can be had. VARNELLO_I386=qemu takes the qemu path
# even where the kernel runs them directly (to try that path on such a machine).
set -uo pipefail

readonly LOADER=/usr/lib/wine/wine
readonly BINFMT=/proc/sys/fs/binfmt_misc
readonly ENTRY="$BINFMT/qemu-i386"
readonly QEMU=/usr/bin/qemu-i386-static

say() { echo "i386-support: $*" >&2; }

[ -x "$LOADER" ] || {
    say "no 32-bit Wine loader ($LOADER): wine32:i386 is not installed"
    exit 1
}

# True when the 32-bit loader starts; its error (e.g. "Exec format error") is kept in $probe_error.
probe() {
    probe_error=$("$LOADER" --version 2>&1 >/dev/null) && return 0
    return 1
}

# An enabled binfmt_misc entry for i386 ELF programs (qemu's, ours or anyone's): ELF, 32-bit,
# little-endian, machine 3.
emulated() {
    local entry magic
    for entry in "$BINFMT"/*; do
        case "$(basename "$entry")" in register | status) continue ;; esac
        grep -qx enabled "$entry" 2>/dev/null || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        [ "${magic:0:10}" = 7f454c4601 ] && [ "${magic:36:4}" = 0300 ] && return 0
    done
    return 1
}

setup_qemu() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if [ ! -x "$QEMU" ]; then
        say "installing qemu-user-static"
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            qemu-user-static >&2 || return 1
    fi
    if [ ! -e "$BINFMT/register" ]; then
        $sudo mount -t binfmt_misc binfmt_misc "$BINFMT" || return 1
    fi
    if [ ! -e "$ENTRY" ]; then
        # qemu's own i386 entry, with F: the interpreter is opened now, so it also serves programs
        # in other mount namespaces and chroots.
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F' |
            $sudo tee "$BINFMT/register" >/dev/null || return 1
    fi
    echo 1 | $sudo tee "$ENTRY" >/dev/null
}

if [ "${VARNELLO_I386:-}" != qemu ] && probe; then
    if emulated; then echo qemu; else echo direct; fi
    exit 0
fi
if [ "${VARNELLO_I386:-}" != qemu ]; then
    say "the kernel does not run 32-bit programs (${probe_error:-no answer}); trying qemu-user-static"
fi
if ! setup_qemu; then
    say "could not set up qemu-user-static for 32-bit programs"
    exit 1
fi
if ! probe; then
    say "32-bit programs do not run under qemu-user-static either: ${probe_error:-no answer}"
    exit 1
fi
echo qemu
