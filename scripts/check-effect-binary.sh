#!/bin/bash
# Checks the compiled effect kept in git against the effect text.
#
#   scripts/check-effect-binary.sh FXPACK digest    resources/effect.fxo.digest
#                                                   matches the effect text, the
#                                                   build script, the packer's
#                                                   sources and the compiled copy
#   scripts/check-effect-binary.sh FXPACK current   resources/effect.fxo is what
#                                                   make-effect-binary.sh makes now
#   scripts/check-effect-binary.sh FXPACK broken    a syntax error in the text
#                                                   fails make-effect-binary.sh
#
# digest needs nothing but the files. current exits 77 (skipped) unless vkd3d's
# compiler is installed (scripts/install-vkd3d.sh) in the version the record
# names: another version makes other bytes. broken needs any version.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
fxpack=${1:?usage: check-effect-binary.sh FXPACK digest|current|broken}
mode=${2:?usage: check-effect-binary.sh FXPACK digest|current|broken}
record=$root/resources/effect.fxo.digest
stale="resources/effect.fxo is out of date: make it again (README, \"The effect\")"

recorded_version() { sed -n 's/^compiler vkd3d //p' "$record"; }
installed_version() { "$here/vkd3d-compiler" --version 2>/dev/null | sed -n '1s/.*compiler version \([^ ]*\).*/\1/p'; }

if [ "$mode" = digest ]; then
    [ -f "$record" ] || { echo "resources/effect.fxo.digest is missing"; exit 1; }
    if ! diff -u "$record" <("$here/effect-digest.sh" "$root/resources/effect.fxo" "$(recorded_version)"); then
        echo "$stale"
        exit 1
    fi
    echo ok
    exit 0
fi

installed=$(installed_version)
if [ -z "$installed" ]; then
    echo "vkd3d-compiler is not installed (scripts/install-vkd3d.sh); skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case "$mode" in
current)
    if [ "$installed" != "$(recorded_version)" ]; then
        echo "vkd3d-compiler is version $installed, resources/effect.fxo was made with $(recorded_version); skipped"
        exit 77
    fi
    "$here/make-effect-binary.sh" "$work/effect.fxo" "$fxpack" || exit 1
    if ! cmp "$work/effect.fxo" "$root/resources/effect.fxo"; then
        echo "$stale"
        exit 1
    fi
    ;;
broken)
    # A missing semicolon in the grey-scale filter, which every technique
    # with that filter uses.
    sed 's/return float4(l, l, l, 0);/return float4(l, l, l, 0)/' "$root/resources/effect.fx" > "$work/broken.fx"
    if cmp -s "$work/broken.fx" "$root/resources/effect.fx"; then
        echo "could not break the effect text"
        exit 1
    fi
    if "$here/make-effect-binary.sh" "$work/broken.fxo" "$fxpack" "$work/broken.fx" 2>"$work/messages"; then
        echo "a broken effect text was packed"
        exit 1
    fi
    [ -e "$work/broken.fxo" ] && { echo "a broken effect text left an output"; exit 1; }
    grep -q 'does not compile' "$work/messages" || { cat "$work/messages"; exit 1; }
    ;;
*)
    exit 2
    ;;
esac
echo ok
