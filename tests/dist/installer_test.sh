#!/usr/bin/env bash
# Runs the installer tests of architecture $1 (the program $2) against the
# packages in dist/, in a Wine prefix of their own (build/wine-dist, which
# `make test` makes anew for each run), never in the session's prefix, whose
# user data belongs to `make run`.
#
#   installer_test.sh ARCH INSTALLER_TESTS_EXE
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/arch.sh"
arch="${1:?usage: installer_test.sh ARCH INSTALLER_TESTS_EXE}"
tests="${2:?usage: installer_test.sh ARCH INSTALLER_TESTS_EXE}"

read -r version _ <"$root/build/$arch/version.txt"
setup="$root/dist/Tarvik-$version-$arch-setup.exe"
zip="$root/dist/Tarvik-$version-$arch.zip"
for file in "$setup" "$zip"; do
    [ -f "$file" ] || { echo "installer_test: $file is missing: make dist first" >&2; exit 1; }
done

# The zip unpacked: the files the installer must install.
portable="$(mktemp -d)"
trap 'rm -rf "$portable"' EXIT
python3 -m zipfile -e "$zip" "$portable"

# Windows paths through Wine's drive Z:, which is /.
winpath() { echo "Z:${1//\//\\}"; }
TARVIK_SETUP="$(winpath "$setup")"
TARVIK_PORTABLE="$(winpath "$portable")"
export TARVIK_SETUP TARVIK_PORTABLE
TARVIK_WINEPREFIX="$root/build/wine-dist" "$root/scripts/wine-session.sh" run -- \
    "$(wine_for "$arch")" "$tests" --gtest_brief=1
