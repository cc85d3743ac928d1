#!/bin/bash
# Benchmark of the photo list: a generated tree of 100,000 files in 1,000
# folders, listed by the program's scan under Wine and by `find` natively, in
# the same run on the same tree; then the same tree with 2,000 links to folders
# spread through it (each folder links to its parent and to a sibling), which
# neither follows. Prints the figures and their ratios, and beside them the
# system's listing of the tree alone: the part of the scan that is not ours.
#   tools/bench.sh scan [rounds, default 5]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win64}
exe=$(cd "$build/tools" && pwd)/bench_scan.exe
runs=${2:-5}
. "$root/scripts/wine-env.sh"
trap 'rm -rf "${tree:-}"; wine_env_stop' EXIT
wine_env_start
tree=$(mktemp -d /tmp/orbisca-bench-scan.XXXXXX)

# 10 folders of 99 subfolders each (1,000 folders), 100 files in each folder:
# 80 photos in mixed letter case and 20 other files.
python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
names = [("p%03d.jpg" if i % 4 else "P%03d.JPG") % i for i in range(80)] + ["n%03d.%s" % (i, ("png", "jpeg", "txt", "jpg.txt")[i % 4]) for i in range(20)]
folders = []
for a in range(10):
    folders.append(os.path.join(root, "group%02d" % a))
    for b in range(99):
        folders.append(os.path.join(root, "group%02d" % a, "album%02d" % b))
for f in folders:
    os.makedirs(f, exist_ok=True)
    for n in names:
        open(os.path.join(f, n), "w").close()
PY

# measure LABEL: find and the program on the tree as it stands, and their
# ratio. The two take turns, best of the rounds each, so that a burst of load
# on a shared machine falls on both alike.
measure() {
    local label=$1 best_find= best_build= best_listing= found i s e t out build listed listing
    local winpath="Z:$(printf '%s' "$tree" | tr / '\\')\\"
    for i in $(seq 1 "$runs"); do
        s=$(date +%s.%N)
        found=$(find "$tree" -type f -iname '?*.jpg' | wc -l)
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$best_find" ] || [ "$(echo "$t < $best_find" | bc -l)" = 1 ]; then best_find=$t; fi
        out=$("$WINE" "$exe" "$winpath" 3 | tr -d '\r')
        listed=$(printf '%s\n' "$out" | sed -n 's/^photos listed: \([0-9]*\)$/\1/p')
        build=$(printf '%s\n' "$out" | sed -n 's/^build_file_list: \([0-9.]*\) s$/\1/p')
        if [ -z "$best_build" ] || [ "$(echo "$build < $best_build" | bc -l)" = 1 ]; then best_build=$build; fi
        listing=$(printf '%s\n' "$out" | sed -n 's/^the system.s listing alone: \([0-9.]*\) s.*$/\1/p')
        if [ -z "$best_listing" ] || [ "$(echo "$listing < $best_listing" | bc -l)" = 1 ]; then best_listing=$listing; fi
    done
    printf 'find -iname: %d photos, %.3f s\n' "$found" "$best_find"
    printf 'photos listed: %d\nbuild_file_list: %.3f s\n' "$listed" "$best_build"
    [ "$listed" = "$found" ] || echo "WARNING: the program listed $listed photos, find $found"
    printf "the system's listing alone (the same calls, nothing stored): %.3f s\n" "$best_listing"
    printf 'ratio build_file_list / find%s: %.1f\n' "$label" "$(echo "$best_build / $best_find" | bc -l)"
    printf 'ratio listing alone / find%s: %.1f\n' "$label" "$(echo "$best_listing / $best_find" | bc -l)"
}

# The new tree goes to disk first, so that writing it back does not fall into the measurement.
sync
files=$(find "$tree" -type f | wc -l)
folders=$(find "$tree" -mindepth 1 -type d | wc -l)
echo "tree: $files files in $folders folders"
measure ""

# Two links in every folder: one to the folder above, one to a sibling (a
# group's first album links to the next group).
python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
for a in range(10):
    group = os.path.join(root, "group%02d" % a)
    os.symlink("..", os.path.join(group, "up"))
    os.symlink("../group%02d" % ((a + 1) % 10), os.path.join(group, "next"))
    for b in range(99):
        album = os.path.join(group, "album%02d" % b)
        os.symlink("..", os.path.join(album, "up"))
        os.symlink("../album%02d" % ((b + 1) % 99), os.path.join(album, "next"))
PY
sync
links=$(find "$tree" -type l | wc -l)
echo "tree with links: $files files in $folders folders, $links links to folders"
measure " (with $links links)"
