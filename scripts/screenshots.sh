#!/usr/bin/env bash
# Screenshots of the General and About pages for docs/, taken from the preview
# program (tests/resources/dialog_preview.cpp), which is built from the real
# resource script. Runs inside a Wine session:
#
#   scripts/wine-session.sh run -- scripts/screenshots.sh BUILD_DIR
#
# Writes docs/general-page.png and docs/about-page.png.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: screenshots.sh BUILD_DIR}" && pwd)"
preview="$build/bin/dialog_preview.exe"
[ -f "$preview" ] || { echo "screenshots: build the dialog_preview target first" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "screenshots: no DISPLAY; run inside wine-session.sh" >&2; exit 1; }

work="$(mktemp -d)"
pid=""
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$root/docs"

sheet_window() { xdotool search --name '^Tarvik$' 2>/dev/null | head -n 1 || true; }

# shoot PAGE FILE: start the preview on page PAGE, wait for its window,
# photograph the screen and cut out the sheet.
shoot() {
    local page="$1" file="$2" window="" tries
    wine "$preview" "$page" </dev/null >/dev/null 2>&1 &
    pid=$!
    for tries in $(seq 1 150); do
        window="$(sheet_window)"
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "screenshots: the preview window did not appear" >&2
        return 1
    fi
    sleep 1 # let every control paint
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root "$work/screen.png"
    # No time stamps in the file: an unchanged page gives an unchanged PNG.
    convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
        -define png:exclude-chunks=date,time "$root/docs/$file"
    echo "wrote docs/$file (${WIDTH}x${HEIGHT})"

    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
    # The next preview must not be mistaken for this one.
    for tries in $(seq 1 50); do
        [ -z "$(sheet_window)" ] && break
        sleep 0.1
    done
}

shoot 0 general-page.png
shoot 1 about-page.png
