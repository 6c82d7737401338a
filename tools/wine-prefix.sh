# Wine prefixes of the project, sourced by the scripts that run Windows programs.
#
# Each architecture has a prefix of its own, made on first use: win64 for the x86_64 build and
# win32 (WINEARCH=win32) for the shipped i686 build. They live in this checkout's build folder
# (build/wine/win64, build/wine/win32; VARNELLO_WINEPREFIX and VARNELLO_WINEPREFIX32 choose
# others), so runs in other checkouts never share a Wine server with runs in this one: a shared
# server is stopped by whichever run ends first, and the other run's programs then end with
# exit code 1 (or even 0) before printing anything. Each prefix is run by its own loader, so a
# 64-bit program never goes through the 32-bit loader that Debian's `wine` prefers once wine32
# is installed.

# No network here: keep the prefix set-up from looking for Mono and Gecko.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Quiet, but for the loader's errors: a program that cannot start (a DLL or an import missing)
# says why instead of ending silently.
export WINEDEBUG="${WINEDEBUG:--all,err+module}"

readonly WINE32_LOADER=/usr/lib/wine/wine
readonly WINE64_LOADER=/usr/lib/wine/wine64

readonly VARNELLO_WINE_HOME="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine"

wine_prefix() {
    case "$1" in
    win32) echo "${VARNELLO_WINEPREFIX32:-$VARNELLO_WINE_HOME/win32}" ;;
    *) echo "${VARNELLO_WINEPREFIX:-$VARNELLO_WINE_HOME/win64}" ;;
    esac
}

wine_loader() {
    case "$1" in
    win32) echo "$WINE32_LOADER" ;;
    *) echo "$WINE64_LOADER" ;;
    esac
}

# win32 or win64 for a Windows program, from the machine field of its PE header; win64 for
# anything else (a builtin program such as wineboot).
pe_arch() {
    local file="$1" offset machine
    if [ -f "$file" ] && [ "$(head -c 2 "$file" 2>/dev/null)" = "MZ" ]; then
        offset=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
        machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" | tr -d ' ')
        if [ "$machine" = "014c" ]; then
            echo win32
            return
        fi
    fi
    echo win64
}

# A 64-bit prefix made before wine32 was installed has an empty syswow64: 32-bit programs cannot
# start in it, and after one has tried, it may start nothing at all.
prefix_unusable() {
    local arch="$1" prefix="$2"
    [ -f "$prefix/system.reg" ] || return 1
    if [ "$arch" = win64 ]; then
        [ -x "$WINE32_LOADER" ] && [ -z "$(ls -A "$prefix/drive_c/windows/syswow64" 2>/dev/null)" ]
    else
        ! grep -q '^#arch=win32' "$prefix/system.reg"
    fi
}

# Makes the prefix of ARCH when it is missing, and anew when it is unusable. Concurrent callers
# wait for the one that makes it. Exports WINEPREFIX.
prepare_wine_prefix() {
    local arch="$1" prefix
    prefix="$(wine_prefix "$arch")"
    export WINEPREFIX="$prefix"
    if [ -f "$prefix/system.reg" ] && ! prefix_unusable "$arch" "$prefix" &&
        grep -q '^"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
        return 0
    fi
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if prefix_unusable "$arch" "$prefix"; then
            echo "wine-prefix: $prefix cannot run this machine's Wine; making it anew" >&2
            wineserver -k >/dev/null 2>&1 || true
            rm -rf "$prefix"
        fi
        if ! grep -q '^"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
            configure_prefix "$arch"
        fi
    ) 9>"$prefix.lock"
}

# Settings for unattended runs on a display without a window manager:
# - Managed=N: Wine then maps and unmaps its windows itself. A window that a window manager would
#   manage is otherwise waited on for up to two seconds each time it is hidden, for a state
#   change that no window manager will make (under Xvfb, every closed dialog cost two seconds).
#   Focus, activation and drops are Wine's own either way.
# - no crash debugger: a program that crashes ends at once, after Wine's one-line report, instead
#   of waiting on winedbg until the test's time-out.
# One Wine start both makes a missing prefix and imports them (each start boots Wine's services,
# which takes minutes under qemu). The server is waited for, so that the settings reach the files
# and no later start meets this server, which has no display.
configure_prefix() {
    local loader settings
    loader="$(wine_loader "$1")"
    settings="$(mktemp --suffix=.reg)"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' '"Debugger"=""' '' \
        >"$settings"
    WINEARCH="$1" WINELOADER="$loader" "$loader" reg import "$(winepath_of "$settings")" >/dev/null 2>&1 || true
    wineserver -w || true
    rm -f "$settings"
}

# The Windows name of a file of this machine (drive Z: is the root).
winepath_of() {
    echo "Z:${1//\//\\}"
}
