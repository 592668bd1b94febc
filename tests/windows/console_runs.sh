#!/usr/bin/env bash
# Whole runs of the Windows console program under Wine, each in a fresh
# folder: every run must exit 0 and say that its digits are verified (the
# program checks "pi_data.txt" against its own table of digests).
#
# With --compare-with, the Linux console program does the same runs, and the
# two must print the same "work fingerprint:" line for each size: the same
# arithmetic on both systems, bit for bit. Each Windows run must add one line
# to its history (in a scratch %LOCALAPPDATA% of the test).
#
#   console_runs.sh --prefix WINEPREFIX --windows calvorn.exe [--compare-with calvorn]
#                   --work DIR SIZE...
set -euo pipefail

here=$(dirname "$(realpath "$0")")
prefix="" windows="" linux="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --windows) windows=$(realpath "$2"); shift 2 ;;
    --compare-with) linux=$(realpath "$2"); shift 2 ;;
    --work) work=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "unknown argument: $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ -n "$prefix" ] && [ -n "$windows" ] && [ -n "$work" ] && [ $# -gt 0 ] \
  || { echo "usage: console_runs.sh --prefix P --windows EXE [--compare-with EXE] --work DIR SIZE..." >&2; exit 2; }
command -v wine >/dev/null || { echo "skipped: wine not found (scripts/install-deps.sh test installs it)"; exit 77; }
mkdir -p "$work"
work=$(realpath "$work")
# Both programs keep their history in scratch folders of the test, never the
# user's own; the Windows one counts the runs that it added.
rm -rf "$work/data" "$work/local-app-data"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export CALVORN_LOCAL_APP_DATA="$work/local-app-data"
windows_history="$CALVORN_LOCAL_APP_DATA/calvorn/history.jsonl"
windows_runs=0

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run NAME SIZE COMMAND...: runs in $work/NAME-SIZE; the output (carriage
# returns removed) goes to its output.txt.
run() {
  local name=$1 size=$2
  shift 2
  local folder="$work/$name-$size"
  rm -rf "$folder"
  mkdir -p "$folder"
  local status=0
  (cd "$folder" && "$@" "$size" </dev/null 2>&1 | tr -d '\r' >output.txt; exit "${PIPESTATUS[0]}") || status=$?
  if [ "$status" -ne 0 ]; then
    fail "$name $size: exit status $status"
    tail -n 20 "$folder/output.txt" >&2
    return 1
  fi
  grep -q '^digits verified' "$folder/output.txt" || { fail "$name $size: digits not verified"; tail -n 20 "$folder/output.txt" >&2; return 1; }
}

# The "work fingerprint: 16 hex digits" line of a run's output, or nothing.
fingerprint() { grep -E '^work fingerprint: [0-9a-f]{16}$' "$work/$1-$2/output.txt" || true; }

for size in "$@"; do
  started=$(date +%s%N)
  run windows "$size" bash "$here/under_wine.sh" "$prefix" "$windows" || continue
  windows_runs=$((windows_runs + 1))
  kept=$(grep -c "\"size\":\"$size\",.*\"verdict\":\"passed\"" "$windows_history" 2>/dev/null || true)
  [ "$kept" = 1 ] || fail "$size windows: the history holds $kept passed runs of $size, not 1"
  echo "$size  windows: verified in $((($(date +%s%N) - started) / 1000000)) ms"
  [ -n "$linux" ] || continue
  run linux "$size" "$linux" || continue
  theirs=$(fingerprint windows "$size")
  ours=$(fingerprint linux "$size")
  if [ -z "$ours" ] || [ -z "$theirs" ]; then
    [ -z "$ours" ] && fail "$size: the Linux program printed no 'work fingerprint: <16 hex digits>' line"
    [ -z "$theirs" ] && fail "$size: the Windows program printed no 'work fingerprint: <16 hex digits>' line"
  elif [ "$ours" != "$theirs" ]; then
    fail "$size: the work differs: Linux '$ours', Windows '$theirs'"
  else
    echo "$size  linux and windows: $ours"
  fi
done
lines=$(cat "$windows_history" 2>/dev/null | wc -l)
[ "$lines" -eq "$windows_runs" ] || fail "the Windows program's history has $lines lines for $windows_runs runs"
[ "$failures" -eq 0 ] || { echo "$failures failure(s); outputs in $work" >&2; exit 1; }
