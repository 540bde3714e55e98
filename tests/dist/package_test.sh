#!/usr/bin/env bash
# Checks the packages of architecture $1 that `make dist` wrote to dist/: the
# checksums verify; the zip holds this build's programs, the licence and the
# read-me, and nothing else, all dated at the commit; the setup, which
# `make dist` makes when it packages both architectures, is a 32-bit program.
# Then `make dist` with a certificate (a self-signed one made here) must sign
# every program and the setup so that osslsigncode verifies them.
#
# Exits with 77 (skipped) after checking the zip when dist/ holds this
# architecture only (`make dist ARCH=...`): there is no setup to check.
#
#   package_test.sh ARCH
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
arch="${1:?usage: package_test.sh ARCH}"
build="$root/build/$arch"
dist="$root/dist"
read -r version _ <"$build/version.txt"
setup="Tarvik-$version-setup.exe"
zip="Tarvik-$version-$arch.zip"

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Names of a zip's entries in order, then each entry's date as "Y-M-D h:m:s".
zip_listing() {
    python3 - "$1" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    entries = archive.infolist()
    for entry in entries:
        print(entry.filename)
    for entry in entries:
        print("%04d-%02d-%02d %02d:%02d:%02d" % entry.date_time)
PY
}

# The PE machine of a program: 8664 (x64) or 14c (x86).
pe_machine() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read(4096)
offset = struct.unpack_from("<I", data, 0x3C)[0]
print("%x" % struct.unpack_from("<H", data, offset + 4)[0])
PY
}

# Checksums. The architectures dist/ was made of: the zips it lists.
archs=()
if [ -f "$dist/SHA256SUMS" ]; then
    (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not verify"
    for other in x86 x64; do
        grep -q "  Tarvik-$version-$other.zip\$" "$dist/SHA256SUMS" && archs+=("$other")
    done
    [[ " ${archs[*]} " == *" $arch "* ]] || fail "SHA256SUMS does not list $zip"
    if [ ${#archs[@]} -eq 2 ]; then
        grep -q "  $setup\$" "$dist/SHA256SUMS" || fail "SHA256SUMS does not list $setup"
    else
        grep -q "setup" "$dist/SHA256SUMS" && fail "SHA256SUMS lists a setup, but only the ${archs[*]} zip"
    fi
else
    fail "dist/SHA256SUMS is missing: make dist first"
fi

# The portable zip.
if [ -f "$dist/$zip" ]; then
    zip_listing "$dist/$zip" >"$work/listing"
    expected=$'Tarvik.exe\nTarvik.com\nsuspend.exe\nLICENSE.txt\nREADME.txt'
    [ "$(head -n 5 "$work/listing")" = "$expected" ] && [ "$(wc -l <"$work/listing")" -eq 10 ] ||
        fail "$zip holds $(head -n -5 "$work/listing" | tr '\n' ' ')"
    if commit_time="$(git -C "$root" log -1 --format=%ct 2>/dev/null)"; then
        stamp="$(date -u -d "@$commit_time" '+%Y-%m-%d %H:%M:%S')"
        # The zip format keeps even seconds.
        stamp="${stamp%?}$(( ${stamp: -1} / 2 * 2 ))"
        [ "$(tail -n 5 "$work/listing" | sort -u)" = "$stamp" ] ||
            fail "$zip entries are not dated at the commit ($stamp): $(tail -n 5 "$work/listing" | sort -u | tr '\n' ' ')"
    fi
    python3 -m zipfile -e "$dist/$zip" "$work/zip"
    for program in Tarvik.exe Tarvik.com suspend.exe; do
        cmp -s "$build/bin/$program" "$work/zip/$program" || fail "$zip: $program is not the build's"
    done
    cmp -s <(sed 's/$/\r/' "$root/LICENSE") "$work/zip/LICENSE.txt" || fail "$zip: LICENSE.txt is not LICENSE"
    grep -q "^Tarvik $version " "$work/zip/README.txt" || fail "$zip: README.txt does not name version $version"
    grep -qF '%LOCALAPPDATA%\Tarvik Developers\Tarvik' "$work/zip/README.txt" ||
        fail "$zip: README.txt does not say where the data is kept"
else
    fail "dist/$zip is missing: make dist first"
fi

# The setup is a 32-bit program: 32-bit Windows would refuse a 64-bit one
# before any of it runs. (What it installs where, the installer test shows.)
if [ ${#archs[@]} -eq 2 ]; then
    if [ -f "$dist/$setup" ]; then
        [ "$(pe_machine "$dist/$setup")" = 14c ] || fail "$setup is not a 32-bit program"
    else
        fail "dist/$setup is missing"
    fi
fi

# Signing, with a certificate made for the test.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarvik Test Signing" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
        -passout pass:test-password ||
    fail "openssl could not make a test certificate"
signed=(zip/Tarvik.exe zip/Tarvik.com zip/suspend.exe)
[ ${#archs[@]} -eq 2 ] && signed+=("$setup")
if TARVIK_DIST_DIR="$work/signed" SIGN_PFX="$work/test.pfx" SIGN_PASSWORD=test-password \
    "$root/scripts/dist.sh" "${archs[@]:-$arch}" >"$work/dist.log" 2>&1; then
    python3 -m zipfile -e "$work/signed/$zip" "$work/signed/zip"
    for file in "${signed[@]}"; do
        osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$file" >"$work/verify.log" 2>&1 ||
            fail "osslsigncode does not verify the signed $file: $(tail -n 3 "$work/verify.log")"
    done
    (cd "$work/signed" && sha256sum --quiet -c SHA256SUMS) || fail "the signed SHA256SUMS does not verify"
else
    fail "make dist with a certificate failed: $(tail -n 5 "$work/dist.log")"
fi

[ "$failures" -eq 0 ] || exit 1
if [ ${#archs[@]} -ne 2 ]; then
    echo "package_test: the $arch zip of version $version holds what it says; signing verifies;" \
        "no setup to check: dist/ holds the ${archs[*]} packages only (make dist without ARCH)"
    exit 77
fi
echo "package_test: the $arch zip and the setup of version $version hold what they say; signing verifies"
