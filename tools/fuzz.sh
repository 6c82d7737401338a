#!/usr/bin/env bash
# Builds the markup parser's libFuzzer target with clang (AddressSanitizer and UBSan on every
# library it links) in build/fuzz, and runs it for SECONDS (default 600). Crashes land in
# build/fuzz/findings; the corpus grows in build/fuzz/corpus.
#   tools/fuzz.sh [SECONDS] [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
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
cmake --build "$build" --target parse_markup_fuzz

mkdir -p "$build/corpus" "$build/findings"
seeds=tests/fuzz/seeds
"$build/tests/fuzz/parse_markup_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/findings/" -dict=tests/fuzz/markup.dict "$@" "$build/corpus" "$seeds"
