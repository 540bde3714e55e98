#!/usr/bin/env bash
# Runs every benchmark under the current Wine session (see `make bench`), for
# each architecture named ($@) that this host can run. Each bench/<folder>
# may hold a run.sh; it is given the build directory, and TARVIK_WINE names
# the loader for that architecture.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
check_archs "$@" || exit 2
read -r -a archs <<<"$(runnable_archs benchmarking "$@")"
for arch in "${archs[@]}"; do
    TARVIK_WINE="$(wine_for "$arch")"
    export TARVIK_WINE
    for script in "$root"/bench/*/run.sh; do
        [ -f "$script" ] || continue
        echo "== $arch: $(basename "$(dirname "$script")")"
        bash "$script" "$root/build/$arch"
    done
done
