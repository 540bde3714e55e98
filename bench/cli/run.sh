#!/usr/bin/env bash
# Start-up cost of Tarvik.com against a one-line console program (built by
# bench/suspend), all run the same number of times in the same Wine session,
# interleaved: the usage line (parsing and a string), and "status" with no
# copy running (the search for the running copy as well). Prints the
# figures; asserts nothing.
set -uo pipefail
build="${1:?build directory}"
twin="$build/bin/Tarvik.com"
hello="$build/bin/console_hello.exe"
runs="${CLI_BENCH_RUNS:-20}"
for exe in "$twin" "$hello"; do
    [ -f "$exe" ] || { echo "cli bench: $exe is not built"; exit 0; }
done

now() { date +%s%N; }
run() { "$TARVIK_WINE" "$@" </dev/null >/dev/null 2>&1; }
total_usage=0
total_status=0
total_hello=0
# One warm-up run each, so none pays for a cold cache.
run "$twin" x
run "$twin" status
run "$hello"
for _ in $(seq 1 "$runs"); do
    t0=$(now); run "$twin" x; t1=$(now)
    total_usage=$((total_usage + t1 - t0))
    t0=$(now); run "$twin" status; t1=$(now)
    total_status=$((total_status + t1 - t0))
    t0=$(now); run "$hello"; t1=$(now)
    total_hello=$((total_hello + t1 - t0))
done
awk -v u="$total_usage" -v s="$total_status" -v h="$total_hello" -v n="$runs" 'BEGIN {
    printf "Tarvik.com x        %8.1f ms per run (%d runs)\n", u / n / 1e6, n
    printf "Tarvik.com status   %8.1f ms per run (no copy running)\n", s / n / 1e6
    printf "console_hello.exe   %8.1f ms per run\n", h / n / 1e6
    printf "ratio usage/hello   %8.2f\n", u / h
    printf "ratio status/hello  %8.2f\n", s / h
}'
