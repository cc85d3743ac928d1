#!/bin/bash
# Benchmark of the image pipeline: makes two test photos (5120x2880 and
# 2560x1600), times a plain libjpeg decode of each (djpeg, its full decode:
# -scale 1/2 is no faster, entropy decoding dominates), then runs bench_load
# under Wine and prints its figures with the ratio to djpeg beside them. Then
# one 4000x3000 photo in each format the scan takes, and each one's load
# beside the JPEG's (formats no installed codec reads are said so).
# Usage: tools/bench.sh load
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win64}
work=$(mktemp -d /tmp/bench_load.XXXXXX)
trap 'rm -rf "$work"' EXIT

. "$root/tools/common/bench_photos.sh"
bench_photos "$work" 5120x2880 1 photo_5120x2880
bench_photos "$work" 2560x1600 1 photo_2560x1600
mkdir -p "$work/formats"
bench_photos "$work/formats" 4000x3000 1 format >/dev/null
base=$work/formats/format_1.jpg
for ext in png bmp gif webp heic; do convert "$base" -depth 8 "$work/formats/format_1.$ext"; done
convert "$base" -depth 8 -type TrueColor -compress LZW "$work/formats/format_1.tif"

declare -A djpeg_ms
for f in "$work"/*.jpg; do
    best=
    for i in 1 2 3; do
        s=$(date +%s.%N); djpeg -outfile /dev/null "$f"; e=$(date +%s.%N)
        ms=$(echo "($e - $s) * 1000" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$ms < $best" | bc -l)" = 1 ]; then best=$ms; fi
    done
    djpeg_ms[$(basename "$f")]=$best
    printf 'djpeg %s %.1f ms (best of 3)\n' "$(basename "$f")" "$best"
done

. "$root/scripts/wine-env.sh"
wine_env_start
trap 'wine_env_stop; rm -rf "$work"' EXIT
args=()
for f in "$work"/*.jpg; do args+=("Z:${f//\//\\}"); done
"$WINE" "$build/tools/bench_load.exe" "${args[@]}" | tr -d '\r' | while read -r line; do
    echo "$line"
    case "$line" in
    load*)
        name=$(echo "$line" | awk '{print $2}' | sed 's/.*\\//')
        med=$(echo "$line" | awk '{print $6}')
        printf '  djpeg_ms %.1f  submit_to_done / djpeg %.2f\n' "${djpeg_ms[$name]}" \
            "$(echo "$med / ${djpeg_ms[$name]}" | bc -l)"
        ;;
    esac
done

# The formats: the worker's share of each load beside the JPEG's.
fargs=()
for f in "$work"/formats/*; do fargs+=("Z:${f//\//\\}"); done
echo "one photo of each format, 4000x3000:"
"$WINE" "$build/tools/bench_load.exe" "${fargs[@]}" | tr -d '\r' | awk '
    $1 == "load" && $3 ~ /x/ {
        n = split($2, parts, "\\"); name = parts[n]; ext = name; sub(/.*\./, "", ext)
        worker[ext] = $11; decoded[ext] = $NF; order[++count] = ext
    }
    END {
        for (i = 1; i <= count; ++i) {
            e = order[i]
            if (decoded[e] != "yes") printf "  %-5s not decoded (no installed codec reads it)\n", e
            else printf "  %-5s worker_ms median %7.1f  / JPEG %.2f\n", e, worker[e], worker[e] / worker["jpg"]
        }
    }'
