#!/usr/bin/env bash
# Sets up what is missing on a Debian 12 machine and runs every test of Varnello:
#   1. the portable core natively, with AddressSanitizer and UBSan;
#   2. the Windows build (x86_64) under Wine on a virtual display;
# and builds the shipped 32-bit exe. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

log=build/test-logs
mkdir -p "$log"
step() { printf '\n== %s ==\n' "$*"; }

step "Setting up"
tools/setup-debian.sh || exit 1
for arch in x86_64 i686; do
    prefix=$(tools/build-windows-deps.sh "$arch") || { echo "Windows dependencies for $arch failed" >&2; exit 1; }
    echo "Windows dependencies ($arch): $prefix"
done

passed=0
failed=0
status=0
# Runs one ctest suite, keeps its output and adds its counts to the totals.
run_suite() {
    local name=$1
    shift
    "$@" 2>&1 | tee "$log/$name.txt"
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log/$name.txt" | tail -n 1)
    if [ -n "$line" ]; then
        local total bad
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    elif [ "$rc" -ne 0 ]; then
        failed=$((failed + 1))
    fi
    [ "$rc" -eq 0 ] || status=1
}

# build PRESET [TARGET...]: configures and builds (only the given targets, when there are any).
build() {
    local preset=$1
    shift
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    step "Building $preset"
    if cmake --preset "$preset" >"$log/configure-$preset.txt" 2>&1 &&
        cmake --build --preset "$preset" "${targets[@]}" >"$log/build-$preset.txt" 2>&1; then
        tail -n 1 "$log/build-$preset.txt"
        return 0
    fi
    tail -n 20 "$log/configure-$preset.txt"
    [ -f "$log/build-$preset.txt" ] && tail -n 60 "$log/build-$preset.txt"
    echo "Build $preset failed"
    failed=$((failed + 1))
    status=1
    return 1
}

if build native-asan; then
    step "Native tests (ASan + UBSan)"
    run_suite native-asan ctest --preset native-asan -j2
fi
# The release build of the command-line tool (scripts and the benchmark use it).
build native varnello-merge || true
# The shipped 32-bit build: Wine here runs only 64-bit programs, so its tests are not built.
build win32 varnello varnello-merge || true
if build win64; then
    step "Windows tests under Wine"
    run_suite win64 tools/with-xvfb.sh ctest --preset win64 -j1
fi

step "Summary"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
