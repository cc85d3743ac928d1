#!/bin/bash
# Benchmark of the photo list: a generated tree of 100,000 files of mixed
# extensions in 1,000 folders, listed by the program's scan under Wine and by `find` natively, in
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
# 80 photos of every extension the scan takes, in mixed letter case, and 20
# other files (sidecars, videos, names that only look like photos).
python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
photo = ["jpg", "JPG", "jpeg", "jpe", "jfif", "png", "PNG", "bmp", "gif", "tif", "tiff", "webp", "heic", "HEIC", "heif", "Jpg"]
other = ["txt", "xmp", "mov", "jpg.txt", "thm"]
names = ["p%03d.%s" % (i, photo[i % len(photo)]) for i in range(80)] + ["n%03d.%s" % (i, other[i % len(other)]) for i in range(20)]
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
    local label=$1 best_find= best_build= best_listing= best_threaded= found i s e t out build listed listing threaded
    local winpath="Z:$(printf '%s' "$tree" | tr / '\\')\\"
    for i in $(seq 1 "$runs"); do
        s=$(date +%s.%N)
        found=$(find "$tree" -type f -regextype posix-extended \
            -iregex '.*/[^/]+\.(jpg|jpeg|jpe|jfif|png|bmp|gif|tif|tiff|webp|heic|heif)' | wc -l)
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$best_find" ] || [ "$(echo "$t < $best_find" | bc -l)" = 1 ]; then best_find=$t; fi
        out=$("$WINE" "$exe" "$winpath" 3 | tr -d '\r')
        listed=$(printf '%s\n' "$out" | sed -n 's/^photos listed: \([0-9]*\)$/\1/p')
        build=$(printf '%s\n' "$out" | sed -n 's/^build_file_list: \([0-9.]*\) s$/\1/p')
        threaded=$(printf '%s\n' "$out" | sed -n 's/^scan on its own thread with progress: \([0-9.]*\) s$/\1/p')
        if [ -z "$best_threaded" ] || [ "$(echo "$threaded < $best_threaded" | bc -l)" = 1 ]; then best_threaded=$threaded; fi
        if [ -z "$best_build" ] || [ "$(echo "$build < $best_build" | bc -l)" = 1 ]; then best_build=$build; fi
        listing=$(printf '%s\n' "$out" | sed -n 's/^the system.s listing alone: \([0-9.]*\) s.*$/\1/p')
        if [ -z "$best_listing" ] || [ "$(echo "$listing < $best_listing" | bc -l)" = 1 ]; then best_listing=$listing; fi
    done
    printf 'find -iname: %d photos, %.3f s\n' "$found" "$best_find"
    printf 'photos listed: %d\nbuild_file_list: %.3f s\n' "$listed" "$best_build"
    printf 'scan on its own thread with progress (as start-up runs it): %.3f s\n' "$best_threaded"
    [ "$listed" = "$found" ] || echo "WARNING: the program listed $listed photos, find $found"
    printf "the system's listing alone (the same calls, nothing stored): %.3f s\n" "$best_listing"
    printf 'ratio build_file_list / find%s: %.1f\n' "$label" "$(echo "$best_build / $best_find" | bc -l)"
    printf 'ratio listing alone / find%s: %.1f\n' "$label" "$(echo "$best_listing / $best_find" | bc -l)"
    printf 'ratio build_file_list / listing alone%s: %.2f, on its own thread %.2f (goal: at most 1.15)\n' \
        "$label" "$(echo "$best_build / $best_listing" | bc -l)" "$(echo "$best_threaded / $best_listing" | bc -l)"
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
