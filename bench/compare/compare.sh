#!/usr/bin/env bash
# Times calvorn against MPFR, CLN's pi and Arb; see README.md in this folder.
# Usage: bench/compare/compare.sh [--sizes 1M,4M,8M] [--runs 3] [--calvorn PATH] [--help]
set -euo pipefail
if ! command -v python3 >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends python3 >/dev/null
fi
exec python3 "$(dirname "$0")/compare.py" "$@"
