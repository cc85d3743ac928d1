#!/bin/bash
# The show on a 2560 x 1600 screen of its own: photo textures of 2048, and
# fine stripes that reach the screen (sharp_photos.cpp).
# usage: sharp_photos.sh SHARP_PHOTOS_EXE
set -euo pipefail
exe=$1
. "$(dirname "$0")/../../scripts/wine-env.sh"
wine_env_start 2560x1600x24 || exit 1
work=$(mktemp -d /tmp/orbisca-sharp.XXXXXX)
trap 'wine_env_stop; rm -rf "$work"' EXIT
"$WINE" "$exe" "Z:${work//\//\\}" 2048 | tr -d '\r'
