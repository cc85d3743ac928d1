#!/bin/bash
# Benchmark of the show as a person sees it: the real orbisca.exe under Wine,
# its folder dialog answered with xdotool, and a full-screen grab every 2
# seconds after the answer. For each grab it prints how much of the middle of
# the screen shows a photo (the show is black until the first photo turns into
# view) and whether the grab is the same picture as the one before (a frozen
# show: the overlay's figures change on every frame).
# Usage: tools/bench.sh screens [runs, default 3] [seconds, default 20]
# Photos: 7 of 12 megapixels (tools/common/bench_photos.sh), the first shown first.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win64}
runs=${2:-3}
seconds=${3:-20}
# The helpers of the end-to-end tests (dialog, shots, registry), on a private
# display and Wine prefix.
E2E_HELPERS_ONLY=1 . "$root/tests/e2e/e2e.sh" screens "$build/orbisca.exe" "$build/tests/e2e/window_text.exe"
. "$root/tools/common/bench_photos.sh"

# Xvfb runs no window manager: Wine then waits 2 s for one to withdraw the
# folder dialog as it closes ("wait_for_withdrawn_state ... wait timed out"),
# before the program goes on. Unmanaged windows are shown as on a desktop with
# a window manager; ORBISCA_MANAGED=1 keeps Wine's default.
[ -n "${ORBISCA_MANAGED:-}" ] ||
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
mkdir -p "$work/photos"
bench_photos "$work/photos" 4000x3000 7
# share of the middle half of the last grab that is not black
lit() {
    convert "$work/shot.png" -crop 640x512+320+256 +repage -colorspace gray -threshold 6% -format '%[fx:mean]' info:
}

first_lit_total=0
for run in $(seq 1 "$runs"); do
    remember_folder "$work/photos"
    start
    d=$(dialog)
    [ -n "$d" ] || fail "the folder dialog did not appear"
    "$WINE" "$window_text" "$title" photos >/dev/null || fail "the dialog did not select the photos"
    # Real key input to the focused dialog: a key sent to an unmanaged
    # window can miss it.
    xdotool windowfocus "$d" 2>/dev/null
    xdotool key Return
    answered=$EPOCHREALTIME
    line="run $run:"
    frozen=0 first_lit=""
    rm -f "$work/last.png"
    for k in $(seq 2 2 "$seconds"); do
        wait_for=$(echo "$answered + $k - $EPOCHREALTIME" | bc -l)
        [ "${wait_for:0:1}" = - ] || sleep "$wait_for"
        shot
        share=$(lit)
        percent=$(echo "$share * 100" | bc -l | xargs printf '%.0f')
        same=""
        if [ -f "$work/last.png" ] &&
            [ "$(compare -metric AE "$work/shot.png" "$work/last.png" null: 2>&1)" = 0 ]; then
            same=" same"
            frozen=$((frozen + 1))
        fi
        [ -z "$first_lit" ] && [ "$percent" -ge 10 ] && first_lit=$k
        line="$line  ${k}s ${percent}%$same"
        cp "$work/shot.png" "$work/last.png"
    done
    if [ "$(xdotool search --onlyvisible --name "^$title\$" getwindowgeometry 2>/dev/null | grep -c 1280x1024)" = 0 ]; then
        echo "run $run: the show never came up (the dialog missed the key); left out"
        escape
        finish
        continue
    fi
    echo "$line"
    echo "run $run: first grab with a photo over a tenth of the middle: ${first_lit:-none} s after the answer;" \
        "grabs the same as the one before: $frozen"
    escape
    finish
done
