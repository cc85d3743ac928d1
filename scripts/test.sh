#!/bin/bash
# Every test: installs what is missing, builds, runs the native tests and then
# the Windows tests under Wine. The Windows tests run two at a time, each on a
# display and Wine prefix of its own (tests/wine-slots.json).
set -u
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
scripts/build.sh || exit 1

echo "== native tests"
ctest --preset native -j 2
native=$?

echo "== Windows tests under Wine"
. scripts/wine-env.sh
trap wine_env_stop_slots EXIT
wine_env_start_slots 2 || exit 1
ctest --preset win64 -j 2
windows=$?
[ $native -eq 0 ] && [ $windows -eq 0 ]
