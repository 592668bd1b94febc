#!/usr/bin/env bash
# Installs the Debian packages that building and testing Calvorn need, when
# they are missing. Usage: scripts/install-deps.sh [build|test]
set -euo pipefail
packages=(g++ cmake make pkg-config nlohmann-json3-dev)
if [ "${1:-build}" = test ]; then
  packages+=(googletest libgtest-dev libgmp-dev libmpfr-dev libbenchmark-dev python3 libfftw3-dev)
  # The history chart is rendered to PNG in the tests.
  packages+=(librsvg2-bin)
  # The window program: cross-built with MinGW-w64 and run under Wine in Xvfb.
  if [ -f "$(dirname "$0")/gui-packages.txt" ]; then
    mapfile -t gui < <(grep -v '^#' "$(dirname "$0")/gui-packages.txt")
    packages+=("${gui[@]}")
  fi
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
