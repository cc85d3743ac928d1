# Sourced by the test and run scripts: a private X display and a throwaway
# Wine prefix, never the user's.
#   wine_env_start   sets DISPLAY, WINEPREFIX, WINE, WINEDEBUG, ORBISCA_WINE_READY
#   wine_env_stop    ends the display and the wine server, removes the prefix

wine_find() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64
    elif command -v wine64 >/dev/null; then command -v wine64
    else command -v wine; fi
}

wine_env_start() {
    local size=${1:-1280x1024x24} n=90
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
    ORBISCA_XVFB_PID=$!
    export DISPLAY=:$n
    local i=0
    while [ ! -e /tmp/.X11-unix/X$n ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    export WINEPREFIX=$(mktemp -d /tmp/orbisca-wine.XXXXXX)
    export WINE=$(wine_find)
    export WINEDEBUG=-all
    # A crash ends the program at once instead of waiting in the debugger.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    # Keep the server alive between test programs: each start is then quick.
    "$(dirname "$WINE")/wineserver" -p 2>/dev/null || wineserver -p 2>/dev/null || true
    export ORBISCA_WINE_READY=1
}

wine_env_stop() {
    [ -n "${WINEPREFIX:-}" ] && { "$(dirname "$WINE")/wineserver" -k 2>/dev/null || wineserver -k 2>/dev/null || true; }
    [ -n "${ORBISCA_XVFB_PID:-}" ] && kill "$ORBISCA_XVFB_PID" 2>/dev/null
    case "${WINEPREFIX:-}" in /tmp/orbisca-wine.*) rm -rf "$WINEPREFIX" ;; esac
    unset ORBISCA_WINE_READY
}
