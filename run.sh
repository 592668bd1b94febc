#!/usr/bin/env bash
# Installs what is missing, builds the console program and computes pi.
# Usage: ./run.sh [SIZE]   (SIZE one of 16K 32K 64K 128K 256K 512K 1M 2M 4M 8M 16M 32M; default 16K)
set -euo pipefail
top="$(cd "$(dirname "$0")" && pwd)"
"$top/scripts/install-deps.sh" build
cmake -S "$top" -B "$top/build-run" -DCMAKE_BUILD_TYPE=Release -DCALVORN_TESTS=OFF -DCALVORN_BENCH=OFF >/dev/null
cmake --build "$top/build-run" -j"$(nproc)" --target calvorn >/dev/null
exec "$top/build-run/src/cli/calvorn" "${1:-16K}"
