#!/bin/bash
# Runs one Windows program under Wine (CTest's cross-compiling emulator), on
# the display and prefix CTest gave the test (scripts/test.sh prepares them),
# or on a private pair made for this one program.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
wine_env_use || exit 1
if [ -n "$ORBISCA_WINE_OWN" ]; then
    trap wine_env_stop EXIT
    "$WINE" "$@"
    exit $?
fi
exec "$WINE" "$@"
