#!/usr/bin/env bash
# Signs Windows programs in place with the certificate of SIGN_PFX (a PKCS#12
# file; its password in SIGN_PASSWORD, none when unset): used by scripts/dist.sh
# for the programs and the setup, and by the setup build for the
# uninstaller it writes.
#
#   sign.sh FILE...
set -euo pipefail
[ -n "${SIGN_PFX:-}" ] || { echo "sign: SIGN_PFX names no certificate" >&2; exit 1; }
[ -r "$SIGN_PFX" ] || { echo "sign: cannot read the certificate $SIGN_PFX" >&2; exit 1; }
for file in "$@"; do
    # The password goes through a pipe, never on a command line.
    osslsigncode sign -pkcs12 "$SIGN_PFX" -readpass <(printf '%s' "${SIGN_PASSWORD:-}") \
        -h sha256 -n "Tarvik" -i "https://tarvik.example.org/" \
        -in "$file" -out "$file.signed" >/dev/null
    mv -f "$file.signed" "$file"
done
