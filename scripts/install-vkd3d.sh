#!/bin/bash
# Installs vkd3d's HLSL compiler for making the compiled effect again (a
# maintainer's step, see README.md; building and testing do without), without
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
# The machine's own Debian mirror, as its apt sources name it.
system_mirror() {
    { sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null
      awk '$1 == "deb" { print ($2 ~ /^\[/ ? $3 : $2) }' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
    } | tr ' ' '\n' | grep -E '/debian/?$' | head -n 1 || true
}
mirror=${ORBISCA_DEBIAN_MIRROR:-$(system_mirror)}
[ -n "$mirror" ] || { echo "install-vkd3d: no Debian mirror in the apt sources" >&2; exit 1; }
# resources/effect.fxo was made with this version; another one makes other
# bytes (its name is in every shader), so prefer it while the suite has it.
vkd3d_version=2.1+ds-1
packages="libc6 libgcc-s1"

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
    -o "APT::Sandbox::User=root"
)
apt-get "${apt_opts[@]}" update
cd "$cache/debs"
rm -f ./*.deb
if ! apt-get "${apt_opts[@]}" download $packages "vkd3d-compiler=$vkd3d_version" "libvkd3d-shader1=$vkd3d_version"; then
    echo "install-vkd3d: vkd3d $vkd3d_version is gone from the suite; taking its current version" >&2
    rm -f ./*.deb
    apt-get "${apt_opts[@]}" download $packages vkd3d-compiler libvkd3d-shader1
fi
rm -rf "$root"
mkdir -p "$root"
for deb in ./*.deb; do
    dpkg -x "$deb" "$root"
done
ORBISCA_VKD3D=$cache "$here/vkd3d-compiler" --version
echo "vkd3d-compiler is ready in $cache"
