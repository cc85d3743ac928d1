#!/bin/bash
# Runs one Windows program under Wine (CTest's cross-compiling emulator).
# scripts/test.sh prepares the display and prefix once per test run; started
# on its own, this script makes a private pair for the one program.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
if [ -z "${ORBISCA_WINE_READY:-}" ]; then
    wine_env_start
    trap wine_env_stop EXIT
    "$WINE" "$@"
    exit $?
fi
exec "$WINE" "$@"
