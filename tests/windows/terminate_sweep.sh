#!/usr/bin/env bash
# The Windows console program ended by TerminateProcess at random moments of
# runs under Wine (terminate_sweep.exe does the sweep and the checks), for
# each size of a comma-separated list; the correct digits come from MPFR
# through expected_pi_data. The seed is CALVORN_SWEEP_SEED when set, and is
# printed.
#
#   terminate_sweep.sh --prefix WINEPREFIX --sweep terminate_sweep.exe --windows calvorn.exe
#                      --expected-pi-data TOOL --work DIR --size SIZE[,SIZE...] --moments N
set -euo pipefail

here=$(dirname "$(realpath "$0")")
prefix="" sweep="" windows="" expected_tool="" work="" size="" moments=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --sweep) sweep=$(realpath "$2"); shift 2 ;;
    --windows) windows=$(realpath "$2"); shift 2 ;;
    --expected-pi-data) expected_tool=$(realpath "$2"); shift 2 ;;
    --work) work=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --moments) moments=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ -n "$prefix" ] && [ -n "$sweep" ] && [ -n "$windows" ] && [ -n "$expected_tool" ] && [ -n "$work" ] \
  && [ -n "$size" ] && [ -n "$moments" ] || { echo "usage: see the head of $0" >&2; exit 2; }
command -v wine >/dev/null || { echo "skipped: wine not found (scripts/install-deps.sh test installs it)"; exit 77; }

declare -A exponents=([16K]=14 [32K]=15 [64K]=16 [128K]=17 [256K]=18 [512K]=19 [1M]=20)
IFS=, read -r -a sizes <<<"$size"
for one in "${sizes[@]}"; do
  [ -n "${exponents[$one]:-}" ] || { echo "no such size for the sweep: $one" >&2; exit 2; }
done
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
seed=${CALVORN_SWEEP_SEED:-$(( (RANDOM << 15) | RANDOM ))}

# Wine's drive Z: is the Unix root.
windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
status=0
for one in "${sizes[@]}"; do
  mkdir -p "$work/$one"
  "$expected_tool" "${exponents[$one]}" "$work/$one/expected.txt"
  bash "$here/under_wine.sh" "$prefix" "$sweep" "$(windows_path "$windows")" "$(windows_path "$work/$one")" \
       "$(windows_path "$work/$one/expected.txt")" "$one" "$moments" "$seed" | tr -d '\r' || status=1
done
exit "$status"
