#!/usr/bin/env bash
# Builds a libFuzzer target with clang in build/fuzz, AddressSanitizer and UBSan on every library
# it links (PoDoFo too, built once by clang with coverage and fatal UBSan), and runs it for SECONDS
# (default 600).
#   tools/fuzz.sh [markup|merge] [SECONDS] [extra libFuzzer options...]
# markup (the default): the markup parser, seeded from tests/fuzz/seeds.
# merge: two PDF files loaded and merged by the engine (damaged-file recovery on), seeded with
#        the damaged and crafted files of tests/merge/damaged_pdfs.py, made fresh at each run, and
#        the tagged files of tests/merge/tagged.
# Crashes land in build/fuzz/findings-TARGET; the corpus grows in build/fuzz/corpus-TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
target=markup
case "${1:-}" in
markup | merge)
    target=$1
    shift
    ;;
esac
seconds=${1:-600}
shift || true

command -v clang++ >/dev/null && [ -n "$(ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] ||
    apt-get install -y clang libclang-rt-14-dev >/dev/null

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DVARNELLO_FUZZ=ON >/dev/null

corpus="$build/corpus-$target"
findings="$build/findings-$target"
mkdir -p "$corpus" "$findings"
if [ "$target" = markup ]; then
    cmake --build "$build" --target parse_markup_fuzz
    "$build/tests/fuzz/parse_markup_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" -dict=tests/fuzz/markup.dict "$@" "$corpus" tests/fuzz/seeds
else
    cmake --build "$build" --target merge_pdf_fuzz
    seeds="$build/seeds-merge"
    rm -rf "$seeds"
    mkdir -p "$seeds/files"
    /usr/bin/python3 tests/merge/damaged_pdfs.py "$seeds/files" >/dev/null
    # The fuzzer takes two files: each one paired with the sound one, both ways round.
    for file in "$seeds"/files/[0-9]*[0-9].pdf "$seeds/files/sealed.pdf" tests/merge/tagged/*.pdf; do
        name=$(basename "$file" .pdf)
        { cat "$seeds/files/00.pdf" && printf '\n%%%%NEXT-PDF%%%%\n' && cat "$file"; } >"$seeds/$name-after"
        { cat "$file" && printf '\n%%%%NEXT-PDF%%%%\n' && cat "$seeds/files/00.pdf"; } >"$seeds/$name-before"
    done
    rm -r "$seeds/files"
    # A merge that takes longer than -timeout seconds is a finding: every input must end in
    # bounded time.
    "$build/tests/fuzz/merge_pdf_fuzz" -max_total_time="$seconds" -print_final_stats=1 -timeout=30 \
        -artifact_prefix="$findings/" -dict=tests/fuzz/pdf.dict "$@" "$corpus" "$seeds"
fi
