#!/bin/bash
# Benchmark of the show's smoothness: makes a folder of photo-sized JPEGs
# (12 megapixels, 7 of them) and runs bench_smooth over it under Wine, on a
# private display and Wine prefix, optionally while a full-screen grab of the
# display (xwd -root) runs every 2 seconds.
# Usage: tools/bench.sh smooth [seconds, default 600] [grab] [threads]
#                              [bare | cold | all-at-once]
# threads: every thread of the machine is sampled meanwhile, and for each gap
# over 1 s the threads that ran in it are printed (tools/bench_smooth/bench_threads.py).
# bare: the control, a bare Clear + Present loop on the program's device;
# cold: no warm-up; all-at-once: the cost of every technique's first use at once.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win64}
seconds=${2:-600}
grab="" threads="" mode=""
for arg in "${@:3}"; do
    case "$arg" in
    grab) grab=1 ;;
    threads) threads=1 ;;
    *) mode="$mode $arg" ;;
    esac
done
work=$(mktemp -d /tmp/bench_smooth.XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$root/tools/common/bench_photos.sh"
bench_photos "$work" 4000x3000 7

# Mesa keeps compiled shaders on disk between runs; without that cache every
# run prepares the techniques afresh, as the first run on a machine does.
export MESA_SHADER_CACHE_DISABLE=${MESA_SHADER_CACHE_DISABLE:-true}
. "$root/scripts/wine-env.sh"
wine_env_start 1280x1024x24
grabber="" sampler=""
trap '[ -n "$grabber" ] && kill "$grabber" 2>/dev/null; [ -n "$sampler" ] && kill "$sampler" 2>/dev/null; wine_env_stop; rm -rf "$work"' EXIT
echo "display 1280x1024x24; MESA_SHADER_CACHE_DISABLE=$MESA_SHADER_CACHE_DISABLE; load before the run: $(uptime)"
if [ -n "$grab" ]; then
    echo "a full-screen grab (xwd -root) every 2 s"
    (while :; do xwd -root -silent -out "$work/grab.xwd"; sleep 2; done) &
    grabber=$!
fi
if [ -n "$threads" ]; then
    python3 "$root/tools/bench_smooth/bench_threads.py" sample "$work/threads.txt" &
    sampler=$!
fi
# shellcheck disable=SC2086
"$WINE" "$build/tools/bench_smooth.exe" "Z:${work//\//\\}" "$seconds" $mode | tr -d '\r' | tee "$work/out.txt"
if [ -n "$threads" ]; then
    kill "$sampler" 2>/dev/null
    sampler=""
    python3 "$root/tools/bench_smooth/bench_threads.py" report "$work/threads.txt" "$work/out.txt"
fi
echo "load after the run: $(uptime)"
