#!/usr/bin/env bash
# `make dist`: the release packages of the architectures named ($@), made
# from the release builds in build/<arch> and written to dist/ (or to
# TARVIK_DIST_DIR):
#
#   Tarvik-<version>-setup.exe   the per-user installer of both architectures
#                                (packaging/Tarvik.nsi): made only when both are named
#   Tarvik-<version>-<arch>.zip  the portable archive of each
#   SHA256SUMS                   the checksums of them all
#
# With SIGN_PFX (and SIGN_PASSWORD) the programs, the uninstaller and the
# setup are signed (scripts/sign.sh); without it the packages are
# unsigned, and it says so. The only time stored is the commit's
# (SOURCE_DATE_EPOCH, else the time of the commit checked out), so two clean
# builds of one commit give the same bytes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
check_archs "$@"

out="${TARVIK_DIST_DIR:-$root/dist}"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)"
    [ -n "$SOURCE_DATE_EPOCH" ] ||
        { echo "dist: not a git checkout: set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

sign=()
if [ -n "${SIGN_PFX:-}" ]; then
    echo "dist: signing with $SIGN_PFX"
    sign=(-DSIGN="$root/scripts/sign.sh")
else
    echo "dist: no certificate (SIGN_PFX): the packages are unsigned"
fi

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"
rm -f "$out"/Tarvik-*-setup.exe "$out"/Tarvik-*.zip "$out/SHA256SUMS"

version=""
for arch in "$@"; do
    build="$root/build/$arch"
    for file in "$build/version.txt" "$build/bin/Tarvik.exe" "$build/bin/Tarvik.com" \
        "$build/bin/suspend.exe"; do
        [ -f "$file" ] || { echo "dist: $file is missing: build first (make build)" >&2; exit 1; }
    done
    read -r arch_version file_version <"$build/version.txt"
    if [ -n "$version" ] && [ "$arch_version" != "$version" ]; then
        echo "dist: build/$arch is version $arch_version, not $version: build again" >&2
        exit 1
    fi
    version="$arch_version"
    case "$arch" in x86) bits="32-bit" ;; x64) bits="64-bit" ;; esac

    # The files as shipped; texts with Windows line ends.
    files="$stage/$arch"
    mkdir -p "$files"
    cp "$build/bin/Tarvik.exe" "$build/bin/Tarvik.com" "$build/bin/suspend.exe" "$files/"
    sed 's/$/\r/' "$root/LICENSE" >"$files/LICENSE.txt"
    sed -e "s/@VERSION@/$version/" -e "s/@BITS@/$bits/" -e 's/$/\r/' \
        "$root/packaging/README.txt" >"$files/README.txt"
    if [ ${#sign[@]} -gt 0 ]; then
        "$root/scripts/sign.sh" "$files/Tarvik.exe" "$files/Tarvik.com" "$files/suspend.exe"
    fi

    # Fixed order, fixed attributes, every entry dated at the commit (zip
    # keeps no time zone: the commit's UTC time).
    python3 - "$out/Tarvik-$version-$arch.zip" "$files" Tarvik.exe Tarvik.com suspend.exe \
        LICENSE.txt README.txt <<'PY'
import os, sys, time, zipfile
archive, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
# The zip format's dates begin in 1980.
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
with zipfile.ZipFile(archive, "w") as zip:
    for name in names:
        entry = zipfile.ZipInfo(name, date_time=stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 0
        entry.external_attr = 0
        with open(os.path.join(folder, name), "rb") as file:
            zip.writestr(entry, file.read(), compresslevel=9)
PY
    echo "dist: wrote Tarvik-$version-$arch.zip"
done

# The setup carries the programs of both architectures and picks one when it
# runs.
if [ -d "$stage/x86" ] && [ -d "$stage/x64" ]; then
    setup="$out/Tarvik-$version-setup.exe"
    makensis -V2 -WX -DVERSION="$version" -DFILE_VERSION="$file_version" \
        -DSTAGE="$stage" -DOUTFILE="$setup" "${sign[@]}" "$root/packaging/Tarvik.nsi"
    if [ ${#sign[@]} -gt 0 ]; then
        "$root/scripts/sign.sh" "$setup"
    fi
    echo "dist: wrote $(basename "$setup")"
else
    echo "dist: no setup: it carries both architectures (make dist without ARCH builds both)"
fi

(cd "$out" && shopt -s nullglob && sha256sum Tarvik-*-setup.exe Tarvik-*.zip >SHA256SUMS)
echo "dist: wrote SHA256SUMS in $out"
