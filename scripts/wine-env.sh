# Sourced by the test and run scripts: a private X display and a throwaway
# Wine prefix, never the user's.
#   wine_env_start [SIZE]   starts a pair and sets DISPLAY, WINEPREFIX, WINE,
#                           WINEDEBUG, WINEDLLOVERRIDES; returns 1 (with a
#                           message) when the display does not come up. SIZE
#                           is Xvfb's (1280x1024x24 by default), or "two" for
#                           two monitors of 1280 x 1024 side by side
#   wine_env_stop           ends the display and the wine server, removes the
#                           prefix (only a pair wine_env_start made)
#   wine_env_start_slots N  N pairs for one test run (scripts/test.sh): CTest
#                           gives each Windows test one of them at a time
#                           (resource "wine", tests/wine-slots.json)
#   wine_env_stop_slots     ends them
#   wine_env_use            in a test: takes the pair CTest gave it, or starts
#                           a private one (then ORBISCA_WINE_OWN=1 and the
#                           test calls wine_env_stop when done)

wine_find() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64
    elif command -v wine64 >/dev/null; then command -v wine64
    else command -v wine; fi
}

wine_server() { "$(dirname "$WINE")/wineserver" "$@" 2>/dev/null || wineserver "$@" 2>/dev/null; }
# Ends the prefix's server and waits until it has gone (it writes the registry
# into the prefix on its way out).
wine_server_end() { wine_server -k || true; wine_server -w || true; }

wine_env_vars() {
    export WINE=$(wine_find)
    export WINEDEBUG=-all
    # A crash ends the program at once instead of waiting in the debugger.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
}

# Starts Xvfb on a display of its own and waits until it answers. The number
# is drawn at random, far above the ones servers pick for themselves (from 0
# up), and Xvfb's lock file claims it for every test run on the machine, also
# for one in a network namespace of its own, where the abstract sockets that
# otherwise tell a taken display are not seen. Two servers with one number
# compile their keyboard maps into one file (/var/lib/xkb/server-N.xkm), and
# one of them dies of it. -noreset: the server keeps its state when its last
# program goes, instead of compiling the keyboard map again.
wine_display_start() {
    local size=$1 dir n attempt i
    dir=$(mktemp -d /tmp/orbisca-x.XXXXXX)
    [ "$size" = two ] && wine_two_monitors_config >"$dir/xorg.conf"
    for attempt in $(seq 1 20); do
        n=$((1000 + RANDOM % 30000))
        { [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; } && continue
        if [ "$size" = two ]; then
            mkdir -p "$dir/none"
            Xorg :$n -config "$dir/xorg.conf" -configdir "$dir/none" -noreset -nolisten tcp -novtswitch \
                -logfile "$dir/Xorg.log" >"$dir/log" 2>&1 &
        else
            Xvfb :$n -screen 0 "$size" -nolisten tcp -noreset >"$dir/log" 2>&1 &
        fi
        ORBISCA_XVFB_PID=$!
        for i in $(seq 1 300); do
            kill -0 "$ORBISCA_XVFB_PID" 2>/dev/null || break
            # Answered by this server, not by one that held the number first.
            if DISPLAY=:$n xdpyinfo >/dev/null 2>&1 &&
                [ "$(tr -d ' \n' </tmp/.X$n-lock 2>/dev/null)" = "$ORBISCA_XVFB_PID" ]; then
                ORBISCA_XVFB_DIR=$dir
                export DISPLAY=:$n
                [ "$size" = two ] && wine_two_monitors_on
                return 0
            fi
            sleep 0.1
        done
        kill "$ORBISCA_XVFB_PID" 2>/dev/null
        wait "$ORBISCA_XVFB_PID" 2>/dev/null
    done
    echo "wine-env: Xvfb did not come up (last display :$n); its log:" >&2
    cat "$dir/log" >&2
    rm -rf "$dir"
    unset ORBISCA_XVFB_PID ORBISCA_XVFB_DIR
    return 1
}

# Two monitors side by side for Wine, which Xvfb cannot place apart: Xorg with
# the dummy driver, one 2560 x 1024 screen with two RandR outputs of 1280 x
# 1024, the second at x 1280. Wine reads the outputs once, when it starts.
wine_two_monitors_config() {
    local mode='Modeline "1280x1024" 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync' m
    printf '%s\n' 'Section "ServerFlags"' '    Option "AutoAddDevices" "false"' '    Option "DontVTSwitch" "true"' \
        '    Option "BlankTime" "0"' '    Option "StandbyTime" "0"' '    Option "SuspendTime" "0"' \
        '    Option "OffTime" "0"' 'EndSection' \
        'Section "Device"' '    Identifier "card"' '    Driver "dummy"' '    VideoRam 24576' \
        '    Option "Monitor-DUMMY0" "left"' '    Option "Monitor-DUMMY1" "right"' 'EndSection'
    for m in left right; do
        printf '%s\n' 'Section "Monitor"' "    Identifier \"$m\"" '    HorizSync 5.0-1000.0' \
            '    VertRefresh 5.0-200.0' "    $mode" '    Option "PreferredMode" "1280x1024"' 'EndSection'
    done
    printf '%s\n' 'Section "Screen"' '    Identifier "screen"' '    Device "card"' '    Monitor "left"' \
        '    DefaultDepth 24' '    SubSection "Display"' '        Depth 24' '        Modes "1280x1024"' \
        '        Virtual 2560 1024' '    EndSubSection' 'EndSection' \
        'Section "ServerLayout"' '    Identifier "layout"' '    Screen 0 "screen" 0 0' 'EndSection'
}
# The dummy driver counts the second output as connected once a mode is set
# on it and a full probe (xrandr -q) has followed.
wine_two_monitors_on() {
    xrandr -q >/dev/null 2>&1
    xrandr --addmode DUMMY1 1280x1024 >/dev/null 2>&1
    xrandr --output DUMMY0 --mode 1280x1024 --pos 0x0 --primary --output DUMMY1 --mode 1280x1024 --pos 1280x0
    xrandr -q >/dev/null 2>&1
}

# Starts the prefix's server for good, then makes the prefix. A server that
# ends with the last program (Debian's wineserver runs with -p0) shuts the
# prefix down between two test programs: a program that starts meanwhile is
# killed with the system processes or waits seconds for a new desktop. The
# server must be the first one: a -p given to a running server does nothing.
wine_prefix_start() {
    wine_server -p || { echo "wine-env: no wine server for $WINEPREFIX" >&2; return 1; }
    "$WINE" wineboot -i >/dev/null 2>&1 || true
}

wine_env_start() {
    wine_display_start "${1:-1280x1024x24}" || return 1
    export WINEPREFIX=$(mktemp -d /tmp/orbisca-wine.XXXXXX)
    wine_env_vars
    ORBISCA_WINE_OWN=1
    wine_prefix_start || { wine_env_stop; return 1; }
}

wine_env_stop() {
    # A pair given by CTest belongs to the test run, not to this test.
    [ -n "${ORBISCA_WINE_OWN:-}" ] || return 0
    case "${WINEPREFIX:-}" in
    /tmp/orbisca-wine.*) wine_server_end; rm -rf "$WINEPREFIX" ;;
    esac
    if [ -n "${ORBISCA_XVFB_PID:-}" ]; then
        kill "$ORBISCA_XVFB_PID" 2>/dev/null || true
        wait "$ORBISCA_XVFB_PID" 2>/dev/null || true
    fi
    [ -n "${ORBISCA_XVFB_DIR:-}" ] && rm -rf "$ORBISCA_XVFB_DIR"
    unset ORBISCA_XVFB_PID ORBISCA_XVFB_DIR ORBISCA_WINE_OWN
    return 0
}

wine_env_start_slots() {
    local count=$1 k boots=""
    ORBISCA_WINE_SLOTS=""
    for k in $(seq 0 $((count - 1))); do
        wine_display_start 1280x1024x24 || { wine_env_stop_slots; return 1; }
        local prefix
        prefix=$(mktemp -d /tmp/orbisca-wine.XXXXXX)
        export "ORBISCA_WINE_SLOT_$k=$DISPLAY $prefix"
        ORBISCA_WINE_SLOTS="$ORBISCA_WINE_SLOTS $ORBISCA_XVFB_PID:$ORBISCA_XVFB_DIR:$prefix"
        unset ORBISCA_XVFB_PID ORBISCA_XVFB_DIR
    done
    wine_env_vars
    # The prefixes are made side by side: the first start in a prefix is slow.
    for k in $(seq 0 $((count - 1))); do
        local slot=ORBISCA_WINE_SLOT_$k
        set -- ${!slot}
        ( export DISPLAY=$1 WINEPREFIX=$2; wine_prefix_start ) &
        boots="$boots $!"
    done
    local failed=0
    for k in $boots; do wait "$k" || failed=1; done
    if [ $failed = 1 ]; then
        wine_env_stop_slots
        return 1
    fi
    export ORBISCA_WINE_SLOTS
    unset DISPLAY
}

wine_env_stop_slots() {
    local entry pid dir prefix
    for entry in ${ORBISCA_WINE_SLOTS:-}; do
        IFS=: read -r pid dir prefix <<<"$entry"
        (export WINEPREFIX=$prefix; wine_server_end)
        rm -rf "$prefix"
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        rm -rf "$dir"
    done
    unset ORBISCA_WINE_SLOTS
    return 0
}

wine_env_use() {
    # A test on a display of another kind (ORBISCA_DISPLAY, a SIZE of
    # wine_env_start) makes its own pair.
    [ -n "${ORBISCA_DISPLAY:-}" ] && { wine_env_start "$ORBISCA_DISPLAY"; return; }
    # CTest names the slot it gave this test as "id:K,slots:1".
    local given=${CTEST_RESOURCE_GROUP_0_WINE:-} id slot
    id=$(sed -n 's/^id:\([0-9]*\),.*/\1/p' <<<"$given")
    slot=ORBISCA_WINE_SLOT_$id
    if [ -n "$id" ] && [ -n "${!slot:-}" ]; then
        set -- ${!slot}
        export DISPLAY=$1 WINEPREFIX=$2
        wine_env_vars
        ORBISCA_WINE_OWN=""
        return 0
    fi
    wine_env_start
}
