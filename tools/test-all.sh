#!/usr/bin/env bash
# Sets up what is missing on a Debian 12 machine and runs every test of Varnello:
#   1. the portable core natively, with AddressSanitizer and UBSan;
#   2. the merge under a memory limit, natively without the sanitizers;
#   3. the Windows suite on the x86_64 build under 64-bit Wine;
#   4. the shipped i686 build under 32-bit Wine: the whole Windows suite where this machine runs
#      32-bit programs directly, and the smoke suite, which is all that runs where they only run
#      through qemu-user-static;
#   5. the release zip, built and checked.
# Each Windows suite runs on a private Xvfb display with one Wine session of its own prefix.
# Ends with one line "N passed, N failed". It never passes without having run the shipped build:
# when this machine cannot run 32-bit programs at all, that counts as a failure and says why.
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

# Adds the counts of a finished suite's log (ctest's summary line) to the totals.
count_suite() {
    local name=$1 rc=$2 line
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

# Runs one suite, shows and keeps its output, and counts it.
run_suite() {
    local name=$1
    shift
    "$@" 2>&1 | tee "$log/$name.txt"
    count_suite "$name" "${PIPESTATUS[0]}"
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

# A Windows suite: its own display and its own Wine session.
windows() {
    local arch=$1
    shift
    tools/with-xvfb.sh tools/wine-session.sh "$arch" "$@"
}

step "32-bit programs on this machine"
if i386=$(tools/i386-support.sh); then
    echo "32-bit programs run $i386$([ "$i386" = qemu ] && echo ' (qemu-user-static): only the smoke suite runs on the shipped build')"
else
    i386=none
    echo "This machine cannot run 32-bit programs: the shipped i686 build cannot be tested here."
    failed=$((failed + 1))
    status=1
fi

if build native-asan; then
    step "Native tests (ASan + UBSan)"
    run_suite native-asan ctest --preset native-asan -j2
fi
# The release build of the command-line tool (scripts and the benchmark use it), and the tests
# that need a build without sanitizers.
if build native varnello-merge merge_memory_test; then
    step "Out of memory (native, without sanitizers)"
    run_suite native-memory ctest --preset native -L memory
fi

win64_built=0
win32_built=0
build win64 && win64_built=1
if [ "$i386" = direct ]; then
    build win32 && win32_built=1
else
    build win32 varnello varnello-merge app_exe_test && win32_built=1
fi

if [ "$win64_built" = 1 ]; then
    step "Windows tests under Wine (x86_64)"
    run_suite win64 windows win64 ctest --preset win64 -j1
fi
if [ "$i386" = direct ] && [ "$win32_built" = 1 ]; then
    step "Windows tests under Wine (i686, the shipped build)"
    run_suite win32 windows win32 ctest --preset win32 -j1
fi
if [ "$i386" != none ] && [ "$win32_built" = 1 ]; then
    step "Smoke suite of the shipped i686 build ($i386)"
    run_suite win32-smoke windows win32 /usr/bin/python3 tests/smoke/shipped_build.py build/win32
fi

step "Release zip"
run_suite package /usr/bin/python3 tests/package/check_package.py

step "Summary"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
