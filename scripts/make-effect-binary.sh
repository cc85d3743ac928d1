#!/bin/bash
# Builds the compiled copy of the effect: preprocesses resources/effect.fx,
# compiles every shader its techniques use with vkd3d's HLSL compiler and
# packs them with fxpack into a binary effect. Made from resources/effect.fx,
# it writes beside OUT the record of what it was made from, OUT.digest
# (scripts/effect-digest.sh).
#
#   scripts/make-effect-binary.sh OUT [FXPACK [EFFECT]]
#
# FXPACK is the packer binary (default: build/native/fxpack/fxpack),
# EFFECT the effect text (default: resources/effect.fx).
# Any shader that fails to compile fails the whole run, with the compiler's
# messages on standard error. Needs scripts/install-vkd3d.sh to have run.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: make-effect-binary.sh OUT [FXPACK [EFFECT]]}
fxpack=${2:-$here/../build/native/fxpack/fxpack}
src=${3:-$here/../resources/effect.fx}
compiler=$here/vkd3d-compiler

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$("$compiler" --version | sed -n '1s/.*compiler version \([^ ]*\).*/\1/p')
[ -n "$version" ] || { echo "make-effect-binary: vkd3d-compiler does not tell its version" >&2; exit 1; }
"$compiler" -x hlsl -E -o "$work/effect.pre.fx" "$src"
failed=0
while read -r profile entry; do
    if ! "$compiler" -x hlsl -b d3dbc --profile "$profile" -e "$entry" \
            -o "$work/$entry.$profile.bin" "$src" 2>"$work/messages"; then
        echo "make-effect-binary: $entry does not compile for $profile:" >&2
        cat "$work/messages" >&2
        failed=1
    fi
done < <("$fxpack" list "$work/effect.pre.fx")
[ "$failed" = 0 ] || exit 1
"$fxpack" pack "$work/effect.pre.fx" "$work" "$out"
if [ $# -lt 3 ]; then
    "$here/effect-digest.sh" "$out" "$version" >"$out.digest"
fi
