#!/usr/bin/env bash
# The Windows console program's stress test under Wine, with two copies in a
# fresh folder: both pass for a few seconds and leave nothing behind; with
# the fault hook set for the first copy's second run, that copy is named by
# its core and run, the test fails (exit 1) and again nothing is left.
#
#   stress_runs.sh --prefix WINEPREFIX --windows calvorn.exe --work DIR
set -euo pipefail

here=$(dirname "$(realpath "$0")")
prefix="" windows="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --windows) windows=$(realpath "$2"); shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ -n "$prefix" ] && [ -n "$windows" ] && [ -n "$work" ] \
  || { echo "usage: stress_runs.sh --prefix P --windows EXE --work DIR" >&2; exit 2; }
command -v wine >/dev/null || { echo "skipped: wine not found (scripts/install-deps.sh test installs it)"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# stress NAME ARGUMENTS...: the test in $work/NAME; its output, carriage
# returns removed, in $work/NAME.txt; its exit status in $status.
stress() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  status=0
  (cd "$work/$name" && bash "$here/under_wine.sh" "$prefix" "$windows" "$@" </dev/null 2>&1 | tr -d '\r' >"$work/$name.txt"
   exit "${PIPESTATUS[0]}") || status=$?
  cat "$work/$name.txt"
  [ -z "$(ls -A "$work/$name")" ] || fail "$name: left behind: $(ls -A "$work/$name")"
}

stress passing 16K --stress --cores 2 --for 3s
[ "$status" -eq 0 ] || fail "passing: exit status $status"
[ "$(grep -cE '^core [0-9#]+ +runs +[1-9][0-9]* +best .* passed$' "$work/passing.txt")" -eq 2 ] \
  || fail "passing: not two cores with passed runs in the summary"
grep -q '^verdict of the machine: passed$' "$work/passing.txt" || fail "passing: no verdict 'passed'"

CALVORN_TEST_FAULT_RUN=2 stress faulty 16K --stress --cores 2 --for 60s
[ "$status" -eq 1 ] || fail "faulty: exit status $status, not 1"
grep -qE '^core [0-9#]+, run 2: the digits are right but the work fingerprint [0-9a-f]{16} differs' "$work/faulty.txt" \
  || fail "faulty: the copy with the fault is not named with its run"
grep -q '^verdict of the machine: FAILED$' "$work/faulty.txt" || fail "faulty: no verdict 'FAILED'"

[ "$failures" -eq 0 ] || { echo "$failures failure(s); outputs in $work" >&2; exit 1; }
echo "stress test under Wine: passed"
