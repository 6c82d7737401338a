#!/usr/bin/env bash
# The merge benchmark: varnello-merge against four peers (`qpdf --empty --pages`, `pdfunite`,
# `mutool merge`, `pdftk ... cat`) and the floor (`cat` of the inputs) on generated inputs, plus
# the intake validation of the same files. Prints a Markdown table per shape and tool: best wall
# time of the runs, peak memory (GNU time) and output size, and the time over the fastest peer's.
#
#   bench/run.sh [--runs N] [--shapes "200x1 20x40-jpeg 20-invoice ..."] [--before] [--compare EXE]
#                [--large]
#
# Shapes: FILESxPAGES merges FILES files of PAGES text pages each; FILESxPAGES-jpeg the same
# count of scanned-looking pages, each one JPEG of its own; FILES-invoice one-page invoices that
# each embed the same TrueType font and the same logo (the shape where storing identical objects
# once matters; its row "mutool merge + clean -gggg" is the size to compare with). Inputs are
# kept in build/bench-inputs between runs and made again when their generator changes.
# --before adds varnello-merge built against Debian's binary libpodofo (without our patches),
# in build/bench-system; --compare EXE adds another build of varnello-merge (an earlier commit's).
# --large adds the shape 100x100-bulk: 10,000 scanned pages with bytes of their own, about 3 GB,
# merged once by each tool under a cap of 1,000,000 KiB of address space (ulimit -v): a merge
# must not need memory in proportion to its inputs. Its inputs take a few minutes to make and
# 3 GB of disk in build/bench-inputs, its outputs 3 GB more while they are checked.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=3
shapes="200x1 2000x1 10x100 100x100 2x5000 20x40-jpeg 20-invoice"
before_tool=
compare_tool=
large=
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --shapes) shapes="$2"; shift 2 ;;
    --before) before_tool=build/bench-system/merge/varnello-merge; shift ;;
    --compare) compare_tool="$(realpath "$2")"; shift 2 ;;
    --large) large=1; shift ;;
    *) echo "usage: bench/run.sh [--runs N] [--shapes \"200x1 20x40-jpeg ...\"] [--before] [--compare EXE] [--large]" >&2; exit 2 ;;
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
inputs_root=build/bench-inputs
# Inputs made by an older generator are made again.
generator=$(cat bench/BenchTool.cpp bench/make_inputs.py | sha256sum | cut -c1-12)

work="$(mktemp -d "${TMPDIR:-/tmp}/varnello-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

calc() { awk "BEGIN { print $1 }"; }

# make_inputs SHAPE DIR: writes the shape's inputs into DIR unless they are there already.
make_inputs() {
    local shape="$1" dir="$2" files pages
    [ "$(cat "$dir/.complete" 2>/dev/null)" = "$generator" ] && return 0
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "Making the inputs of $shape..." >&2
    case "$shape" in
    *x*-jpeg | *x*-bulk)
        files=${shape%%x*} pages=${shape#*x} pages=${pages%-*}
        /usr/bin/python3 bench/make_inputs.py "${shape##*-}" "$dir" "$files" "$pages" ;;
    *-invoice) /usr/bin/python3 bench/make_inputs.py invoice "$dir" "${shape%-invoice}" ;;
    *x*) "$bench_tool" make "$dir" "${shape%x*}" "${shape#*x}" ;;
    *) echo "unknown shape $shape" >&2; exit 2 ;;
    esac
    echo "$generator" >"$dir/.complete"
}

# measure NAME PAGES CMD...: runs CMD $runs times; records the best wall time, the peak memory of
# that run (MiB) and the size of $work/out.pdf (MiB) in $wall, $peak and $size, and checks the
# output's page count when PAGES > 0.
measure() {
    local name="$1" pages="$2"
    shift 2
    local best="" best_peak="" i start end took mib
    for ((i = 0; i < runs; i++)); do
        rm -f "$work/out.pdf" "$work/out.pdf.step"
        start=$(date +%s.%N)
        if ! /usr/bin/time -v -o "$work/time.txt" "${limit[@]}" "$@" >"$work/cmd.txt" 2>&1; then
            echo "$name failed:" >&2
            tail -n 5 "$work/cmd.txt" >&2
            wall=failed peak=failed size=failed
            return 0
        fi
        end=$(date +%s.%N)
        took=$(calc "$end - $start")
        mib=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$work/time.txt")
        if [ -z "$best" ] || [ "$(calc "$took < $best")" = 1 ]; then
            best=$took best_peak=$mib
        fi
    done
    size=-
    [ -f "$work/out.pdf" ] && size=$(printf '%.3f' "$(calc "$(stat -c %s "$work/out.pdf") / 1048576")")
    if [ "$pages" -gt 0 ]; then
        local got
        # qpdf exits 3 when it only warns; the count is still right.
        got=$(qpdf --show-npages "$work/out.pdf" 2>/dev/null | head -n1 || true)
        if [ "$got" != "$pages" ]; then
            echo "$name wrote $got pages instead of $pages" >&2
            wall=wrong peak=wrong size=wrong
            return 0
        fi
    fi
    wall=$(printf '%.3f' "$best") peak=$best_peak
}

ratio() {
    case "$1$2" in
    *failed* | *wrong* | "") echo "-" ;;
    *) printf '%.2f' "$(calc "$1 / $2")" ;;
    esac
}

row() { # shape tool wall peak size
    printf '| %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" "$5" "$(ratio "$3" "$fastest")"
}

echo "Merge benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(awk -F': *' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "best of $runs runs; output in MiB; the last column is the wall time over the fastest peer's"
echo
echo "| shape | tool | wall s | peak MiB | output MiB | wall / fastest peer |"
echo "| --- | --- | ---: | ---: | ---: | ---: |"
summary=()
[ -z "$large" ] || shapes="$shapes 100x100-bulk"
for shape in $shapes; do
    # The large shape runs once, each tool with its address space capped.
    limit=()
    runs_here=$runs
    if [ "${shape%-bulk}" != "$shape" ]; then
        limit=(sh -c 'ulimit -v 1000000 && exec "$@"' capped)
        runs=1
    fi
    dir="$inputs_root/$shape"
    make_inputs "$shape" "$dir"
    inputs=("$dir"/f*.pdf)
    total=0
    for f in "${inputs[@]}"; do
        total=$((total + $(qpdf --show-npages "$f")))
    done
    case "$shape" in
    *-invoice) label="$shape (${#inputs[@]} × 1 p)" ;;
    *) label="$shape (${#inputs[@]} files, $total p)" ;;
    esac

    # name|wall|peak|size for each peer; the fastest one's time is the reference.
    peers=()
    measure qpdf "$total" qpdf --empty --pages "${inputs[@]}" -- "$work/out.pdf"
    peers+=("qpdf|$wall|$peak|$size")
    measure pdfunite "$total" pdfunite "${inputs[@]}" "$work/out.pdf"
    peers+=("pdfunite|$wall|$peak|$size")
    measure "mutool merge" "$total" mutool merge -o "$work/out.pdf" "${inputs[@]}"
    peers+=("mutool merge|$wall|$peak|$size")
    measure pdftk "$total" pdftk "${inputs[@]}" cat output "$work/out.pdf"
    peers+=("pdftk|$wall|$peak|$size")
    fastest="" fastest_name=""
    for p in "${peers[@]}"; do
        IFS='|' read -r name w _ _ <<<"$p"
        case "$w" in failed | wrong) continue ;; esac
        if [ -z "$fastest" ] || [ "$(calc "$w < $fastest")" = 1 ]; then
            fastest=$w fastest_name=$name
        fi
    done

    measure varnello "$total" "$merge_tool" "$work/out.pdf" "${inputs[@]}"
    row "$label" varnello-merge "$wall" "$peak" "$size"
    v_wall=$wall v_size=$size
    if [ -n "$before_tool" ]; then
        measure "varnello (Debian's PoDoFo)" "$total" "$before_tool" "$work/out.pdf" "${inputs[@]}"
        row "$label" "varnello-merge, Debian's PoDoFo" "$wall" "$peak" "$size"
    fi
    if [ -n "$compare_tool" ]; then
        measure "$compare_tool" "$total" "$compare_tool" "$work/out.pdf" "${inputs[@]}"
        row "$label" "varnello-merge, the --compare build" "$wall" "$peak" "$size"
    fi
    for p in "${peers[@]}"; do
        IFS='|' read -r name w m s <<<"$p"
        row "$label" "$name" "$w" "$m" "$s"
    done
    line="$shape: varnello-merge $(ratio "$v_wall" "$fastest") × the time of $fastest_name"
    if [ "${shape%-invoice}" != "$shape" ]; then
        # mutool's merge, then its garbage collection with duplicate objects and streams merged.
        measure "mutool merge + clean -gggg" "$total" sh -c \
            'mutool merge -o "$0.step" "$@" && mutool clean -gggg "$0.step" "$0"' "$work/out.pdf" "${inputs[@]}"
        row "$label" "mutool merge + clean -gggg" "$wall" "$peak" "$size"
        line="$line; output $(ratio "$v_size" "$size") × mutool merge + clean -gggg (target ≤ 1.10)"
    fi
    summary+=("$line")
    measure cat 0 sh -c 'cat "$@" >"$0"' "$work/out.pdf" "${inputs[@]}"
    row "$label" "cat (the floor)" "$wall" "$peak" "$size"
    measure intake 0 "$bench_tool" intake "${inputs[@]}"
    row "$label" "intake (open each file)" "$wall" "$peak" "-"
    runs=$runs_here
done
echo
printf '%s\n' "${summary[@]}"
