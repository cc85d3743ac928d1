#!/bin/bash
# Installs what building and testing need on a Debian 12 machine (idempotent).
set -eu
packages="cmake make g++ mingw-w64 wine wine64 xvfb xauth xdotool x11-apps x11-utils imagemagick libjpeg-turbo-progs
 libimage-exiftool-perl golang-github-rwcarlsen-goexif-dev googletest libgtest-dev clang libclang-rt-14-dev
 zip unzip python3 xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils"
missing() {
    local p
    for p in $packages; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
    done
}
[ -z "$(missing)" ] && exit 0
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
# Two set-ups on one machine (two test runs started together) take turns, and
# the second finds what the first installed. apt waits for a dpkg lock that
# something else on the machine holds.
exec 9>>/tmp/orbisca-setup.lock
flock 9
missing=$(missing | tr '\n' ' ')
if [ -n "$missing" ]; then
    echo "Installing: $missing"
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends $missing
fi
