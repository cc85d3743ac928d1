#!/bin/bash
# Checks the compiled effect kept in git against the effect text.
#
#   scripts/check-effect-binary.sh FXPACK current   resources/effect.fxo is what
#                                                   make-effect-binary.sh makes now
#   scripts/check-effect-binary.sh FXPACK broken    a syntax error in the text
#                                                   fails make-effect-binary.sh
#
# Exits 77 (skipped) when vkd3d's compiler is not installed
# (scripts/install-vkd3d.sh).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fxpack=${1:?usage: check-effect-binary.sh FXPACK current|broken}
mode=${2:?usage: check-effect-binary.sh FXPACK current|broken}

if ! "$here/vkd3d-compiler" --version >/dev/null 2>&1; then
    echo "vkd3d-compiler is not installed (scripts/install-vkd3d.sh); skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case "$mode" in
current)
    "$here/make-effect-binary.sh" "$work/effect.fxo" "$fxpack" || exit 1
    if ! cmp "$work/effect.fxo" "$here/../resources/effect.fxo"; then
        echo "resources/effect.fxo is out of date: run scripts/make-effect-binary.sh resources/effect.fxo"
        exit 1
    fi
    ;;
broken)
    # A missing semicolon in the grey-scale filter, which every technique
    # with that filter uses.
    sed 's/return float4(l, l, l, 0);/return float4(l, l, l, 0)/' "$here/../resources/effect.fx" > "$work/broken.fx"
    if cmp -s "$work/broken.fx" "$here/../resources/effect.fx"; then
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
