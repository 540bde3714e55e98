#!/usr/bin/env bash
# Runs the installer tests of the build tree of architecture $1 (the test
# program $2) against the setup in dist/, in a Wine prefix of their own, made
# anew by `make test`, never in the session's prefix, whose user data belongs
# to `make run`:
#
#   x64  64-bit Windows: a 64-bit prefix (build/wine-dist), where the setup
#        must install the 64-bit programs;
#   x86  32-bit Windows: a 32-bit prefix (build/wine-dist32, WINEARCH=win32),
#        where it must install the 32-bit ones. Runs only on hosts that start
#        32-bit programs.
#
# The setup is a 32-bit program. A host that cannot start 32-bit programs
# cannot start it either: there the x64 test runs the setup's own script
# built as a 64-bit program from the files of the two zips (never shipped),
# and says so. Exits with 77 (skipped) when dist/ holds no setup (made by
# `make dist ARCH=...`).
#
#   installer_test.sh ARCH INSTALLER_TESTS_EXE
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/arch.sh"
arch="${1:?usage: installer_test.sh ARCH INSTALLER_TESTS_EXE}"
tests="${2:?usage: installer_test.sh ARCH INSTALLER_TESTS_EXE}"

read -r version file_version <"$root/build/$arch/version.txt"
setup="$root/dist/Tarvik-$version-setup.exe"
if [ ! -f "$setup" ]; then
    echo "installer_test: no $(basename "$setup") in dist/: it is made by make dist of both" \
        "architectures (without ARCH)"
    exit 77
fi

# Both zips unpacked, each into a folder named after its architecture: the
# files the setup must install, and those of the earlier x86 installation.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for zip_arch in x86 x64; do
    zip="$root/dist/Tarvik-$version-$zip_arch.zip"
    [ -f "$zip" ] || { echo "installer_test: $zip is missing: make dist first" >&2; exit 1; }
    python3 -m zipfile -e "$zip" "$work/portable/$zip_arch"
done

prefix="$root/build/wine-dist"
if [ "$arch" = x86 ]; then
    prefix="$root/build/wine-dist32"
    export WINEARCH=win32
elif ! host_runs_x86; then
    makensis -V2 -WX -DVERSION="$version" -DFILE_VERSION="$file_version" -DTARGET=amd64-unicode \
        -DSTAGE="$work/portable" -DOUTFILE="$work/Tarvik-amd64-setup.exe" "$root/packaging/Tarvik.nsi"
    setup="$work/Tarvik-amd64-setup.exe"
    echo "installer_test: this host cannot start 32-bit programs, the setup among them: testing" \
        "its script built as a 64-bit program from the zips' files"
fi

# Windows paths through Wine's drive Z:, which is /.
winpath() { echo "Z:${1//\//\\}"; }
TARVIK_SETUP="$(winpath "$setup")"
TARVIK_PORTABLE="$(winpath "$work/portable")"
export TARVIK_SETUP TARVIK_PORTABLE
TARVIK_WINEPREFIX="$prefix" "$root/scripts/wine-session.sh" run -- \
    "$(wine_for "$arch")" "$tests" --gtest_brief=1
