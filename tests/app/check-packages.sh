#!/bin/bash
# Packs the release twice, each time from a fresh build, and checks both
# archives: the four files, each program's imports, manifest and version, the
# README's essentials, Windows line ends, and the same bytes both times.
# usage: check-packages.sh
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

for run in a b; do
    if ! ORBISCA_PACKAGE_BUILD="$tmp/build-$run" "$root/scripts/package.sh" "$tmp/$run" >"$tmp/$run.log" 2>&1; then
        cat "$tmp/$run.log"
        echo "FAIL: scripts/package.sh"
        exit 1
    fi
done
version=$(sed -n 's/^#define ORBISCA_VERSION_TEXT "\(.*\)"$/\1/p' "$root/app/version.h")

for arch in win64 win32; do
    zip=qelvar-orbisca-$version-$arch.zip
    [ -f "$tmp/a/$zip" ] || { fail "no $zip"; continue; }
    echo "== $zip ($(stat -c %s "$tmp/a/$zip") bytes)"
    unzip -tq "$tmp/a/$zip" >/dev/null || fail "$zip is damaged"
    entries=$(unzip -Z1 "$tmp/a/$zip" | tr '\n' ' ')
    [ "$entries" = "orbisca.exe orbisca.scr README.txt LICENSE.txt " ] || fail "$zip holds: $entries"
    x="$tmp/x-$arch"
    unzip -q -d "$x" "$tmp/a/$zip"
    case $arch in win64) objdump=x86_64-w64-mingw32-objdump ;; win32) objdump=i686-w64-mingw32-objdump ;; esac
    case $arch in win64) format=pei-x86-64 ;; win32) format=pei-i386 ;; esac
    for program in orbisca.exe orbisca.scr; do
        "$objdump" -f "$x/$program" | grep -q "file format $format" || fail "$arch: $program is not $format"
    done
    "$here/check-imports.sh" "$objdump" "$x/orbisca.exe" "$x/orbisca.scr" || fail "$arch: imports"
    python3 "$here/check-resources.py" "$root/app/version.h" "$x/orbisca.exe" "$x/orbisca.scr" ||
        fail "$arch: resources"
    for want in "qelvar orbisca $version ($arch)" d3dx9_27.dll 'DirectX End-User Runtime' 'Nothing to install' \
        'HKEY_CURRENT_USER\Software\orbisca' 'reg delete HKCU\Software\orbisca' Esc 'right click' orbisca.scr \
        Install; do
        grep -qF "$want" "$x/README.txt" || fail "$arch: README.txt does not say '$want'"
    done
    grep -q "^MIT License" "$x/LICENSE.txt" || fail "$arch: LICENSE.txt is not the licence"
    for f in README.txt LICENSE.txt; do
        [ "$(grep -c $'\r$' "$x/$f")" = "$(wc -l <"$x/$f")" ] || fail "$arch: $f has lines without CRLF"
    done
    cmp -s "$tmp/a/$zip" "$tmp/b/$zip" || fail "$zip differs between two packagings of the same commit"
done
[ $status = 0 ] && echo "PASS: both packages"
exit $status
