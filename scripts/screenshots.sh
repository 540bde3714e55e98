#!/usr/bin/env bash
# Screenshots of the real Tarvik.exe for docs/: the General page, the Status
# page, the About page and the tray icon's menu. Runs inside a Wine session (Wine's virtual
# desktop shows the taskbar with the notification area):
#
#   scripts/wine-session.sh run -- scripts/screenshots.sh [--dpi N] BUILD_DIR
#
# Needs the Tarvik and tarvik_remote targets. The program starts with typical
# settings; a settings file already in the prefix is put back afterwards.
# Writes docs/general-page.png, docs/status-page.png, docs/about-page.png,
# docs/tray-menu.png and docs/tray-submenu.png (the Keep awake submenu); with
# --dpi N (96 is 100 %, 192 is 200 %) at another scale, docs/general-page-200.png
# and so on. Wine reads the scale (the LogPixels value) when its server starts:
# the server is restarted with it and again with the prefix's own value at the
# end, so the session goes on at the scale it had.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
usage="usage: screenshots.sh [--dpi N] BUILD_DIR (build/x86 or build/x64)"
dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi="${2:?$usage}"
    shift 2
fi
[[ "$dpi" =~ ^[0-9]+$ ]] && [ "$dpi" -ge 96 ] && [ "$dpi" -le 480 ] ||
    { echo "screenshots: --dpi takes 96 (100 %) to 480 (500 %)" >&2; exit 2; }
build="$(cd "${1:?$usage}" && pwd)"
wine="$(wine_for "$(basename "$build")")"
program="$build/bin/Tarvik.exe"
remote="$build/bin/tarvik_remote.exe"
for file in "$program" "$remote"; do
    [ -f "$file" ] || { echo "screenshots: build $(basename "$file" .exe) first" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "screenshots: no DISPLAY; run inside wine-session.sh" >&2; exit 1; }
[ -n "${WINEPREFIX:-}" ] || { echo "screenshots: no WINEPREFIX; run inside wine-session.sh" >&2; exit 1; }

# 100 % keeps the plain names; other scales add theirs: general-page-200.png.
percent=$((dpi * 100 / 96))
suffix=""
[ "$percent" -eq 100 ] || suffix="-$percent"
# Lengths in pixels at 100 %, for this scale.
scaled() { echo $(($1 * dpi / 96)); }

work="$(mktemp -d)"
data="$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local 2>/dev/null | head -n 1)/Tarvik Developers/Tarvik"
settings="$data/Tarvik.xml"
desktop_key='HKCU\Control Panel\Desktop'
pid=""
holder=""
previous_dpi=""
scale_changed=""

quiet() { "$@" </dev/null >/dev/null 2>&1; }

stop_tarvik() {
    [ -n "$pid" ] || return 0
    quiet "$wine" "$remote" exit || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}

cleanup() {
    stop_tarvik
    release_connection
    if [ -f "$work/Tarvik.xml.saved" ]; then
        cp "$work/Tarvik.xml.saved" "$settings"
    else
        rm -f "$settings"
    fi
    if [ -n "$scale_changed" ]; then
        if [ -n "$previous_dpi" ]; then
            quiet "$wine" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$previous_dpi" /f || true
        else
            quiet "$wine" reg delete "$desktop_key" /v LogPixels /f || true
        fi
        "$root/scripts/wine-session.sh" restart || echo "screenshots: the Wine server did not restart" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$root/docs" "$data"
[ -f "$settings" ] && cp "$settings" "$work/Tarvik.xml.saved"

# The prefix's own scale, to put back; then this run's.
previous_dpi="$("$wine" reg query "$desktop_key" /v LogPixels </dev/null 2>/dev/null |
    tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')" || previous_dpi=""
[ -z "$previous_dpi" ] || previous_dpi=$((previous_dpi)) # 0xc0 is 192
if [ "${previous_dpi:-96}" != "$dpi" ]; then
    scale_changed=yes
    quiet "$wine" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f
    "$root/scripts/wine-session.sh" restart
fi

# Typical settings: watched ports, a daily wake-up, sleep again after ten
# minutes, a backup program to run. $1: whether the program starts in the
# notification area only; $2 and $3, if given: which end of a connection
# counts (1 local, 2 remote, 3 both) and the watched ports.
write_settings() {
    cat >"$settings" <<EOF
<?xml version="1.0" encoding="utf-8" standalone="yes"?>
<Application>
	<Window minimized="$1"/>
	<Suspend allowed="true" blanking="true" condition="1">
		<TcpPorts endpoint="${2:-2}">${3:-80,443}</TcpPorts>
	</Suspend>
	<AutoResume enabled="true" mode="2" delay="3600" time="2026-01-05T06:00:00.000Z">
		<AutoSuspend enabled="true" delay="600" state="0"/>
		<Command run="true">"C:\\Program Files\\Backup\\backup.exe" /quiet</Command>
	</AutoResume>
</Application>
EOF
}

# hold_connection PORT: a listener on 127.0.0.1:PORT with one connection to
# it, held until release_connection, so that a watched port is in use.
hold_connection() {
    rm -f "$work/held"
    python3 -c '
import socket, sys, time
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(1)
client = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
accepted, _ = server.accept()
open(sys.argv[2], "w").close()
time.sleep(600)
' "$1" "$work/held" </dev/null >/dev/null 2>&1 &
    holder=$!
    for _ in $(seq 1 50); do [ -f "$work/held" ] && return 0; sleep 0.1; done
    echo "screenshots: no connection on port $1" >&2
    exit 1
}

release_connection() {
    [ -n "$holder" ] || return 0
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
    holder=""
}

start_tarvik() {
    (cd "$build/bin" && exec "$wine" "$program" </dev/null >/dev/null 2>&1) &
    pid=$!
    quiet "$wine" "$remote" wait || { echo "screenshots: Tarvik did not start" >&2; exit 1; }
}

# save FILE: crop the last photograph of the screen to the rectangle in X, Y,
# WIDTH and HEIGHT and write it without time stamps, so that an unchanged
# picture gives an unchanged PNG.
save() {
    convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        -define png:exclude-chunks=date,time "$root/docs/$1"
    echo "wrote docs/$1 (${WIDTH}x${HEIGHT})"
}

# shoot NAME: photograph the sheet, whose rectangle the program's own window
# reports (the virtual desktop fills the screen). Wine draws a check box's
# focus rectangle over the last row and column of its caption (the tail of the
# "g" in "Allow screen blanking" disappears); Windows shows no focus rectangle
# until the keyboard is used. A click on the desktop beside the sheet takes the
# focus away first, so the pictures show the page as Windows shows it.
shoot() {
    local X Y WIDTH HEIGHT
    sleep 1 # the sheet becomes the active window and every control paints
    "$wine" "$remote" rect </dev/null >"$work/rect" 2>/dev/null ||
        { echo "screenshots: the sheet is not on the screen" >&2; return 1; }
    eval "$(tr -d '\r' <"$work/rect")"
    xdotool mousemove "$((X / 2))" "$((Y / 2))" click 1
    sleep 0.5
    import -window root "$work/screen.png"
    save "$1$suffix.png"
}

write_settings false
start_tarvik
shoot general-page
quiet "$wine" "$remote" about
shoot about-page
stop_tarvik

# The Status page while someone works on this computer over Remote Desktop:
# a connection to the watched local port 3389 (here from the computer
# itself) holds sleep.
hold_connection 3389
write_settings false 1 3389
start_tarvik
quiet "$wine" "$remote" status
shoot status-page
stop_tarvik
release_connection

# The menu: the program in the notification area only, as it is most of the
# time. The menu opens at the pointer, right-aligned: the pointer rests on the
# taskbar left of the icons, where no tooltip covers the menu.
write_settings true
start_tarvik
sleep 1
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove "$((WIDTH - $(scaled 48)))" "$((HEIGHT - $(scaled 6)))"
quiet "$wine" "$remote" menu
sleep 1
import -window root "$work/screen.png"
X=$((WIDTH - $(scaled 360))) Y=$((HEIGHT - $(scaled 240))) WIDTH=$(scaled 360) HEIGHT=$(scaled 240)
save "tray-menu$suffix.png"
# The Keep awake submenu, opened as the pointer rests on its item (the second,
# just above the middle of the menu).
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove "$((WIDTH - $(scaled 100)))" "$((HEIGHT - $(scaled 72)))"
sleep 2
import -window root "$work/screen.png"
X=$((WIDTH - $(scaled 480))) Y=$((HEIGHT - $(scaled 240))) WIDTH=$(scaled 480) HEIGHT=$(scaled 240)
save "tray-submenu$suffix.png"
xdotool key Escape Escape
