#!/usr/bin/env bash
# Screenshots of the real Tarvik.exe for docs/: the General page, the About
# page and the tray icon's menu. Runs inside a Wine session (Wine's virtual
# desktop shows the taskbar with the notification area):
#
#   scripts/wine-session.sh run -- scripts/screenshots.sh BUILD_DIR
#
# Needs the Tarvik and tarvik_remote targets. The program starts with typical
# settings; a settings file already in the prefix is put back afterwards.
# Writes docs/general-page.png, docs/about-page.png and docs/tray-menu.png.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
build="$(cd "${1:?usage: screenshots.sh BUILD_DIR (build/x86 or build/x64)}" && pwd)"
wine="$(wine_for "$(basename "$build")")"
program="$build/bin/Tarvik.exe"
remote="$build/bin/tarvik_remote.exe"
for file in "$program" "$remote"; do
    [ -f "$file" ] || { echo "screenshots: build $(basename "$file" .exe) first" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "screenshots: no DISPLAY; run inside wine-session.sh" >&2; exit 1; }
[ -n "${WINEPREFIX:-}" ] || { echo "screenshots: no WINEPREFIX; run inside wine-session.sh" >&2; exit 1; }

work="$(mktemp -d)"
data="$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local 2>/dev/null | head -n 1)/Tarvik Developers/Tarvik"
settings="$data/Tarvik.xml"
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        "$wine" "$remote" exit </dev/null >/dev/null 2>&1 || true
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    if [ -f "$work/Tarvik.xml.saved" ]; then
        cp "$work/Tarvik.xml.saved" "$settings"
    else
        rm -f "$settings"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$root/docs" "$data"
[ -f "$settings" ] && cp "$settings" "$work/Tarvik.xml.saved"

# Typical settings: watched ports, a daily wake-up, sleep again after ten
# minutes, a backup program to run.
cat >"$settings" <<'EOF'
<?xml version="1.0" encoding="utf-8" standalone="yes"?>
<Application>
	<Window minimized="false"/>
	<Suspend allowed="true" blanking="true" condition="1">
		<TcpPorts endpoint="2">80,443</TcpPorts>
	</Suspend>
	<AutoResume enabled="true" mode="2" delay="3600" time="2026-01-05T06:00:00.000Z">
		<AutoSuspend enabled="true" delay="600" state="0"/>
		<Command run="true">"C:\Program Files\Backup\backup.exe" /quiet</Command>
	</AutoResume>
</Application>
EOF

# shoot FILE: photograph the screen and cut out the sheet, whose rectangle
# the program's own window reports (the virtual desktop fills the screen).
shoot() {
    local file="$1" X Y WIDTH HEIGHT
    sleep 1 # let every control paint
    "$wine" "$remote" rect </dev/null >"$work/rect" 2>/dev/null ||
        { echo "screenshots: the sheet is not on the screen" >&2; return 1; }
    eval "$(tr -d '\r' <"$work/rect")"
    import -window root "$work/screen.png"
    # No time stamps in the file: an unchanged picture gives an unchanged PNG.
    convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        -define png:exclude-chunks=date,time "$root/docs/$file"
    echo "wrote docs/$file (${WIDTH}x${HEIGHT})"
}

(cd "$build/bin" && exec "$wine" "$program" </dev/null >/dev/null 2>&1) &
pid=$!
"$wine" "$remote" wait </dev/null >/dev/null 2>&1 || { echo "screenshots: Tarvik did not start" >&2; exit 1; }
shoot general-page.png

"$wine" "$remote" about </dev/null >/dev/null 2>&1
shoot about-page.png

# The menu opens at the pointer, right-aligned: put the pointer on the
# notification area at the bottom right of the virtual desktop.
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove "$((WIDTH - 20))" "$((HEIGHT - 12))"
"$wine" "$remote" menu </dev/null >/dev/null 2>&1
sleep 1
import -window root "$work/screen.png"
convert "$work/screen.png" -crop "360x240+$((WIDTH - 360))+$((HEIGHT - 240))" +repage -strip \
    -define png:exclude-chunks=date,time "$root/docs/tray-menu.png"
echo "wrote docs/tray-menu.png (360x240)"
xdotool key Escape
