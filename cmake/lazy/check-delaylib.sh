#!/usr/bin/env bash
# Shows whether the toolchain's own delay-import libraries work for one
# architecture: check-delaylib.sh i686|x86_64
#
# A probe calls a function the way the Windows headers declare it
# (dllimport: a call through the import pointer), linked against a
# delay-import library made by `dlltool --output-delaylib`. Before the first
# call that pointer must hold the address of the stub that binds the
# function; the script reads it from the linked image. Exit 0 and "works"
# when it does, 1 and "broken" when the slot is empty (a call would jump to
# address 0), 2 when the probe cannot be built.
set -euo pipefail
arch="${1:?usage: check-delaylib.sh i686|x86_64}"
tool="$arch-w64-mingw32"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

cat >probe.cpp <<'CODE'
#include <windows.h>
extern "C" __declspec(dllimport) DWORD WINAPI GetTcpTable(void*, PULONG, BOOL);
int main()
{
    ULONG size = 0;
    return static_cast<int>(GetTcpTable(nullptr, &size, FALSE));
}
CODE
if [ "$arch" = i686 ]; then
    printf 'LIBRARY iphlpapi.dll\nEXPORTS\nGetTcpTable@12\n' >probe.def
    kill_at=--kill-at
    slot_symbol=__imp__GetTcpTable@12
else
    printf 'LIBRARY iphlpapi.dll\nEXPORTS\nGetTcpTable\n' >probe.def
    kill_at=
    slot_symbol=__imp_GetTcpTable
fi
"$tool-dlltool" --input-def probe.def --dllname iphlpapi.dll --output-delaylib libprobe.a $kill_at ||
    exit 2
"$tool-g++-posix" -O2 -static probe.cpp -o probe.exe -L. -lprobe || exit 2

slot=$("$tool-nm" probe.exe | awk -v s="$slot_symbol" '$3 == s { print $1 }')
[ -n "$slot" ] || { echo "$arch: no import slot in the probe"; exit 2; }
size=$([ "$arch" = i686 ] && echo 4 || echo 8)
end=$(printf '%x' $((0x$slot + size)))
bytes=$("$tool-objdump" -s --start-address=0x$slot --stop-address=0x$end probe.exe |
    awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5; ++i) if ($i ~ /^[0-9a-f]+$/) printf "%s", $i; exit }')
if [ -z "$bytes" ] || [ -z "${bytes//0/}" ]; then
    echo "$arch: broken: the import slot of a dllimport call to a delay-loaded function is empty"
    exit 1
fi
echo "$arch: works: the import slot holds the binding stub (0x$bytes)"
