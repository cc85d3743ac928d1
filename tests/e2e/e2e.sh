#!/bin/bash
# The real program under Wine, on the test run's Xvfb display, used as a person
# would: the folder dialog answered with xdotool, the screen read back from
# screenshots, the registry read with reg.
# usage: e2e.sh SCENARIO orbisca.exe window_text.exe take_focus.exe
# (launch.exe, which starts the program and records its exit code, is found
# beside window_text.exe)
#   first_run_and_resume | cancel | no_photos | right_click | exif_upright | names_in_any_script | linked_folders
#   | controls | no_d3dx_runtime | device_reset | device_reset_without_d3dx | every_format | resume_by_photo
#   | long_scan | seconds_per_photo | shuffle | caption
set -u
scenario=$1
exe=$2
window_text=$3
take_focus=${4:-}
launch=$(dirname "$window_text")/launch.exe
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../scripts/wine-env.sh"
wine_env_use || exit 1
title='qelvar orbisca v0.04'
key='HKCU\Software\orbisca'
# Photos live on the prefix's C: drive, in folders without dots in their names:
# Wine's folder dialog cannot open on those, nor on folders below Z:\tmp.
work=$(mktemp -d "$WINEPREFIX/drive_c/e2eXXXXXX")
work_w="C:\\$(basename "$work")"
pid=""
# For each program started through launch.exe, the file with its exit code.
declare -A code_file
runs=0

# Waits until no window titled like the program's is shown on the display (a
# program that ends, or one of a test before on this display, may leave one
# for a moment); false after a minute. Two empty searches in a row: a search
# fails outright when a window goes away while it looks.
no_window_left() {
    local deadline=$((SECONDS + 60)) empty=0
    while [ $empty -lt 2 ]; do
        [ $SECONDS -lt $deadline ] || return 1
        if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then empty=0; else empty=$((empty + 1)); fi
        sleep 0.2
    done
}
# Ends the programs this test started (its background jobs: launch.exe and
# the program it started, helpers) and waits until they have gone, so that
# the next test on this display and prefix meets none of them.
cleanup() {
    local deadline=$((SECONDS + 30))
    kill $(jobs -p) 2>/dev/null
    while [ -n "$(jobs -rp)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    kill -9 $(jobs -rp) 2>/dev/null
    wait 2>/dev/null
    no_window_left || echo "a window titled '$title' is still shown after the test"
    [ -n "${unmanaged:-}" ] && "$WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
    rm -rf "$work" ${library:+"$library"}
    wine_env_stop
}
trap cleanup EXIT
# Also from within $(...): the message goes to stderr, and the caller exits.
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/shot.png" ] && cp "$work/shot.png" "/tmp/orbisca-e2e-$scenario-failed.png" &&
        echo "last screenshot: /tmp/orbisca-e2e-$scenario-failed.png" >&2
    exit 1
}

winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
reg_value() { "$WINE" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'; }
remember_folder() {
    "$WINE" reg delete "$key" /f >/dev/null 2>&1
    if [ -n "$1" ]; then
        local w
        w=$(winpath "$1/")
        case "$w" in *\\) ;; *) w="$w\\" ;; esac
        "$WINE" reg add "$key" /v folder /t REG_SZ /d "$w" /f >/dev/null
    fi
}

# photo NAME COLOUR: a plain photo of one colour.
photo() { convert -size 640x480 "xc:$2" -quality 95 "$1"; }

# start [ARGUMENTS...]: starts the program with ARGUMENTS, as Windows starts
# a program, through launch.exe; sets pid to launch.exe's process, which ends
# with the program.
start() {
    runs=$((runs + 1))
    rm -f "$work/exit$runs"
    "$WINE" "$launch" "$work_w\\exit$runs" "$exe_w" "$@" >>"$work/program.log" 2>&1 &
    pid=$!
    code_file[$pid]=$work/exit$runs
}
# The dialog's window. A search fails outright when a window goes away while
# it looks (Direct3D's start makes and drops one as the dialog opens): retried.
dialog() {
    local d deadline=$((SECONDS + 60))
    while [ $SECONDS -lt $deadline ]; do
        d=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
        [ -n "$d" ] && { echo "$d"; return 0; }
        sleep 0.2
    done
    return 1
}
# answer_dialog KEY [FOLDER]: waits until the dialog has selected FOLDER (its
# name shows in the dialog's edit box), then presses KEY.
answer_dialog() {
    dialog >/dev/null || fail "the folder dialog did not appear"
    if [ -n "${2:-}" ]; then
        # A dialog that never came to the front is brought there once.
        "$WINE" "$window_text" "$title" "$(basename "$2")" >/dev/null || {
            xdotool windowactivate "$(dialog)" 2>/dev/null || xdotool windowfocus "$(dialog)" 2>/dev/null
            "$WINE" "$window_text" "$title" "$(basename "$2")" >/dev/null
        } || fail "the dialog did not select $2"
    else
        "$WINE" "$window_text" "$title" >/dev/null || fail "the folder dialog never took the keyboard"
    fi
    key_to_dialog "$1"
}
# key_to_dialog KEY: presses KEY in the box titled like the program, found
# again (and the key sent again) when the window found went away before the
# key reached it.
key_to_dialog() {
    local d deadline=$((SECONDS + 60))
    while :; do
        d=$(dialog) || fail "no box to press $1 in"
        xdotool key --window "$d" "$1" 2>/dev/null && return 0
        [ $SECONDS -lt $deadline ] || fail "$1 did not reach the box"
        sleep 0.2
    done
}
# Waits for the program to end and checks that its exit code, as Windows
# reports it, is 0.
finish() {
    local deadline=$((SECONDS + 60)) status code
    while kill -0 "$pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the program did not end within a minute"
        sleep 0.1
    done
    wait "$pid"
    status=$?
    code=$(tr -d '\r\n' <"${code_file[$pid]}" 2>/dev/null)
    pid=""
    [ -n "$code" ] || fail "no exit code recorded (launch.exe ended with status $status): $(cat "$work/program.log")"
    [ "$code" = 0 ] || fail "exit code $code"
}
shot() { xwd -root -silent | convert xwd:- "$work/shot.png"; }
# mean colour of a region of the last screenshot as "r g b"
colour() {
    convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -resize '1x1!' -depth 8 \
        -format '%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:
}
near() { # near "r g b" "R G B": every channel within 40
    local a=($1) b=($2) i
    for i in 0 1 2; do
        local d=$((a[i] - b[i]))
        [ ${d#-} -le 40 ] || return 1
    done
}
# share of bright (text) pixels in a region
bright() {
    convert "$work/shot.png" -crop "$3x$4+$1+$2" +repage -colorspace gray -threshold 85% -format '%[fx:mean]' info:
}
# Waits until the centre of the screen shows one of the colours given; prints it.
wait_for_centre() {
    local deadline=$((SECONDS + 90)) c want
    while [ $SECONDS -lt $deadline ]; do
        shot
        c=$(colour 590 462 100 100)
        for want in "$@"; do
            near "$c" "$want" && { echo "$want"; return 0; }
        done
        sleep 0.3
    done
    fail "none of [$*] appeared in the middle of the screen (last: $c)"
}
# press KEY...: keys to the slideshow's window.
press() {
    local w
    w=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
    [ -n "$w" ] && xdotool windowfocus "$w" 2>/dev/null
    xdotool key "$@"
}
escape() { press Escape; }
# Whether the last screenshot shows COLOUR over the whole middle of the screen,
# not only in the centre (the turn to it has ended).
# The mean colours of those five regions, one line each, from one image run:
# fast enough for polls that must not miss a photo's seconds in view.
middle_colours() {
    local regions=() at
    for at in "590 462" "340 462" "840 462" "590 262" "590 662"; do
        set -- $at
        regions+=('(' -clone 0 -crop "100x100+$1+$2" +repage -resize '1x1!' ')')
    done
    convert "$work/shot.png" "${regions[@]}" -delete 0 +append -depth 8 txt:- |
        sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p'
}
# all_near COLOUR REGION_COLOUR...: whether every region shows COLOUR.
all_near() {
    local want=$1 at
    shift
    [ $# = 5 ] || return 1
    for at in "$@"; do near "$at" "$want" || return 1; done
}
fully() {
    local c
    mapfile -t c < <(middle_colours)
    all_near "$1" "${c[@]}"
}
# wait_fully SECONDS COLOUR...: waits up to SECONDS for one of the colours to
# fill the middle; prints "COLOUR:SECONDS TAKEN".
wait_fully() {
    local start=$EPOCHREALTIME limit=$1 want
    shift
    while :; do
        local at=$EPOCHREALTIME
        shot
        for want in "$@"; do
            fully "$want" && { awk -v a="$at" -v b="$start" -v w="$want" 'BEGIN { printf "%s:%.2f\n", w, a - b }'; return 0; }
        done
        awk -v a="$EPOCHREALTIME" -v b="$start" -v l="$limit" 'BEGIN { exit !(a - b < l) }' || return 1
        sleep 0.1
    done
}

# The overlay's lines in the last screenshot, as a digest of their bright
# (text) pixels, so that the cube behind them counts for little: "File N of
# M" names the photo requested last, the seconds line counts the seconds
# since that request and stands while the show is paused.
file_line() { line_image 58; }
seconds_line() { line_image 95; }
line_image() {
    convert "$work/shot.png" -crop "110x15+6+$1" +repage -colorspace gray -threshold 85% -depth 8 gray:- | md5sum
}
picture() { md5sum <"$work/shot.png"; }

# frames_go_on: waits until the program has presented two new frames: what was
# pressed or moved before the call has then been handled (the message loop
# empties the queue before each frame). False when the program ends or draws
# nothing new within a minute.
frames_go_on() {
    local deadline=$((SECONDS + 60)) last new=0 now
    shot
    last=$(picture)
    while [ $new -lt 2 ]; do
        [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.2
        shot
        now=$(picture)
        [ "$now" = "$last" ] || new=$((new + 1))
        last=$now
    done
}

# wait_paused: waits until the show is paused and holds its photo: frames keep
# coming (the cube tumbles on), but the seconds line stands still in frames
# presented more than two seconds apart, which a running show's clock never
# does. A pause taken during a turn first lets the turn end and the next
# photo be requested (the seconds start again at 0). Fails after 90 s.
wait_paused() {
    local deadline=$((SECONDS + 90)) t before="" secs run="" frame="" now since=""
    while [ $SECONDS -lt $deadline ]; do
        t=$EPOCHREALTIME
        shot
        secs=$(seconds_line)
        now=$(picture)
        [ "$secs" = "$run" ] || { run=$secs; since=""; }
        if [ "$now" != "$frame" ]; then
            # A frame presented after the screenshot before this one.
            if [ -z "$since" ]; then
                since=$t
            elif awk -v a="$since" -v b="$before" 'BEGIN { exit !(b - a >= 2) }'; then
                return 0
            fi
        fi
        frame=$now
        before=$t
        sleep 0.2
    done
    fail "the show did not pause: its seconds never stood still"
}

# pause_and_hold COLOUR...: pauses the show and prints the colour of the photo
# it then holds in full view, with the photo after it requested and waiting.
pause_and_hold() {
    local got
    press space
    wait_paused
    got=$(wait_fully 60 "$@") || fail "paused, but none of [$*] fills the screen"
    echo "${got%:*}"
}
# after ORDER... -- COLOUR: the colour after COLOUR in the list ORDER, and the
# file index stored while that one is on its way (the one before it; -1 for
# the first), as "COLOUR|0xHEX".
after() {
    local order=() i n
    while [ "$1" != -- ]; do order+=("$1"); shift; done
    for i in "${!order[@]}"; do [ "${order[$i]}" = "$2" ] && n=$(((i + 1) % ${#order[@]})); done
    [ -n "${n:-}" ] || fail "$2 is none of the photos"
    if [ $n = 0 ]; then echo "${order[0]}|0xffffffff"; else echo "${order[$n]}|0x$(printf %x $((n - 1)))"; fi
}

red="208 32 32"
green="32 192 32"
blue="32 64 224"

# wait_for_rest FIRST: waits for the second of the three photos after FIRST;
# sets second and third.
wait_for_rest() {
    local c rest=()
    for c in "$red" "$green" "$blue"; do [ "$c" = "$1" ] || rest+=("$c"); done
    second=$(wait_for_centre "${rest[@]}") || exit 1
    for c in "${rest[@]}"; do [ "$c" = "$second" ] || third="$c"; done
}

# show_until_held FOLDER [CHECK]: a run on FOLDER's three photos (red, green,
# blue) that is paused as the second comes into view: the turn ends, the
# third is requested, and the show holds it back; Esc then ends the show with
# the third on its way. (A pause taken later holds a later photo; the one
# after that is then on its way.) CHECK, a command, runs once the first photo
# is in view. Sets first, second, third, held, and next and want_file as
# after prints them for the photo held.
show_until_held() {
    start
    answer_dialog Return "$1"
    first=$(wait_for_centre "$red" "$green" "$blue") || exit 1
    [ -z "${2:-}" ] || "$2"
    wait_for_rest "$first"
    held=$(pause_and_hold "$red" "$green" "$blue") || exit 1
    IFS='|' read -r next want_file <<<"$(after "$first" "$second" "$third" -- "$held")"
    escape
    finish
}
# resumes_with_next FOLDER COLOUR...: the next run on FOLDER starts with the
# photo that was on its way ($next), one of COLOURs.
resumes_with_next() {
    local folder=$1
    shift
    start
    answer_dialog Return "$folder"
    resumed=$(wait_for_centre "$@") || exit 1
    [ "$resumed" = "$next" ] || fail "resumed with $resumed, want $next"
    escape
    finish
}

# Starts the show on a folder with one red photo and waits until it is in view.
show_red_photo() {
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)"
    remember_folder "$work/photos"
    start
    answer_dialog Return "$work/photos"
    wait_for_centre "$red" >/dev/null || exit 1
}

exe_w=$(winpath "$exe")
[ -n "$exe_w" ] || fail "no Windows path for $exe"
no_window_left || fail "a window titled '$title' is shown before the test starts"

# Sourced for its helpers (tests/e2e/saver.sh): the scenarios are the caller's.
[ -n "${E2E_HELPERS_ONLY:-}" ] && return 0

case $scenario in
first_run_and_resume)
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)" && photo "$work/photos/b.jpg" "rgb($green)" &&
        photo "$work/photos/c.jpg" "rgb($blue)"
    remember_folder "$work/photos"
    # The window covers the screen and the overlay shows its title and status.
    full_screen_with_overlay() {
        geometry=$(xdotool search --onlyvisible --name "^$title\$" getwindowgeometry 2>/dev/null | grep Geometry)
        echo "window $geometry"
        case "$geometry" in *1280x1024*) ;; *) fail "the window is not full-screen: $geometry" ;; esac
        for band in "10 10 190 18 title" "10 40 190 17 fps" "10 57 190 17 file" "10 91 190 17 seconds"; do
            set -- $band
            v=$(bright $1 $2 $3 $4)
            awk -v v="$v" 'BEGIN { exit !(v > 0.003) }' || fail "no text where the $5 line belongs ($v)"
        done
    }
    show_until_held "$work/photos" full_screen_with_overlay
    stored_folder=$(reg_value folder)
    stored_file=$(reg_value file)
    echo "stored: $stored_folder $stored_file"
    [ "$stored_folder" = "$(winpath "$work/photos/")" ] || [ "$stored_folder" = "$(winpath "$work/photos")\\" ] ||
        fail "folder stored as '$stored_folder'"
    [ "$stored_file" = "$want_file" ] || fail "position stored as '$stored_file', want $want_file"
    # The next run resumes with the photo that was on its way to the screen.
    resumes_with_next "$work/photos" "$red" "$green" "$blue"
    ;;
cancel)
    remember_folder ""
    start
    answer_dialog Escape
    no_window_left || fail "a window is still shown after cancelling"
    finish
    [ "$(reg_value file)" = 0xffffffff ] || fail "settings not written: file='$(reg_value file)'"
    "$WINE" reg query "$key" /v folder >/dev/null 2>&1 || fail "settings not written: no folder value"
    ;;
no_photos)
    mkdir -p "$work/empty/sub"
    echo "not a photo" >"$work/empty/sub/notes.txt"
    photo "$work/empty/sub/not-a-photo.svg" white
    remember_folder "$work/empty"
    start
    answer_dialog Return "$work/empty"
    want='.JPG files not found in specified folder'
    text=$("$WINE" "$window_text" "$title" "$want") || fail "no message box saying '$want'"
    text=$(tr -d '\r' <<<"$text")
    echo "message box: $text"
    key_to_dialog Return
    finish
    ;;
right_click)
    show_red_photo
    xdotool mousemove 640 512 mousedown 3
    frames_go_on
    kill -0 "$pid" 2>/dev/null || fail "the program ended on the press"
    xdotool mouseup 3
    finish
    ;;
exif_upright)
    mkdir -p "$work/photos"
    # Upright: yellow above, magenta below. Stored turned a quarter left, with
    # orientation 6 saying it must be turned right to be upright.
    convert -size 640x480 xc:yellow \( -size 640x240 xc:magenta \) -geometry +0+240 -composite \
        -rotate -90 -quality 95 "$work/photos/sideways.jpg"
    exiftool -q -overwrite_original -n -Orientation=6 "$work/photos/sideways.jpg"
    remember_folder "$work/photos"
    start
    answer_dialog Return "$work/photos"
    deadline=$((SECONDS + 90))
    while :; do
        [ $SECONDS -lt $deadline ] || fail "the photo never appeared upright (top $top, bottom $bottom)"
        shot
        top=$(colour 590 300 100 80)
        bottom=$(colour 590 650 100 80)
        near "$top" "255 255 0" && near "$bottom" "255 0 255" && break
        sleep 0.3
    done
    escape
    finish
    ;;
names_in_any_script)
    # A folder named in Cyrillic and Japanese, photos named in Cyrillic,
    # Japanese and accented Latin, one of them in a subfolder.
    dir="$work/Фотографии 写真"
    mkdir -p "$dir/подпапка"
    photo "$dir/воздушный змей.jpg" "rgb($red)" && photo "$dir/カップ.JPG" "rgb($green)" &&
        photo "$dir/подпапка/Crème brûlée.jpg" "rgb($blue)"
    want="C:\\$(basename "$work")\\Фотографии 写真\\"
    "$WINE" reg delete "$key" /f >/dev/null 2>&1
    "$WINE" reg add "$key" /v folder /t REG_SZ /d "$want" /f >/dev/null
    show_until_held "$dir"
    # reg query prints in the console's code page; an export is UTF-16.
    "$WINE" reg export "$key" "$(winpath "$work")\\settings.reg" /y >/dev/null 2>&1
    stored=$(iconv -f UTF-16 -t UTF-8 "$work/settings.reg" | tr -d '\r' | sed -n 's/^"folder"="\(.*\)"$/\1/p' |
        sed 's/\\\\/\\/g')
    echo "stored: $stored $(reg_value file)"
    [ "$stored" = "$want" ] || fail "folder stored as '$stored', want '$want'"
    [ "$(reg_value file)" = "$want_file" ] || fail "position stored as '$(reg_value file)', want $want_file"
    # The dialog opens on the stored folder, taking it counts as the same
    # folder, and the show resumes with the photo that was on its way.
    resumes_with_next "$dir" "$red" "$green" "$blue"
    ;;
linked_folders)
    # Links to the folder itself, to its parent and to a sibling: the show
    # starts and brings each of the three photos.
    mkdir -p "$work/photos/sub" "$work/photos/sib"
    photo "$work/photos/a.jpg" "rgb($red)" && photo "$work/photos/sub/b.jpg" "rgb($green)" &&
        photo "$work/photos/sib/c.jpg" "rgb($blue)"
    ln -s . "$work/photos/sub/self" && ln -s .. "$work/photos/sub/up" && ln -s ../sib "$work/photos/sub/sibling"
    remember_folder "$work/photos"
    start
    answer_dialog Return "$work/photos"
    rest=("$red" "$green" "$blue")
    while [ ${#rest[@]} -gt 0 ]; do
        seen=$(wait_for_centre "${rest[@]}") || exit 1
        left=()
        for c in "${rest[@]}"; do [ "$c" = "$seen" ] || left+=("$c"); done
        rest=("${left[@]}")
    done
    escape
    finish
    ;;
controls)
    # Four photos, shown in the order of the list: A, B, C, D.
    purple="160 32 192"
    all=("$red" "$green" "$blue" "$purple")
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)" && photo "$work/photos/b.jpg" "rgb($green)" &&
        photo "$work/photos/c.jpg" "rgb($blue)" && photo "$work/photos/d.jpg" "rgb($purple)"
    remember_folder "$work/photos"
    start
    answer_dialog Return "$work/photos"
    others() { local c; for c in "${all[@]}"; do [[ " $* " == *" $c "* ]] || echo "$c"; done; }
    # Paused as the first photo turns into view (the next is held for 3 s
    # after the turn): the turn completes, then it stays for 15 s, and the
    # show goes on after Space again. (A pause taken later holds a later
    # photo: the test goes on from that one.)
    first=$(wait_for_centre "${all[@]}") || exit 1
    a=$(pause_and_hold "${all[@]}") || exit 1
    [ "$a" = "$first" ] || echo "the pause came after the turn to the first photo: it holds the one after"
    for i in $(seq 1 15); do
        sleep 1
        shot
        fully "$a" || fail "paused, but the photo changed after $i s"
    done
    press space
    mapfile -t rest < <(others "$a")
    got=$(wait_fully 90 "${rest[@]}") || fail "no new photo after the resume"
    b=${got%:*}
    echo "Space again: the next photo fully in view after ${got#*:} s"
    # Paused again, on B; a step while paused is served, and the show stays
    # paused. The upload of the photo after B usually ends within the ten
    # seconds before Right; one still on its way comes in once uploaded.
    held=$(pause_and_hold "${all[@]}") || exit 1
    if [ "$held" != "$b" ]; then
        echo "the pause came after the photo after B had begun to come in: it holds that one"
        b=$held
    fi
    cp "$work/shot.png" "$work/b.png"
    sleep 10
    press Right
    mapfile -t rest < <(others "$a" "$b")
    got=$(wait_fully 90 "${rest[@]}") || fail "no other photo filled the screen after Right"
    c=${got%:*}
    echo "Right: the next photo fully in view after ${got#*:} s"
    # Left: the photo shown before, with the same pixels as before.
    press Left
    got=$(wait_fully 90 "$b") || fail "Left did not bring back the photo before"
    echo "Left: the photo before fully in view after ${got#*:} s"
    # Within the five regions that found the photo filling the middle, where
    # the tumbling face covers the screen in both shots.
    convert "$work/b.png" -crop 400x300+440+362 +repage "$work/b_then.png"
    convert "$work/shot.png" -crop 400x300+440+362 +repage "$work/b_now.png"
    diff=$(compare -metric RMSE "$work/b_then.png" "$work/b_now.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    echo "the photo brought back against its first showing: RMSE $diff"
    awk -v d="$diff" 'BEGIN { exit !(d < 0.05) }' || fail "the photo brought back differs from before ($diff)"
    # Tab hides the overlay and shows it again.
    for want in hidden shown; do
        press Tab
        deadline=$((SECONDS + 60))
        while :; do
            shot
            v=$(bright 10 10 190 100)
            if [ $want = hidden ]; then
                awk -v v="$v" 'BEGIN { exit !(v < 0.001) }' && break
                [ $SECONDS -lt $deadline ] || fail "the overlay is still shown after Tab ($v)"
            else
                awk -v v="$v" 'BEGIN { exit !(v > 0.003) }' && break
                [ $SECONDS -lt $deadline ] || fail "the overlay did not come back ($v)"
            fi
            sleep 0.2
        done
    done
    # Two steps back from B (A, then around to D in the list's order) leave
    # the second on its way when the show ends; the next run starts with it.
    IFS='|' read -r d _ <<<"$(after "${all[@]}" -- "$b")"
    IFS='|' read -r d want_file <<<"$(after "${all[@]}" -- "$d")"
    press --delay 300 Left Left
    escape
    finish
    echo "stored: $(reg_value file)"
    [ "$(reg_value file)" = "$want_file" ] || fail "position stored as '$(reg_value file)', want $want_file"
    start
    answer_dialog Return "$work/photos"
    resumed=$(wait_for_centre "$red" "$green" "$blue" "$purple") || exit 1
    [ "$resumed" = "$d" ] || fail "resumed with $resumed, want $d"
    escape
    finish
    ;;
no_d3dx_runtime)
    # As on a fresh Windows, where the DirectX End-User Runtime is not
    # installed: no message box, the show runs on the program's own effect,
    # overlay and matrices, and Esc ends it with exit code 0.
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dx9_27="
    show_red_photo
    windows=$(xdotool search --onlyvisible --name "^$title\$" | wc -l)
    [ "$windows" = 1 ] || fail "$windows windows titled '$title' (a message box?)"
    shot
    v=$(bright 10 10 190 100)
    awk -v v="$v" 'BEGIN { exit !(v > 0.003) }' || fail "no overlay text ($v)"
    escape
    finish
    ;;
device_reset | device_reset_without_d3dx)
    [ "$scenario" = device_reset ] || WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dx9_27="
    # Another program takes the focus: Wine minimises the full-screen show and
    # its device is lost. Restoring the show resets the device, and the first
    # frame it presents shows the photo on the face in view, not black.
    show_red_photo
    "$WINE" "$take_focus" "$title" >"$work/switch.log" 2>&1 &
    switcher=$!
    deadline=$((SECONDS + 90))
    until grep -q minimised "$work/switch.log"; do
        [ $SECONDS -lt $deadline ] || fail "the show was not minimised: $(cat "$work/switch.log")"
        sleep 0.1
    done
    # Until the show presents again the screen keeps its last frame: a new
    # frame is told from it by the status lines, which count the seconds.
    deadline=$((SECONDS + 60))
    until shot 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "no screenshot of the display"
        sleep 0.2
    done
    status() { convert "$work/shot.png" -crop 190x70+10+40 +repage ppm:- | md5sum; }
    last=$(status)
    wait "$switcher" || fail "the show was not restored: $(cat "$work/switch.log")"
    deadline=$((SECONDS + 60))
    while :; do
        [ $SECONDS -lt $deadline ] || fail "the show presented nothing after the restore"
        shot 2>/dev/null && [ "$(status)" != "$last" ] && break
        sleep 0.1
    done
    c=$(colour 590 462 100 100)
    echo "centre of the first frame after the restore: $c"
    near "$c" "0 0 0" && fail "the face in view is black after the restore"
    escape
    finish
    ;;
every_format)
    # One photo of each format Wine's imaging component reads, each with its
    # colour above and black below (the PNG's and the GIF's lower halves are
    # transparent white), the TIFF stored turned with orientation 6; beside
    # them a broken PNG and a HEIF photo, which Wine cannot read (Wine lists a
    # folder sorted by name: they come between the others).
    yellow="224 208 32" purple="160 32 192" cyan="32 192 208"
    mkdir -p "$work/photos"
    half() { # half COLOUR BELOW OUTPUT [OPTION...]: COLOUR above, BELOW below
        local colour=$1 below=$2 out=$3
        shift 3
        convert -size 640x480 "xc:$below" \( -size 640x240 "xc:$colour" \) -geometry +0+0 -composite "$@" "$out"
    }
    half "rgb($red)" 'rgba(255,255,255,0)' "PNG32:$work/photos/a.png"
    half "rgb($green)" 'rgba(255,255,255,0)' "$work/photos/b.gif"
    half "rgb($blue)" black "$work/photos/c.bmp"
    half "rgb($yellow)" black "$work/photos/d.tif" -rotate -90 -type TrueColor -compress LZW
    exiftool -q -overwrite_original -n -Orientation=6 "$work/photos/d.tif"
    half "rgb($purple)" black "$work/photos/e.jpeg" -quality 95
    half "rgb($cyan)" black "$work/photos/f.JPE" -quality 95
    half white black "$work/photos/b2.heic"
    head -c 120 "$work/photos/a.png" >"$work/photos/d2.png"
    remember_folder "$work/photos"
    start
    answer_dialog Return "$work/photos"
    # Every readable photo comes upright, each within a few slides of the one
    # before: the two that cannot be read are passed over without a stall.
    rest=("$red" "$green" "$blue" "$yellow" "$purple" "$cyan")
    last=$SECONDS
    while [ ${#rest[@]} -gt 0 ]; do
        [ $((SECONDS - last)) -lt 40 ] || fail "no new photo for 40 s; still to come: ${rest[*]}"
        kill -0 "$pid" 2>/dev/null || fail "the program ended"
        shot
        top=$(colour 590 300 100 80)
        bottom=$(colour 590 650 100 80)
        left=()
        for c in "${rest[@]}"; do
            if near "$top" "$c" && near "$bottom" "0 0 0"; then
                echo "upright after $((SECONDS - last)) s: $c"
                last=$SECONDS
            else
                left+=("$c")
            fi
        done
        rest=("${left[@]}")
        sleep 0.3
    done
    escape
    finish
    ;;
resume_by_photo)
    # A run ends with the third photo on its way; three photos that come
    # before it in the list are added; the next run starts with it all the same.
    mkdir -p "$work/photos"
    photo "$work/photos/c.jpg" "rgb($red)" && photo "$work/photos/d.png" "rgb($green)" &&
        photo "$work/photos/e.jpg" "rgb($blue)"
    remember_folder "$work/photos"
    show_until_held "$work/photos"
    stored_path=$(reg_value path)
    echo "stored: file $(reg_value file), path $stored_path"
    case "$next" in
    "$red") want=c.jpg ;; "$green") want=d.png ;; *) want=e.jpg ;;
    esac
    [ "$stored_path" = "$want" ] || fail "photo stored as '$stored_path', want '$want'"
    # Wine lists a folder sorted by name: these come first.
    yellow="224 208 32" purple="160 32 192" cyan="32 192 208"
    photo "$work/photos/0a.jpg" "rgb($yellow)" && photo "$work/photos/0b.gif" "rgb($purple)" &&
        photo "$work/photos/0c.jpg" "rgb($cyan)"
    resumes_with_next "$work/photos" "$red" "$green" "$blue" "$yellow" "$purple" "$cyan"
    ;;
long_scan)
    # 100,000 tiny files in 20,000 folders of five, made here (on a memory
    # file system, linked into the prefix) and removed after: the scan takes
    # seconds. The screen says so within 2 s of the dialog's answer, and Esc
    # meanwhile ends the program at once, the stored position untouched.
    library=$(mktemp -d /dev/shm/orbisca-e2e-library.XXXXXX)
    python3 - "$library" <<'PY'
import os, sys
root = sys.argv[1]
for a in range(100):
    for b in range(200):
        folder = os.path.join(root, "g%02d" % a, "f%03d" % b)
        os.makedirs(folder)
        for i in range(5):
            open(os.path.join(folder, "p%d.jpg" % i), "w").close()
PY
    ln -s "$library" "$work/library"
    # Xvfb runs no window manager, and Wine then waits 2 s for one as the
    # dialog closes; a Windows desktop has no such wait. Put back at the end.
    unmanaged=1
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    remember_folder "$work/library"
    "$WINE" reg add "$key" /v file /t REG_DWORD /d 5 /f >/dev/null
    "$WINE" reg add "$key" /v path /t REG_SZ /d 'g00\f000\p1.jpg' /f >/dev/null
    start
    answer_dialog Return "$work/library"
    answered=$EPOCHREALTIME
    seen=""
    while awk -v a="$EPOCHREALTIME" -v b="$answered" 'BEGIN { exit !(a - b < 10) }'; do
        at=$EPOCHREALTIME
        shot
        # A line of white text in the middle of a black screen.
        text=$(bright 340 492 600 40)
        if awk -v v="$text" 'BEGIN { exit !(v > 0.01) }' && near "$(colour 340 300 600 100)" "0 0 0" &&
            near "$(colour 340 700 600 100)" "0 0 0"; then
            seen=$(awk -v a="$at" -v b="$answered" 'BEGIN { printf "%.2f", a - b }')
            break
        fi
        sleep 0.1
    done
    [ -n "$seen" ] || fail "no progress text within 10 s of the answer"
    echo "progress text $seen s after the dialog's answer"
    escape
    finish
    echo "stored: file $(reg_value file), path $(reg_value path)"
    [ "$(reg_value file)" = 0x5 ] || fail "position stored as '$(reg_value file)', want 0x5"
    [ "$(reg_value path)" = 'g00\f000\p1.jpg' ] || fail "photo stored as '$(reg_value path)'"
    ;;
seconds_per_photo)
    # The position a 60-s show reaches with 10 s per photo is about half of
    # the one it reaches with the 5 s of a registry without the value.
    mkdir -p "$work/photos"
    for i in $(seq 10 39); do photo "$work/photos/p$i.jpg" "rgb($red)" || exit 1; done
    remember_folder "$work/photos"
    for seconds in 5 10; do
        [ $seconds = 5 ] || "$WINE" reg add "$key" /v seconds /t REG_DWORD /d $seconds /f >/dev/null
        # From the first photo: neither the position nor the photo of the run before.
        "$WINE" reg add "$key" /v file /t REG_DWORD /d 0xffffffff /f >/dev/null
        "$WINE" reg delete "$key" /v path /f >/dev/null 2>&1
        start
        answer_dialog Return "$work/photos"
        sleep 60
        escape
        finish
        reached[$seconds]=$(($(reg_value file)))
        echo "$seconds s per photo: position $((reached[$seconds])) after 60 s"
    done
    [ $((reached[10])) -ge 2 ] || fail "too few photos with 10 s per photo"
    awk -v a="${reached[10]}" -v b="${reached[5]}" 'BEGIN { r = (a + 1) / (b + 1); exit !(r > 0.3 && r < 0.7) }' ||
        fail "with 10 s per photo the show reached ${reached[10]}, with 5 s ${reached[5]}"
    ;;
shuffle)
    # Twelve photos of distinct colours, shuffled, 8 s each: the first twelve
    # photos that fill the middle of the screen are twelve different ones,
    # not in the folder's order (Wine lists a folder by name).
    palette=("208 32 32" "32 208 32" "32 32 208" "208 208 32" "208 32 208" "32 208 208" "208 120 32"
        "120 32 208" "32 120 208" "120 208 32" "208 32 120" "32 208 120")
    mkdir -p "$work/photos"
    for i in "${!palette[@]}"; do
        photo "$work/photos/$(printf '%02d' "$i").jpg" "rgb(${palette[$i]// /,})" || exit 1
    done
    remember_folder "$work/photos"
    "$WINE" reg add "$key" /v order /t REG_DWORD /d 1 /f >/dev/null
    # Long enough at rest that a loaded machine's screenshots see every photo.
    "$WINE" reg add "$key" /v seconds /t REG_DWORD /d 8 /f >/dev/null
    start
    answer_dialog Return "$work/photos"
    # A photo counts once it fills the middle in two screenshots in a row
    # (a fade passes through other colours, never for that long).
    seen=() candidate="" last="" deadline=$((SECONDS + 400))
    while [ ${#seen[@]} -lt 12 ] && [ $SECONDS -lt $deadline ]; do
        shot
        mapfile -t middle < <(middle_colours)
        now=""
        for i in "${!palette[@]}"; do all_near "${palette[$i]}" "${middle[@]}" && { now=$i; break; }; done
        if [ -n "$now" ] && [ "$now" = "$candidate" ] && [ "$now" != "$last" ]; then
            seen+=("$now")
            last=$now
            echo "turn ${#seen[@]}: photo $now"
        fi
        candidate=$now
    done
    escape
    finish
    [ ${#seen[@]} = 12 ] || fail "only ${#seen[@]} photos in the first turns: ${seen[*]}"
    [ "$(printf '%s\n' "${seen[@]}" | sort -u | wc -l)" = 12 ] || fail "a photo came twice: ${seen[*]}"
    [ "${seen[*]}" != "$(seq -s ' ' 0 11)" ] || fail "the photos came in the folder's order"
    [ "$(reg_value seed)" != "" ] || fail "no seed stored for the shuffled order"
    ;;
caption)
    # caption_corner CAPTION WANT [Tab]: a show with the caption setting, its
    # bottom-left corner with text or dark once the photo is in view, and
    # dark after Tab when asked.
    caption_corner() {
        "$WINE" reg add "$key" /v caption /t REG_DWORD /d "$1" /f >/dev/null
        start
        answer_dialog Return "$work/photos"
        wait_fully 90 "$red" >/dev/null || fail "the photo never filled the middle"
        local want=$2 v
        for step in "" ${3:-}; do
            if [ -n "$step" ]; then
                press Tab
                frames_go_on || fail "no frames after Tab"
                want=dark
            fi
            shot
            v=$(bright 0 950 640 74)
            echo "caption $1${step:+ after $step}: bright share $v in the corner"
            awk -v v="$v" -v w="$want" 'BEGIN { exit !(w == "text" ? v > 0.002 : v < 0.0005) }' ||
                fail "caption $1${step:+ after $step}: the corner should be $want ($v)"
        done
        escape
        finish
    }
    mkdir -p "$work/photos"
    photo "$work/photos/harbour at dawn.jpg" "rgb($red)"
    exiftool -q -overwrite_original '-DateTimeOriginal=2019:02:28 17:45:03' "$work/photos/harbour at dawn.jpg"
    remember_folder "$work/photos"
    caption_corner 3 text Tab
    caption_corner 1 text
    caption_corner 0 dark
    # A photo without a date shows no date.
    exiftool -q -overwrite_original -all= "$work/photos/harbour at dawn.jpg"
    caption_corner 1 dark
    caption_corner 2 text
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
