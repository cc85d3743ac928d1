#!/bin/bash
# Benchmark of the slideshow's cadence: makes a folder of photo-sized JPEGs
# (12 megapixels, 4000x3000, unless WIDTHxHEIGHT is given) and runs
# bench_cadence over it under Wine, on a private display and Wine prefix.
# Usage: tools/bench.sh cadence [WIDTHxHEIGHT] [photos, default 7] [SECONDS...]
# With seconds per photo given (for example 4 12), one show for each and the
# median interval of each against its goal. tools/bench_step/run.sh runs
# bench_step over the same photos instead (Right presses to the next photo
# fully in view, 5 per case), naming it in place of the seconds.
# ORBISCA_DISPLAY=WIDTHxHEIGHTxDEPTH sets the virtual display (1280x1024x24
# unless given); a smaller one gives software rendering a higher frame rate.
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
wine_env_start "${ORBISCA_DISPLAY:-1280x1024x24}"
echo "display ${ORBISCA_DISPLAY:-1280x1024x24}"
trap 'wine_env_stop; rm -rf "$work"' EXIT
args=("$count" "${seconds[@]}")
[ "$bench" = bench_cadence ] || args=()
"$WINE" "$build/tools/$bench.exe" "Z:${work//\//\\}" "${args[@]}" | tr -d '\r'
