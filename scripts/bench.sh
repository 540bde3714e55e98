#!/usr/bin/env bash
# Runs every benchmark under the current Wine session (see `make bench`).
# Each bench/<folder> may hold a run.sh; it is given the build directory.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
for script in "$root"/bench/*/run.sh; do
    [ -f "$script" ] || continue
    echo "== $(basename "$(dirname "$script")")"
    bash "$script" "$build"
done
