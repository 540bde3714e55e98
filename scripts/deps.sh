#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, only what is
# missing. Runs as root, or through sudo when it is available.
set -euo pipefail

packages=(
    cmake make
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 wine32:i386
    xvfb x11-utils xdotool imagemagick
    googletest clang-format
    python3
    nsis osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then SUDO="sudo"; else
        echo "deps: missing packages (${missing[*]}) and not root; install them first" >&2
        exit 1
    fi
fi

echo "deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q </dev/null
$SUDO apt-get install -y -q "${missing[@]}" </dev/null
