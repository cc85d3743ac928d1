#!/bin/bash
# A Right press to the next photo fully in view, over the photos of the
# cadence benchmark: tools/bench.sh step [WIDTHxHEIGHT, default 4000x3000] [photos, default 7]
here=$(cd "$(dirname "$0")" && pwd)
exec bash "$here/../bench_cadence/run.sh" "$1" "${2:-4000x3000}" "${3:-7}" bench_step
