#!/usr/bin/env bash
# Runs every test program of each architecture named ($@, from `make test`)
# that this host can run, inside the current Wine session. Says which
# architecture it skipped and why; fails when it could run none.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/arch.sh"
check_archs "$@" || exit 2

read -r -a archs <<<"$(runnable_archs testing "$@")"
if [ ${#archs[@]} -eq 0 ]; then
    echo "test: no architecture of '$*' can run on this host" >&2
    exit 1
fi
failed=()
for arch in "$@"; do
    case " ${archs[*]} " in
        *" $arch "*)
            echo "== $arch: testing build/$arch"
            ctest --test-dir "$root/build/$arch" --output-on-failure --timeout 300 ${CTEST_ARGS:-} ||
                failed+=("$arch") ;;
        *)
            # What reads the build's files needs no Wine.
            echo "== $arch: only the checks that need no Wine (label host)"
            ctest --test-dir "$root/build/$arch" --output-on-failure -L host ${CTEST_ARGS:-} ||
                failed+=("$arch") ;;
    esac
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "test: failures in the ${failed[*]} build" >&2
    exit 1
fi
echo "test: ${archs[*]} passed"
