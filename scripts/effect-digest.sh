#!/bin/bash
# Prints the record of what the compiled effect is made from: the compiler's
# version, the SHA-256 of the effect text, of the script that builds it, of
# the packer's sources and of the reader's header it takes the container's
# numbers from, and of the compiled effect itself.
#
#   scripts/effect-digest.sh FXO VERSION
#
# scripts/make-effect-binary.sh keeps this record beside its output
# (resources/effect.fxo.digest); scripts/check-effect-binary.sh compares it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fxo=${1:?usage: effect-digest.sh FXO VERSION}
version=${2:?usage: effect-digest.sh FXO VERSION}
fxo=$(cd "$(dirname "$fxo")" && pwd)/$(basename "$fxo")

echo "# What resources/effect.fxo is made from (scripts/make-effect-binary.sh)."
echo "compiler vkd3d $version"
cd "$root"
inputs=(resources/effect.fx scripts/make-effect-binary.sh)
while IFS= read -r f; do inputs+=("$f"); done < <(find fxpack -type f | LC_ALL=C sort)
inputs+=(render/effect_reader.h)
sha256sum "${inputs[@]}"
echo "$(sha256sum <"$fxo" | cut -d' ' -f1)  resources/effect.fxo"
