#!/bin/bash
# The real orbisca.scr under Wine, started as the system starts a screen
# saver, with the helpers of e2e.sh.
# usage: saver.sh SCENARIO orbisca.scr window_text.exe preview_host.exe
#   show | show_without_photos | settings | preview | two_monitors
set -u
preview_host=$4
# Two monitors side by side, 1280 x 1024 each, on a display of the test's own.
[ "$1" = two_monitors ] && export ORBISCA_DISPLAY=two
E2E_HELPERS_ONLY=1 . "$(cd "$(dirname "$0")" && pwd)/e2e.sh" "$1" "$2" "$3"

start_saver() { start "$@"; }
# Keyboard input goes to the show's window.
focus_show() {
    local w
    w=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
    [ -n "$w" ] && xdotool windowfocus "$w" 2>/dev/null
}
# end_by INPUT...: gives the show INPUT (xdotool's words) until it ends and
# checks its exit code: a key sent before Wine has handed the window the
# keyboard goes nowhere, so it is sent again every few seconds.
end_by() {
    local deadline=$((SECONDS + 60)) next=0
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        [ $SECONDS -ge $next ] && { focus_show; xdotool "$@"; next=$((SECONDS + 5)); }
        sleep 0.2
    done
    finish
}
# still_running INPUT: the show has taken INPUT (it has drawn frames since)
# and runs on.
still_running() {
    frames_go_on
    kill -0 "$pid" 2>/dev/null || fail "the show ended on $1"
}
# wait_for_request FIRST: from FIRST in view, waits until a later photo has
# come into view and the show has then requested the one after it; sets shown
# to the photo in view, and second and third to the photos after FIRST in the
# list's order. A key now ends the show with the requested photo on its way:
# it is held back for seconds before it comes in (a show cannot be paused).
# The overlay's file line names the photo requested last. It is read while a
# photo fills the screen, after the request that came as the turn to it ended;
# once the next photo is in full view the line is watched until it changes
# (the same new text twice, not a passing look of the cube behind it).
wait_for_request() {
    local deadline=$((SECONDS + 120)) c want line came held="" ref="" last=""
    shown=$1
    second=""
    while :; do
        [ $SECONDS -lt $deadline ] || fail "no photo was requested after one came into view"
        shot
        c=$(colour 590 462 100 100)
        line=$(file_line)
        came=""
        for want in "$red" "$green" "$blue"; do
            [ "$want" != "$shown" ] && near "$c" "$want" && came=$want
        done
        if [ -n "$came" ]; then
            # The next photo turns in: watched when the line before it is known.
            [ -n "$second" ] || second=$came
            shown=$came
            ref=$held
            held=""
            last=""
        elif fully "$shown"; then
            [ -n "$ref" ] && [ "$line" != "$ref" ] && [ "$line" = "$last" ] && break
            held=$line
            last=$line
        fi
        sleep 0.2
    done
    for c in "$red" "$green" "$blue"; do [ "$c" = "$1" ] || [ "$c" = "$second" ] || third=$c; done
}

# A red, a green and a blue photo in the stored folder, the pointer in the
# middle of the primary monitor, and /s.
start_on_three_photos() {
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)" && photo "$work/photos/b.jpg" "rgb($green)" &&
        photo "$work/photos/c.jpg" "rgb($blue)"
    remember_folder "$work/photos"
    xdotool mousemove 640 512
    start_saver /s
}

case $scenario in
show)
    start_on_three_photos
    # No dialog to answer: the first photo comes by itself.
    first=$(wait_for_centre "$red" "$green" "$blue") || exit 1
    xdotool mousemove 641 512
    still_running "a move of one pixel"
    # Ended with the third photo on its way (or, when the second came in
    # before the one-pixel check was done, the photo after a later one).
    wait_for_request "$first"
    IFS='|' read -r next want_file <<<"$(after "$first" "$second" "$third" -- "$shown")"
    end_by key space
    [ "$(reg_value file)" = "$want_file" ] || fail "position stored as '$(reg_value file)', want $want_file"
    # The next show resumes with the photo that was on its way; a click ends it.
    start_saver /S
    resumed=$(wait_for_centre "$red" "$green" "$blue") || exit 1
    [ "$resumed" = "$next" ] || fail "resumed with $resumed, want $next"
    xdotool click 1
    finish
    # A move of 20 pixels ends it, and so does a second show at once.
    xdotool mousemove 640 512
    start_saver -s
    wait_for_centre "$red" "$green" "$blue" >/dev/null || exit 1
    first_pid=$pid
    start_saver /s
    finish
    pid=$first_pid
    kill -0 "$pid" 2>/dev/null || fail "a second show ended the first"
    xdotool mousemove 660 512
    finish
    # Another program coming to the front ends it too.
    start_saver /s
    wait_for_centre "$red" "$green" "$blue" >/dev/null || exit 1
    "$WINE" notepad >/dev/null 2>&1 &
    finish
    # Without the D3DX runtime the show runs on the program's own functions.
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dx9_27=" start_saver /s
    wait_for_centre "$red" "$green" "$blue" >/dev/null || exit 1
    xdotool click 1
    finish
    ;;
show_without_photos)
    # black_screen INPUT: the show came up as one black window (no message
    # box) with a line saying why; INPUT ends it.
    black_screen() {
        local deadline=$((SECONDS + 90)) windows v="" c=""
        while :; do
            if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && shot; then
                c=$(colour 0 200 1280 824)
                v=$(bright 10 40 600 20)
                near "$c" "0 0 0" && awk -v v="$v" 'BEGIN { exit !(v > 0.002) }' && break
            fi
            [ $SECONDS -lt $deadline ] || fail "no black screen with a line saying why (colour $c, line $v)"
            sleep 0.2
        done
        windows=$(xdotool search --onlyvisible --name "^$title\$" | wc -l)
        [ "$windows" = 1 ] || fail "$windows windows titled '$title' (a message box?)"
        end_by $1
    }
    "$WINE" reg delete "$key" /f >/dev/null 2>&1
    # The user's Pictures folder: an empty one (a new prefix links it to $HOME).
    mkdir -p "$work/pictures/sub"
    echo "not a photo" > "$work/pictures/sub/notes.txt"
    for folders in "User Shell Folders" "Shell Folders"; do
        "$WINE" reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$folders" /v "My Pictures" \
            /t REG_SZ /d "$(winpath "$work/pictures")" /f >/dev/null
    done
    start_saver /s
    black_screen "key Return"
    ;;
two_monitors)
    # both_shown: waits until each monitor's middle shows a photo, a
    # different one on each; prints them.
    both_shown() {
        local deadline=$((SECONDS + 90)) left right want l r
        while :; do
            shot
            left=$(colour 590 462 100 100)
            right=$(colour 1870 462 100 100)
            l="" r=""
            for want in "$red" "$green" "$blue"; do
                near "$left" "$want" && l=$want
                near "$right" "$want" && r=$want
            done
            [ -n "$l" ] && [ -n "$r" ] && [ "$l" != "$r" ] && { echo "$l|$r"; return 0; }
            [ $SECONDS -lt $deadline ] || fail "no two different photos on the two monitors (left $left, right $right)"
            sleep 0.3
        done
    }
    start_on_three_photos
    both_shown >/dev/null || exit 1
    end_by key space
    # The photo on the primary monitor's way is the one stored.
    [ -n "$(reg_value file)" ] || fail "no position stored"
    # A move of 20 pixels ends it too, also without the D3DX runtime.
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3dx9_27=" start_saver /s
    both_shown >/dev/null || exit 1
    xdotool mousemove 660 512
    finish
    ;;
settings)
    # settings_dialog [TEXT]: waits for the settings dialog (showing TEXT in
    # one of its fields when given); prints its window.
    settings_dialog() {
        "$WINE" "$window_text" "$title" ${1:+"$1"} >"$work/dialog.txt" || fail "no settings dialog${1:+ showing '$1'}"
        tr -d '\r' <"$work/dialog.txt" | grep -qx 'Seconds per photo:\|&Seconds per photo:' ||
            fail "not the settings dialog: $(cat "$work/dialog.txt")"
        dialog
    }
    stored() { local v; for v in folder file seconds order caption seed; do echo "$v=$(reg_value $v)"; done; }
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)"
    # Cancel stores nothing, whatever was changed.
    "$WINE" reg delete "$key" /f >/dev/null 2>&1
    start_saver /c
    d=$(settings_dialog 5)
    xdotool key --window "$d" alt+s && xdotool type --window "$d" 10 && xdotool key --window "$d" alt+o Down
    xdotool key --window "$d" Escape
    finish
    [ "$(stored)" = "$(printf '%s=\n' folder file seconds order caption seed)" ] ||
        fail "cancel stored: $(stored | tr '\n' ' ')"
    # OK stores each setting. The stored folder lacks its closing backslash,
    # so the folder chosen with Browse counts as another one and starts at
    # its first photo.
    w=$(winpath "$work/photos")
    "$WINE" reg add "$key" /v folder /t REG_SZ /d "$w" /f >/dev/null
    "$WINE" reg add "$key" /v file /t REG_DWORD /d 3 /f >/dev/null
    start_saver /c:12345
    d=$(settings_dialog "$w")
    xdotool key --window "$d" alt+s && xdotool type --window "$d" 10
    xdotool key --window "$d" alt+o Down alt+c Down Down Down alt+b
    # The folder dialog, owned by the settings dialog, opens on the folder.
    "$WINE" "$window_text" "$title" "$(basename "$work/photos")" >/dev/null || fail "Browse opened no folder dialog"
    picker=$(xdotool search --onlyvisible --name "^$title\$" | grep -vx "$d" | head -n 1)
    [ -n "$picker" ] || fail "no folder dialog beside the settings dialog"
    xdotool key --window "$picker" Return
    d=$(settings_dialog "$w\\")
    xdotool key --window "$d" Return
    finish
    want=$(printf '%s\n' "folder=$w\\" file=0xffffffff seconds=0xa order=0x1 caption=0x3 seed=)
    [ "$(stored)" = "$want" ] || fail "OK stored: $(stored | tr '\n' ' '), want $(tr '\n' ' ' <<<"$want")"
    # The dialog opens on what is stored. Seconds it does not take are
    # refused with a box saying why, and the dialog stays open.
    start_saver /c
    d=$(settings_dialog 10)
    "$WINE" "$window_text" "$title" "Date taken and file name" >/dev/null || fail "the caption shown is not the stored one"
    xdotool key --window "$d" alt+s && xdotool type --window "$d" 3 && xdotool key --window "$d" Return
    why="Seconds per photo: a whole number from 4 to 120"
    "$WINE" "$window_text" "$title" "$why" >/dev/null || fail "no box saying '$why'"
    box=$(xdotool search --onlyvisible --name "^$title\$" | grep -vx "$d" | head -n 1)
    xdotool key --window "$box" Return
    d=$(settings_dialog 3)
    xdotool key --window "$d" Escape
    finish
    [ "$(reg_value seconds)" = 0xa ] || fail "seconds stored as '$(reg_value seconds)' after the refusal"
    ;;
preview)
    mkdir -p "$work/photos"
    photo "$work/photos/a.jpg" "rgb($red)" && photo "$work/photos/b.jpg" "rgb($red)"
    remember_folder "$work/photos"
    # host HOST_ARGUMENT: runs the preview host until the preview has shown
    # red (a line "centre R G B", printed only when the preview runs inside
    # the host) or for 5 s, then lets it end the preview.
    host() {
        rm -f "$work/go" "$work/host.log"
        "$WINE" "$preview_host" "$1" "$work_w\\go" >"$work/host.log" 2>&1 &
        local host_pid=$! deadline=$((SECONDS + 60)) code
        until grep -q '^child\|^FAIL' "$work/host.log" 2>/dev/null; do
            [ $SECONDS -lt $deadline ] || break
            sleep 0.2
        done
        if [ "$1" = - ]; then
            until tr -d '\r' <"$work/host.log" | sed -n 's/^centre \([0-9 ]*\) .*/\1/p' |
                while read -r c; do near "$c" "$red" && exit 0; done; do
                [ $SECONDS -lt $deadline ] || { cat "$work/host.log"; fail "no photo in the preview within a minute"; }
                sleep 0.5
            done
        else
            sleep 5
        fi
        touch "$work/go"
        wait "$host_pid"
        code=$?
        cat "$work/host.log"
        # What the host found, from its report: the status of its process
        # under Wine may be a kill that came after it had ended.
        grep -q '^FAIL' "$work/host.log" && fail "preview host ($1) failed"
        grep -q '^preview ended' "$work/host.log" || fail "preview host ($1) ended without a report (status $code)"
    }
    # The real program: its window covers the host's client area, and it
    # ends with exit code 0 once the host's window has gone.
    host "$exe"
    # The same preview inside the host, which reads back what it draws.
    host -
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: saver $scenario"
