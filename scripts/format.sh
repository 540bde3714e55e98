#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format.
#   format.sh          rewrites every file that is not formatted
#   format.sh --check  changes nothing; lists what is not formatted, fails if any
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
format="${CLANG_FORMAT:-clang-format}"
command -v "$format" >/dev/null || { echo "format: $format is not installed (make deps)" >&2; exit 2; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
if [ "${1:-}" = --check ]; then
    # One run over every file; clang-format names each place it would change.
    if ! report=$("$format" --dry-run --Werror "${files[@]}" 2>&1); then
        printf 'not formatted (make format):\n' >&2
        printf '%s\n' "$report" | grep -o '^[^:]*:[0-9]*:' | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
        exit 1
    fi
    echo "format: ${#files[@]} files formatted"
else
    "$format" -i "${files[@]}"
fi
