#!/usr/bin/env bash
# The merge benchmark: varnello-merge against `qpdf --empty --pages` and `pdfunite` on generated
# inputs, plus the intake validation of the same files. Prints a Markdown table: best wall time of
# the runs, peak memory (GNU time), and varnello's ratios to both peers.
#
#   bench/run.sh [--runs N] [--shapes "200x1 10x100 ..."] [--before]
#
# A shape FILESxPAGES merges FILES files of PAGES pages each. --before adds varnello-merge built
# against Debian's binary libpodofo (without our patches), in build/bench-system.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=3
shapes="200x1 2000x1 10x100 100x100 2x5000"
before_tool=
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --shapes) shapes="$2"; shift 2 ;;
    --before) before_tool=build/bench-system/merge/varnello-merge; shift ;;
    *) echo "usage: bench/run.sh [--runs N] [--shapes \"200x1 10x100 ...\"] [--before]" >&2; exit 2 ;;
    esac
done

tools/setup-debian.sh
tools/build-windows-deps.sh native >/dev/null
echo "Building varnello-merge and varnello-bench (preset native)..." >&2
cmake --preset native >/dev/null
cmake --build --preset native --target varnello-merge varnello-bench >/dev/null
if [ -n "$before_tool" ]; then
    cmake -S . -B build/bench-system -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNELLO_TESTS=OFF \
        -DVARNELLO_SYSTEM_PODOFO=ON >/dev/null
    cmake --build build/bench-system --target varnello-merge >/dev/null
fi
merge_tool=build/native/merge/varnello-merge
bench_tool=build/native/bench/varnello-bench

work="$(mktemp -d "${TMPDIR:-/tmp}/varnello-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

calc() { awk "BEGIN { print $1 }"; }

# measure NAME PAGES CMD...: runs CMD $runs times; records the best wall time and the peak memory
# of that run in $wall and $peak (MiB), and checks the output's page count when PAGES > 0.
measure() {
    local name="$1" pages="$2"
    shift 2
    local best="" best_peak="" i start end took mib
    for ((i = 0; i < runs; i++)); do
        rm -f "$work/out.pdf"
        start=$(date +%s.%N)
        if ! /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/cmd.txt" 2>&1; then
            echo "$name failed:" >&2
            tail -n 5 "$work/cmd.txt" >&2
            wall=failed peak=failed
            return 0
        fi
        end=$(date +%s.%N)
        took=$(calc "$end - $start")
        mib=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$work/time.txt")
        if [ -z "$best" ] || [ "$(calc "$took < $best")" = 1 ]; then
            best=$took best_peak=$mib
        fi
    done
    if [ "$pages" -gt 0 ]; then
        local got
        # qpdf exits 3 when it only warns; the count is still right.
        got=$(qpdf --show-npages "$work/out.pdf" 2>/dev/null | head -n1 || true)
        if [ "$got" != "$pages" ]; then
            echo "$name wrote $got pages instead of $pages" >&2
            wall=wrong peak=wrong
            return 0
        fi
    fi
    wall=$(printf '%.3f' "$best") peak=$best_peak
}

ratio() {
    case "$1$2" in
    *failed* | *wrong*) echo "-" ;;
    *) printf '%.2f' "$(calc "$1 / $2")" ;;
    esac
}

row() { # shape tool wall peak
    printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" \
        "$(ratio "$3" "$q_wall")" "$(ratio "$4" "$q_peak")" "$(ratio "$3" "$u_wall")" "$(ratio "$4" "$u_peak")"
}

# Prints whether varnello (wall, peak) is at least as fast as qpdf with no more memory.
verdict() {
    case "$1$2" in
    *failed* | *wrong*) echo "no" ;;
    *) [ "$(calc "$1 <= $q_wall && $2 <= $q_peak")" = 1 ] && echo "yes" || echo "no" ;;
    esac
}

echo "Merge benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(awk -F': *' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "best of $runs runs; ratios are varnello's (or intake's) figure divided by the peer's"
echo
echo "| shape | tool | wall s | peak MiB | time / qpdf | mem / qpdf | time / pdfunite | mem / pdfunite |"
echo "| --- | --- | ---: | ---: | ---: | ---: | ---: | ---: |"
verdicts=()
for shape in $shapes; do
    files=${shape%x*}
    pages=${shape#*x}
    total=$((files * pages))
    dir="$work/$shape"
    mkdir -p "$dir"
    "$bench_tool" make "$dir" "$files" "$pages"
    inputs=("$dir"/f*.pdf)

    measure qpdf "$total" qpdf --empty --pages "${inputs[@]}" -- "$work/out.pdf"
    q_wall=$wall q_peak=$peak
    measure pdfunite "$total" pdfunite "${inputs[@]}" "$work/out.pdf"
    u_wall=$wall u_peak=$peak
    label="$files × $pages p"
    measure varnello "$total" "$merge_tool" "$work/out.pdf" "${inputs[@]}"
    row "$label" varnello-merge "$wall" "$peak"
    verdicts+=("$label: $(verdict "$wall" "$peak")")
    if [ -n "$before_tool" ]; then
        measure "varnello (Debian's PoDoFo)" "$total" "$before_tool" "$work/out.pdf" "${inputs[@]}"
        row "$label" "varnello-merge, Debian's PoDoFo" "$wall" "$peak"
    fi
    row "$label" qpdf "$q_wall" "$q_peak"
    row "$label" pdfunite "$u_wall" "$u_peak"
    measure intake 0 "$bench_tool" intake "${inputs[@]}"
    row "$label" "intake (open each file)" "$wall" "$peak"
    rm -rf "$dir"
done
echo
echo "varnello-merge at least as fast as qpdf with no more memory:"
printf '  %s\n' "${verdicts[@]}"
