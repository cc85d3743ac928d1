#!/bin/sh
# Builds the EXIF reader's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for the given seconds (default 300).
# Seeds: the camera sample files, when installed, and the test photos.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/corpus" "$out/seeds"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
    "$root/tests/fuzz/exif_fuzz.cpp" "$root/pipeline/exif.cpp" "$root/pipeline/jpeg_header.cpp" -o "$out/exif_fuzz"
for f in /usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/samples/*.jpg \
         /usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/corrupt/*.jpg "$root"/tests/pipeline/data/*.jpg; do
    [ -f "$f" ] && head -c 65536 "$f" > "$out/seeds/$(basename "$f")"
done
"$out/exif_fuzz" -max_total_time="${1:-300}" -max_len=65536 -print_final_stats=1 "$out/corpus" "$out/seeds"
