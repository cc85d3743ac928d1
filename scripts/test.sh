#!/bin/bash
# Every test: installs what is missing, builds, runs the native tests and then
# the Windows tests under Wine on a private display with a throwaway prefix.
set -u
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
scripts/build.sh || exit 1

echo "== native tests"
ctest --preset native -j 2
native=$?

echo "== Windows tests under Wine"
. scripts/wine-env.sh
wine_env_start
trap wine_env_stop EXIT
ctest --preset win64
windows=$?
[ $native -eq 0 ] && [ $windows -eq 0 ]
