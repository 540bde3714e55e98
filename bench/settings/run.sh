#!/usr/bin/env bash
# One settings load and one save of a full file, averaged over 50 runs each.
# Prints the figures; asserts nothing.
set -uo pipefail
build="${1:?build directory}"
bench="$build/bin/settings_bench.exe"
[ -f "$bench" ] || { echo "settings bench: $bench is not built"; exit 0; }
"$TARVIK_WINE" "$bench" "${SETTINGS_BENCH_RUNS:-50}" </dev/null 2>/dev/null
