#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
# Configure quietly, but keep its notices of what will not be built or run.
configure_log=$(mktemp)
trap 'rm -f "$configure_log"' EXIT
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >"$configure_log" || { cat "$configure_log"; exit 1; }
grep -E 'is not built|will be skipped' "$configure_log" || true
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE long
