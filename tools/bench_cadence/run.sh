#!/bin/bash
# Benchmark of the slideshow's cadence: makes a folder of photo-sized JPEGs
# (12 megapixels, 4000x3000, unless WIDTHxHEIGHT is given) and runs
# bench_cadence over it under Wine, on a private display and Wine prefix.
# Usage: tools/bench.sh cadence [WIDTHxHEIGHT] [photos, default 7] [SECONDS...]
# With seconds per photo given (for example 4 12), one show for each and the
# median interval of each against its goal. tools/bench_step/run.sh runs
# bench_step over the same photos instead (Right presses to the next photo
# fully in view, 5 per case), naming it in place of the seconds.
# ORBISCA_DISPLAY=WIDTHxHEIGHTxDEPTH sets the virtual display; unless given,
# bench_cadence runs on 2560x1600x24 (photo textures of 2048) and on
# 1280x1024x24 (1024), one after the other, and their summaries are printed
# together at the end. A smaller display gives software rendering a higher
# frame rate.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win64}
size=${2:-4000x3000}
count=${3:-7}
shift $(($# < 3 ? $# : 3))
bench=bench_cadence
seconds=("$@")
if [ "${1:-}" = bench_step ]; then
    bench=bench_step
    seconds=()
fi
work=$(mktemp -d /tmp/bench_cadence.XXXXXX)
trap 'rm -rf "$work"' EXIT

. "$root/tools/common/bench_photos.sh"
bench_photos "$work" "$size" "$count"

. "$root/scripts/wine-env.sh"
args=("$count" "${seconds[@]}")
[ "$bench" = bench_cadence ] || args=()
displays=(${ORBISCA_DISPLAY:-2560x1600x24 1280x1024x24})
[ "$bench" = bench_cadence ] || displays=(${ORBISCA_DISPLAY:-1280x1024x24})
for display in "${displays[@]}"; do
    wine_env_start "$display"
    echo "display $display"
    trap 'wine_env_stop; rm -rf "$work"' EXIT
    "$WINE" "$build/tools/$bench.exe" "Z:${work//\//\\}" "${args[@]}" | tr -d '\r' | tee -a "$work/out.txt"
    wine_env_stop
    trap 'rm -rf "$work"' EXIT
done
if [ "${#displays[@]}" -gt 1 ]; then
    echo
    grep '^summary' "$work/out.txt" || true
fi
