#!/usr/bin/env bash
# The built console program as a user runs it, in a scratch folder: the
# language from the locale variables and from --lang, --version, the JSON
# report read by Python's JSON parser, a stability test, and the fault hook
# stopping a stability test with right digits but another work fingerprint.
#
#   console_program.sh CALVORN VERSION
set -euo pipefail
calvorn=$(realpath "$1")
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run"
cd "$work/run"
# The user's own folders stay out of it: the history goes to a scratch one.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$("$calvorn" --version)" = "calvorn $version" ] || fail "--version says: $("$calvorn" --version)"

LANG=ko_KR.UTF-8 LC_ALL= LC_MESSAGES= "$calvorn" 16K >ko.txt
grep -q '  16K 연산을 시작합니다. (13회 반복)    $' ko.txt || fail "no Korean start line under ko_KR"
grep -q '^PI 연산이 끝났습니다   $' ko.txt || fail "no Korean end line under ko_KR"
grep -qE '^연산 시간: [0-9]+\.[0-9]{3}초$' ko.txt || fail "no Korean time line under ko_KR"
cp pi_rec.txt rec-after-korean.txt

LANG=ko_KR.UTF-8 LC_ALL=C "$calvorn" 16K >en.txt
grep -q '  16K computation starts (13 iterations)$' en.txt || fail "LC_ALL=C does not give English"
grep -qE '^computation time: [0-9]+\.[0-9]{3} s$' en.txt || fail "no English time line"
if grep -qP '[\x{AC00}-\x{D7A3}]' en.txt; then fail "Hangul in the English output"; fi
LANG=C "$calvorn" --lang ko --records | grep -qE '^(- 연산되지 않음|\+ +[0-9]+시간).*\[  16K\]$' ||
  fail "--lang ko --records is not the Korean table"
# The records file keeps its cp949 layout whatever the language.
iconv -f CP949 -t UTF-8 pi_rec.txt | head -n 1 | grep -qE '^\+ [0-9]{3}시[0-9]{2}분[0-9]{2}초   \[  16K\]$' ||
  fail "pi_rec.txt after an English run is not the cp949 records file"
cmp <(tail -n +2 rec-after-korean.txt) <(tail -n +2 pi_rec.txt) || fail "an English run changed the other records"

LANG=C "$calvorn" --json --repeat 2 16K >report.json 2>human.txt
python3 -m json.tool report.json >/dev/null || fail "--json output is not JSON: $(cat report.json)"
python3 - report.json <<'PY' || fail "the JSON report does not match the run"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["size"] == "16K" and r["digits"] == 16384, r
assert r["verified"] is True and r["verdict"] == "passed", r
assert len(r["runs"]) == 2 and all(x["verdict"] == "passed" for x in r["runs"]), r
assert r["timeMs"] == min(x["timeMs"] for x in r["runs"]) == r["bestMs"], r
assert len(r["fingerprint"]) == 16 and r["fingerprintChecked"] is True and r["fingerprintMatched"] is True, r
assert r["iterations"] == 13 and r["workArea"]["length"] == 16384, r
PY
grep -q '^run 2: ' human.txt || fail "the runs' lines did not go to standard error"

status=0
LANG=C CALVORN_TEST_FAULT_RUN=2 "$calvorn" --repeat 4 16K >fault.txt 2>&1 || status=$?
cat fault.txt
[ "$status" -eq 1 ] || fail "a run with another work fingerprint did not fail the test (exit $status)"
grep -q '^run 1: .* passed$' fault.txt || fail "run 1 did not pass"
grep -q '^run 2: .*work fingerprint differs' fault.txt || fail "run 2 was not failed by its fingerprint"
if grep -q '^run 3: ' fault.txt; then fail "the test went on after a failure"; fi
# Ctrl+C during a test until stopped: the current run ends cleanly, the
# summary so far is printed, and stopping is how such a test ends (exit 0).
rm -f pi_data.txt
set -m   # a background job of a script would otherwise ignore SIGINT
(LANG=C exec "$calvorn" --repeat 0 128K >interrupted.txt 2>&1) &
pid=$!
for _ in $(seq 1 300); do grep -q '^run 2: ' interrupted.txt 2>/dev/null && break; sleep 0.1; done
kill -INT "$pid"
status=0
wait "$pid" || status=$?
set +m
cat interrupted.txt
[ "$status" -eq 0 ] || fail "Ctrl+C ended a test until stopped with exit $status"
grep -q '^run [0-9]*: .* stopped$' interrupted.txt || fail "no stopped run after Ctrl+C"
grep -q '^verdict: stopped$' interrupted.txt || fail "no summary after Ctrl+C"
[ -z "$(ls ./*.dat 2>/dev/null)" ] || fail "work files left after Ctrl+C: $(ls ./*.dat)"
echo "console program checks passed"
