#!/bin/bash
# Builds the x86-64 program with its tests, the 32-bit program, and the native
# tests of the plain computations.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in win64 win32 native; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j "$jobs"
done
