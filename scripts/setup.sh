#!/bin/bash
# Installs what building and testing need on a Debian 12 machine (idempotent).
set -eu
packages="cmake make g++ mingw-w64 wine wine64 xvfb xauth xdotool x11-apps x11-utils imagemagick libjpeg-turbo-progs
 libimage-exiftool-perl golang-github-rwcarlsen-goexif-dev googletest libgtest-dev clang libclang-rt-14-dev
 zip unzip python3"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    echo "Installing:$missing"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi
