#!/bin/bash
# Installs vkd3d's HLSL compiler for building the compiled effect, without
# touching the system's own packages: the compiler and the C library it needs
# come from Debian's unstable suite, are fetched with apt-get into a private
# apt state and unpacked (dpkg -x) into a cache folder. The compiler then runs
# with the unpacked dynamic loader and libraries (see scripts/vkd3d-compiler).
#
#   scripts/install-vkd3d.sh [CACHE]     default CACHE: /var/cache/orbisca-vkd3d
#
# Idempotent: a cache that already holds a working compiler is left alone.
set -euo pipefail

cache=${1:-${ORBISCA_VKD3D:-/var/cache/orbisca-vkd3d}}
root=$cache/root
mirror=${ORBISCA_DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages="vkd3d-compiler libvkd3d-shader1 libc6 libgcc-s1"

here=$(cd "$(dirname "$0")" && pwd)
if ORBISCA_VKD3D=$cache "$here/vkd3d-compiler" --version >/dev/null 2>&1; then
    echo "vkd3d-compiler is ready in $cache"
    exit 0
fi

mkdir -p "$cache/apt/lists/partial" "$cache/apt/archives/partial" "$cache/debs"
echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror unstable main" > "$cache/apt/sources.list"
# A private source list, list folder and archive folder: the system's apt
# state, sources and installed packages stay as they are.
apt_opts=(
    -o "Dir::Etc::SourceList=$cache/apt/sources.list"
    -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$cache/apt/lists"
    -o "Dir::Cache::Archives=$cache/apt/archives"
    -o "Dir::Cache::pkgcache="
    -o "Dir::Cache::srcpkgcache="
    -o "APT::Get::List-Cleanup=false"
    -o "Acquire::Check-Valid-Until=false"
    -o "Acquire::Languages=none"
)
apt-get "${apt_opts[@]}" update
cd "$cache/debs"
rm -f ./*.deb
apt-get "${apt_opts[@]}" download $packages
rm -rf "$root"
mkdir -p "$root"
for deb in ./*.deb; do
    dpkg -x "$deb" "$root"
done
ORBISCA_VKD3D=$cache "$here/vkd3d-compiler" --version
echo "vkd3d-compiler is ready in $cache"
