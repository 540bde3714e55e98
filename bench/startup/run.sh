#!/usr/bin/env bash
# Start-up of Tarvik.exe against a minimal program with an empty property
# sheet and against Tarvik's pages shown with none of its work, in turn in
# the same Wine session. Prints the figures; asserts nothing. Tarvik writes
# its log and settings in the session's prefix.
set -uo pipefail
build="${1:?build directory}"
runs="${STARTUP_BENCH_RUNS:-10}"
for exe in Tarvik.exe empty_sheet.exe template_sheet.exe startup_probe.exe; do
    [ -f "$build/bin/$exe" ] || { echo "startup bench: $build/bin/$exe is not built"; exit 0; }
done
# The probe waits on processes, never on pipes: its output goes to a file.
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
(cd "$build/bin" && "$TARVIK_WINE" startup_probe.exe Tarvik.exe empty_sheet.exe template_sheet.exe "$runs" </dev/null >"$out" 2>&1)
tr -d '\r' <"$out"
