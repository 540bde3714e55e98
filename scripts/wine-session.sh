#!/usr/bin/env bash
# A private Wine session: a project-local prefix (a WoW64 prefix with Wine's
# virtual desktop), a private Xvfb display and one persistent wineserver.
#
#   wine-session.sh run CMD...      start, run CMD with the session's environment, stop
#   wine-session.sh run-app CMD...  as run, but on the user's own display when there is one
#   wine-session.sh start | stop    for working by hand; `start` prints the environment
#   wine-session.sh restart         inside a session: a new wineserver on the same display,
#                                   for settings Wine reads only when it starts (LogPixels)
#
# TARVIK_WINEPREFIX chooses another prefix (default: build/wine).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
export WINEPREFIX="${TARVIK_WINEPREFIX:-$root/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Date and time texts follow the locale: keep one for every process of a run.
export LC_ALL="${TARVIK_LC_ALL:-C.UTF-8}"
state="$WINEPREFIX.session"

# The loader for the session's own commands (wineboot, reg, cmd): the 32-bit
# one makes a WoW64 prefix where it can start; elsewhere the 64-bit one makes
# a 64-bit prefix, and every `wine*` helper would fail through the 32-bit one.
if host_runs_x86; then
    session_wine=wine
else
    session_wine="$tarvik_wine64"
    export WINELOADER="$tarvik_wine64"
fi

quiet() { "$@" </dev/null >/dev/null 2>&1; }

start_xvfb() {
    local n
    for n in $(seq 97 160); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        local pid=$!
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
            echo "$pid" >"$state/xvfb.pid"
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "wine-session: no free display for Xvfb" >&2
    return 1
}

make_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.tarvik-ready" ] && return 0
    echo "wine-session: creating the Wine prefix $WINEPREFIX" >&2
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    quiet "$session_wine" wineboot -i
    quiet wineserver -w
    # Wine's virtual desktop: it shows a taskbar with the notification area and
    # hides windows at once (outside it every hide waits for a window manager).
    quiet "$session_wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    quiet "$session_wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f
    # A crashing test program must end, not wait on Wine's crash dialog.
    quiet "$session_wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    quiet wineserver -k || true
    quiet wineserver -w || true
    touch "$WINEPREFIX/.tarvik-ready"
}

start() {
    local own_display="${1:-}"
    mkdir -p "$state"
    if [ -n "$own_display" ] && [ -n "${DISPLAY:-}" ]; then
        : # the user's display
    else
        start_xvfb
    fi
    echo "$DISPLAY" >"$state/display"
    make_prefix
    start_server
}

# A persistent server keeps process starts cheap. Wine's service processes
# live as long as the server and inherit the stdio of whoever starts them:
# start them here on /dev/null so no test harness waits on their pipes.
start_server() {
    quiet wineserver -p
    quiet "$session_wine" cmd /c exit
    quiet "$session_wine" rundll32 user32.dll,GetDesktopWindow || true
}

restart_server() {
    [ -n "${DISPLAY:-}" ] || { echo "wine-session: restart needs the session's DISPLAY" >&2; return 1; }
    quiet wineserver -k || true
    quiet wineserver -w || true
    start_server
}

stop() {
    quiet wineserver -k || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
}

case "${1:-}" in
    start)
        start
        echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' LC_ALL='$LC_ALL' DISPLAY='$DISPLAY'${WINELOADER:+ WINELOADER='$WINELOADER'}"
        ;;
    stop)
        stop
        ;;
    restart)
        restart_server
        ;;
    run|run-app)
        mode="$1"; shift
        [ "${1:-}" = "--" ] && shift
        trap stop EXIT
        trap 'exit 130' INT TERM
        if [ "$mode" = run-app ]; then start own; else start; fi
        if [ "$mode" = run-app ] && [ -f "$state/xvfb.pid" ]; then
            echo "wine-session: no DISPLAY; running on a private Xvfb display $DISPLAY" >&2
        fi
        "$@"
        ;;
    *)
        echo "usage: $0 run|run-app|start|stop|restart [--] [CMD...]" >&2
        exit 2
        ;;
esac
