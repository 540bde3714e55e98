#!/usr/bin/env bash
# The port scan over 100,000 synthetic rows and over the real tables with
# 1,000 loopback connections; $1 is the build directory.
set -euo pipefail
"$TARVIK_WINE" "$1/bin/port_scan_bench.exe"
