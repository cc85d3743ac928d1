#!/bin/sh
# Builds the effect container reader's fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for the given
# seconds (default 300), seeded with the program's compiled effect.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/effect_corpus" "$out/effect_seeds"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
    "$root/tests/fuzz/effect_reader_fuzz.cpp" "$root/render/effect_reader.cpp" -o "$out/effect_reader_fuzz"
cp "$root/resources/effect.fxo" "$out/effect_seeds/effect.fxo"
"$out/effect_reader_fuzz" -max_total_time="${1:-300}" -max_len=131072 -print_final_stats=1 \
    "$out/effect_corpus" "$out/effect_seeds"
