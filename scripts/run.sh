#!/usr/bin/env bash
# `make run`: builds Tarvik for the first of the architectures named ($@)
# that this host can run (32-bit before 64-bit) and starts it under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
check_archs "$@"

read -r -a archs <<<"$(runnable_archs starting "$@" 2>/dev/null)"
[ ${#archs[@]} -gt 0 ] || { echo "run: no architecture of '$*' can run on this host" >&2; exit 1; }
arch="${archs[0]}"
case "$arch" in
    x86) echo "run: starting the 32-bit Tarvik (build/x86/bin/Tarvik.exe)" ;;
    x64) case " $* " in
             *" x86 "*) echo "run: this host cannot start 32-bit programs: starting the 64-bit Tarvik (build/x64/bin/Tarvik.exe)" ;;
             *) echo "run: starting the 64-bit Tarvik (build/x64/bin/Tarvik.exe)" ;;
         esac ;;
esac
cmake --preset "$arch" >/dev/null
# Only what it starts, so the first window comes quickly.
cmake --build "$root/build/$arch" -j "${JOBS:-2}" --target Tarvik
exec "$root/scripts/wine-session.sh" run-app -- "$(wine_for "$arch")" "$root/build/$arch/bin/Tarvik.exe"
