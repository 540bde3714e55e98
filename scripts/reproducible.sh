#!/usr/bin/env bash
# Two clean builds of one commit, in two folders of different names, must give
# the same bytes: clones the commit twice, builds the release and its packages
# in each (unsigned), and compares the programs, the setup, the zips and
# SHA256SUMS. Says what differs and fails then. Two full builds take a while:
# CI can run it, `make test` does not.
#
#   scripts/reproducible.sh [REVISION]     (default: HEAD; ARCH picks the architectures)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
read -r -a archs <<<"${ARCH:-x86 x64}"
check_archs "${archs[@]}"
commit="$(git -C "$root" rev-parse --verify "${1:-HEAD}^{commit}")"
"$root/scripts/deps.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Paths of different lengths: a path that reached a file would show.
places=("$work/a" "$work/second-clean-build")

for place in "${places[@]}"; do
    echo "reproducible: building $commit in $place"
    # --shared: the commit need not be on a branch.
    git clone -q --shared --no-checkout "$root" "$place"
    git -C "$place" checkout -q --detach "$commit"
    for arch in "${archs[@]}"; do
        # The packaged programs only: the tests are not shipped.
        (cd "$place" && cmake --preset "$arch" -DTARVIK_TESTS=OFF >/dev/null)
        cmake --build "$place/build/$arch" -j "${JOBS:-2}" >"$place/build-$arch.log" 2>&1 ||
            { tail -n 20 "$place/build-$arch.log" >&2; exit 1; }
    done
    SIGN_PFX='' "$place/scripts/dist.sh" "${archs[@]}" >/dev/null
done

differ=0
compare() {
    local name="$1" a="${places[0]}/$1" b="${places[1]}/$1"
    if cmp -s "$a" "$b"; then
        echo "same     $(sha256sum <"$a" | cut -c1-16)  $name"
    else
        echo "DIFFERS  $(cmp -l "$a" "$b" 2>/dev/null | wc -l) bytes  $name"
        differ=1
    fi
}
for arch in "${archs[@]}"; do
    compare "build/$arch/bin/Tarvik.exe"
    compare "build/$arch/bin/suspend.exe"
done
for file in "${places[0]}"/dist/*; do
    compare "dist/$(basename "$file")"
done
[ "$differ" -eq 0 ] || { echo "reproducible: two builds of $commit differ" >&2; exit 1; }
echo "reproducible: two clean builds of $commit give the same bytes"
