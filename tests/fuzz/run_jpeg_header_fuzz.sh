#!/bin/sh
# Builds the JPEG header reader's fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for the given
# seconds (default 300). Seeds: the test photos and small hand-made heads.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/header_corpus" "$out/header_seeds"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
    "$root/tests/fuzz/jpeg_header_fuzz.cpp" "$root/pipeline/jpeg_header.cpp" "$root/pipeline/photo_header.cpp" \
    "$root/pipeline/exif.cpp" \
    -o "$out/jpeg_header_fuzz"
for f in "$root"/tests/pipeline/data/*.jpg "$root"/tests/pipeline/data/*.png; do
    cp "$f" "$out/header_seeds/$(basename "$f")"
done
"$out/jpeg_header_fuzz" -max_total_time="${1:-300}" -max_len=131072 -print_final_stats=1 \
    "$out/header_corpus" "$out/header_seeds"
