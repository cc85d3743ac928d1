#!/bin/bash
# Benchmark of the photo list: a generated tree of 100,000 files in 1,000
# folders, listed by the program's scan under Wine and by `find` natively, in
# the same run on the same tree. Prints the figures and their ratio.
#   tools/bench_scan.sh <bench_scan.exe> [runs]
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
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
files=$(find "$tree" -type f | wc -l)
folders=$(find "$tree" -mindepth 1 -type d | wc -l)
echo "tree: $files files in $folders folders"

# find: the same walk and name test, best of the runs (the cache is warm from the count above).
best_find=
for i in $(seq 1 "$runs"); do
    s=$(date +%s.%N)
    found=$(find "$tree" -type f -iname '?*.jpg' | wc -l)
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$best_find" ] || [ "$(echo "$t < $best_find" | bc -l)" = 1 ]; then best_find=$t; fi
done
printf 'find -iname (one walk): %d photos, %.3f s\n' "$found" "$best_find"

winpath="Z:$(printf '%s' "$tree" | tr / '\\')\\"
out=$("$WINE" "$exe" "$winpath" "$runs" | tr -d '\r')
echo "$out"
build=$(printf '%s\n' "$out" | sed -n 's/^build_file_list (two walks): \([0-9.]*\) s$/\1/p')
count=$(printf '%s\n' "$out" | sed -n 's/^counting walk alone: \([0-9.]*\) s$/\1/p')
printf 'ratio build_file_list / find: %.1f\n' "$(echo "$build / $best_find" | bc -l)"
printf 'ratio one walk / find: %.1f\n' "$(echo "$count / $best_find" | bc -l)"
