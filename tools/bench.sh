#!/bin/bash
# Runs one benchmark: tools/bench.sh NAME [ARGS...] (NAME with or without its
# "bench_" prefix; README, "Benchmarks", lists them). A benchmark whose folder
# holds a run.sh is run through it (it makes its photos or trees, then runs
# the program); the others run on a private X display and Wine prefix. Run
# scripts/build.sh first. ORBISCA_BUILD names another build folder
# (build/win64 unless set), ORBISCA_DISPLAY the display's size (1280x1024x24).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:-}
name=${name#bench_}
dir=$root/tools/bench_$name
if [ -z "$name" ] || [ ! -d "$dir" ]; then
    echo "usage: tools/bench.sh NAME [ARGS...], NAME one of:" >&2
    (cd "$root/tools" && ls -d bench_*/ | sed 's|^bench_\(.*\)/$|  \1|') >&2
    exit 2
fi
shift
build=${ORBISCA_BUILD:-$root/build/win64}
if [ -f "$dir/run.sh" ]; then
    exec bash "$dir/run.sh" "$build" "$@"
fi
. "$root/scripts/wine-env.sh"
wine_env_start "${ORBISCA_DISPLAY:-1280x1024x24}" || exit 1
trap wine_env_stop EXIT
"$WINE" "$build/tools/bench_$name.exe" "$@" | tr -d '\r'
