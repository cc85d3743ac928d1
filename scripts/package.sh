#!/bin/bash
# Builds the release program for x86-64 and for 32-bit x86 and packs each for
# Windows users: OUT/qelvar-orbisca-<version>-win64.zip and -win32.zip, each
# with orbisca.exe, the screen saver orbisca.scr, README.txt and LICENSE.txt.
# usage: scripts/package.sh [OUT]        (OUT defaults to out/)
# ORBISCA_PACKAGE_BUILD names the build folder (default build/package).
#
# The same commit gives the same bytes: the executables carry no link time,
# and every file of an archive has the commit's time, fixed permissions, no
# extra attributes and a fixed place in the archive.
set -eu
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-out}" && cd "${1:-out}" && pwd)
build=${ORBISCA_PACKAGE_BUILD:-build/package}
version=$(sed -n 's/^#define ORBISCA_VERSION_TEXT "\(.*\)"$/\1/p' app/version.h)
[ -n "$version" ] || { echo "no version in app/version.h" >&2; exit 1; }
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1262304000)
jobs=${ORBISCA_JOBS:-2}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Text for Windows: CRLF line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$@"; }

for arch in win64 win32; do
    case $arch in
    win64) toolchain=cmake/mingw-x86_64.cmake prefix=x86_64-w64-mingw32 ;;
    win32) toolchain=cmake/mingw-i686.cmake prefix=i686-w64-mingw32 ;;
    esac
    echo "== $arch"
    toolchain_option=()
    [ -f "$build/$arch/CMakeCache.txt" ] || toolchain_option=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
    cmake -S . -B "$build/$arch" "${toolchain_option[@]}" -DCMAKE_BUILD_TYPE=Release -DORBISCA_TESTS=OFF >/dev/null
    cmake --build "$build/$arch" --target orbisca orbisca_saver -j "$jobs" >/dev/null

    rm -rf "${stage:?}"/*
    # Without symbols; strip would write the current time into the header
    # unless told a fixed one.
    for program in orbisca.exe orbisca.scr; do
        SOURCE_DATE_EPOCH=0 "$prefix-strip" -o "$stage/$program" "$build/$arch/$program"
    done
    crlf scripts/package-readme.txt | sed "s/@VERSION@/$version/; s/@ARCH@/$arch/" >"$stage/README.txt"
    crlf LICENSE >"$stage/LICENSE.txt"
    chmod 644 "$stage"/*
    touch -d "@$stamp" "$stage"/*

    zip_file="$out/qelvar-orbisca-$version-$arch.zip"
    rm -f "$zip_file"
    (cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip_file" orbisca.exe orbisca.scr README.txt LICENSE.txt)
    echo "$zip_file"
done
