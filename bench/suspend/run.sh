#!/usr/bin/env bash
# Start-up cost of `suspend.exe /?` against a one-line console program, both
# run the same number of times in the same Wine session, interleaved.
# Prints the figures; asserts nothing.
set -uo pipefail
build="${1:?build directory}"
tool="$build/bin/suspend.exe"
hello="$build/bin/console_hello.exe"
runs="${SUSPEND_BENCH_RUNS:-20}"
for exe in "$tool" "$hello"; do
    [ -f "$exe" ] || { echo "suspend bench: $exe is not built"; exit 0; }
done

now() { date +%s%N; }
total_tool=0
total_hello=0
# One warm-up run each, so neither pays for a cold cache.
"$TARVIK_WINE" "$tool" /? </dev/null >/dev/null 2>&1
"$TARVIK_WINE" "$hello" </dev/null >/dev/null 2>&1
for _ in $(seq 1 "$runs"); do
    t0=$(now); "$TARVIK_WINE" "$tool" /? </dev/null >/dev/null 2>&1; t1=$(now)
    total_tool=$((total_tool + t1 - t0))
    t0=$(now); "$TARVIK_WINE" "$hello" </dev/null >/dev/null 2>&1; t1=$(now)
    total_hello=$((total_hello + t1 - t0))
done
awk -v t="$total_tool" -v h="$total_hello" -v n="$runs" 'BEGIN {
    printf "suspend.exe /?    %8.1f ms per run (%d runs)\n", t / n / 1e6, n
    printf "console_hello.exe %8.1f ms per run (%d runs)\n", h / n / 1e6, n
    printf "ratio             %8.2f (goal: within 1.20)\n", t / h
}'
