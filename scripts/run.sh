#!/bin/bash
# Builds the slideshow and runs it under Wine on the bundled sample photos,
# which the folder dialog offers on first use.
#  - With a display (DISPLAY set and reachable): the slideshow runs there, in
#    its own Wine prefix ($ORBISCA_WINEPREFIX, default ~/.local/share/orbisca/wine)
#    that keeps the remembered folder and position between runs. Confirm the
#    folder with Enter; Esc or a right click ends the show.
#  - Without one: it runs on a private Xvfb display for $ORBISCA_SECONDS seconds
#    (default 40), answers the folder dialog itself, and saves a screenshot
#    every $ORBISCA_SHOT_EVERY seconds (default 4) into out/screenshots.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target orbisca window_text
exe=$root/build/win64/orbisca.exe
window_text=$root/build/win64/tests/e2e/window_text.exe
. scripts/wine-env.sh

remember_samples() {
    # Offer the samples in the dialog unless a folder is remembered already.
    if ! "$WINE" reg query 'HKCU\Software\orbisca' /v folder >/dev/null 2>&1; then
        local folder
        folder=$("$WINE" winepath -w "$root/samples/" 2>/dev/null | tr -d '\r')
        case "$folder" in *\\) ;; *) folder="$folder\\" ;; esac
        "$WINE" reg add 'HKCU\Software\orbisca' /v folder /t REG_SZ /d "$folder" /f >/dev/null
    fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINEPREFIX=${ORBISCA_WINEPREFIX:-$HOME/.local/share/orbisca/wine}
    export WINE=$(wine_find) WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    remember_samples
    exec "$WINE" "$exe"
fi

seconds=${ORBISCA_SECONDS:-40}
shots=$root/out/screenshots
rm -rf "$shots"
mkdir -p "$shots"
trap wine_env_stop EXIT
wine_env_start
remember_samples
"$WINE" "$exe" &
program=$!
# Answers the dialog once it has selected the samples (a fresh prefix
# remembers them).
"$WINE" "$window_text" 'qelvar orbisca v0.04' samples >/dev/null ||
    echo "run: the folder dialog did not select samples" >&2
dialog=$(xdotool search --onlyvisible --name '^qelvar orbisca v0.04$' | head -n 1)
xdotool key --window "$dialog" Return
every=${ORBISCA_SHOT_EVERY:-4}
for i in $(seq 1 $((seconds / every))); do
    sleep "$every"
    kill -0 $program 2>/dev/null || break
    xwd -root -silent | convert xwd:- "$shots/shot-$(printf %02d "$i").png"
done
window=$(xdotool search --onlyvisible --name 'qelvar orbisca v0.04' | head -n 1 || true)
[ -n "$window" ] && { xdotool windowfocus "$window" 2>/dev/null || true; xdotool key Escape; }
wait $program || true
echo "Screenshots of the running slideshow: $shots"
