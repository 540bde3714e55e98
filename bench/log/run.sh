#!/usr/bin/env bash
# Writing 10,000 log lines; $1 is the build directory.
set -euo pipefail
"$TARVIK_WINE" "$1/bin/log_bench.exe"
