#!/usr/bin/env bash
# The history of runs as a user meets it: the built console program in a
# scratch folder, its data folder a scratch one too. Runs at three sizes and a
# stability test add one line each and --no-history none; the closing report's
# time is the one kept; --history shows the runs per size; a damaged line is
# skipped, counted and left as it is; a history folder that cannot be written
# gives one warning and changes nothing else; the chart is rendered to PNG
# with rsvg-convert and checked, and kept with the table in the artifacts.
#
#   history_program.sh CALVORN ARTIFACTS
set -euo pipefail
calvorn=$(realpath "$1")
mkdir -p "$2"
artifacts=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v rsvg-convert >/dev/null || fail "rsvg-convert not found (librsvg2-bin; scripts/install-deps.sh test installs it)"

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export LC_ALL=C
unset LANGUAGE
history="$XDG_DATA_HOME/calvorn/history.jsonl"
count() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
mkdir -p "$work/run"
cd "$work/run"

# ---- Runs at three sizes, a stability test, and a run kept out -------------
"$calvorn" 16K >16K.txt
grep -qE '^computation time: [0-9]+\.[0-9]{3} s$' 16K.txt || fail "no time line in: $(cat 16K.txt)"
"$calvorn" --lang ko 32K >32K.txt
grep -qE '^연산 시간: [0-9]+\.[0-9]{3}초$' 32K.txt || fail "no Korean time line in: $(cat 32K.txt)"
"$calvorn" 64K >/dev/null
"$calvorn" --repeat 2 16K >/dev/null
[ "$(count "$history")" -eq 5 ] || fail "5 runs made $(count "$history") lines: $(cat "$history")"
"$calvorn" --no-history 16K >/dev/null
[ "$(count "$history")" -eq 5 ] || fail "--no-history added a line"

# Every line one JSON object with the fields of a run; the first run's time
# is the one its report showed; the table's figures from the lines themselves.
"$calvorn" --history >table.txt
python3 - "$history" 16K.txt table.txt <<'PY' || fail "the history does not match the runs"
import json, re, sys
runs = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
for r in runs:
    assert set(r) >= {"dateUtc", "size", "timeMs", "verdict", "fingerprint", "fingerprintChecked",
                      "workArea", "lanePath", "processor", "version"}, r
    assert r["verdict"] == "passed" and r["fingerprintChecked"] is True and len(r["fingerprint"]) == 16, r
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", r["dateUtc"]), r
assert [r["size"] for r in runs] == ["16K", "32K", "64K", "16K", "16K"], runs
shown = re.search(r"^computation time: (\d+)\.(\d{3}) s$", open(sys.argv[2]).read(), re.M)
assert int(shown[1]) * 1000 + int(shown[2]) == runs[0]["timeMs"], (shown[0], runs[0])
table = open(sys.argv[3]).read().splitlines()
assert table[0].startswith("history: ") and table[0].endswith("(5 runs)"), table
for size in ("16K", "32K", "64K"):
    times = [r["timeMs"] for r in runs if r["size"] == size]
    row = next(l for l in table if l.split()[:1] == [size]).split()
    s, n = sorted(times), len(times)
    median = s[n // 2] if n % 2 else (s[n // 2 - 1] + s[n // 2]) // 2   # the mean of the middle two, rounded down
    assert row[1:5] == [str(len(times)), "0", "%.3f" % (min(times) / 1000), "%.3f" % (median / 1000)], (row, times)
PY
cat table.txt
"$calvorn" --history 32K | grep -c '^ *[0-9]*[KM] ' | grep -qx 1 || fail "--history 32K shows other sizes"

# ---- A damaged line --------------------------------------------------------
printf 'garbage\n{"dateUtc": "cut short' >>"$history"
cp "$history" "$work/before-damage"
"$calvorn" 16K >/dev/null || fail "a run after a damaged line failed"
[ "$(count "$history")" -eq 8 ] || fail "the run after the cut-short line did not start a line of its own"
cmp -n "$(stat -c %s "$work/before-damage")" "$work/before-damage" "$history" || fail "the damaged lines were rewritten"
"$calvorn" --history >damaged.txt
grep -q '(6 runs)$' damaged.txt || fail "the runs around the damaged lines were not all read: $(cat damaged.txt)"
grep -q '^2 damaged line(s) skipped (the file is left as it is)$' damaged.txt || fail "the damaged lines were not counted: $(cat damaged.txt)"

# ---- A history that cannot be written --------------------------------------
# checks_unwritable LABEL HISTORY-FILE [COMMAND PREFIX...]: a run whose
# history cannot be added to succeeds as any other, with one warning.
checks_unwritable() {
  local label=$1 file=$2
  shift 2
  local folder="$work/unwritable-$label"
  mkdir -p "$folder"
  chmod 0777 "$folder"
  local status=0
  (cd "$folder" && "$@" "$calvorn" 16K >out.txt 2>err.txt) || status=$?
  [ "$status" -eq 0 ] || fail "$label: the run failed (exit $status): $(cat "$folder/err.txt")"
  [ "$(wc -l <"$folder/err.txt")" -eq 1 ] || fail "$label: not one warning: $(cat "$folder/err.txt")"
  grep -qF "$file" "$folder/err.txt" && grep -qE '^calvorn: warning: .*; this run is not kept in the history$' "$folder/err.txt" ||
    fail "$label: the warning is: $(cat "$folder/err.txt")"
  grep -q '^digits verified' "$folder/out.txt" || fail "$label: the digits were not verified"
  head -n 1 "$folder/pi_rec.txt" | grep -q '^+ ' || fail "$label: the record was not written"
  [ "$(cd "$folder" && ls)" = "$(printf 'err.txt\nout.txt\npi_data.txt\npi_rec.txt')" ] ||
    fail "$label: the run folder holds: $(cd "$folder" && ls | tr '\n' ' ')"
  cat "$folder/err.txt"
}
# A file where the history's folder should be.
mkdir -p "$work/blocked"
echo "in the way" >"$work/blocked/calvorn"
XDG_DATA_HOME="$work/blocked" checks_unwritable file-in-the-way "$work/blocked/calvorn"
[ "$(cat "$work/blocked/calvorn")" = "in the way" ] || fail "the file in the way was changed"
# A history folder without write permission (as another user when run as root).
mkdir -p "$work/read-only/calvorn"
cp "$history" "$work/read-only/calvorn/history.jsonl"
chmod 0444 "$work/read-only/calvorn/history.jsonl"
chmod 0555 "$work/read-only/calvorn"
chmod 0755 "$work"
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
XDG_DATA_HOME="$work/read-only" checks_unwritable read-only "$work/read-only/calvorn/history.jsonl" "${as_user[@]}"
cmp "$history" "$work/read-only/calvorn/history.jsonl" || fail "the read-only history was changed"
chmod 0755 "$work/read-only/calvorn"

# ---- The chart -------------------------------------------------------------
"$calvorn" --history --chart chart.svg >/dev/null
"$calvorn" --lang ko --history --chart chart-ko.svg >/dev/null
[ ! -e chart.svg.new ] || fail "the chart's side file was left"
for chart in chart chart-ko; do
  rsvg-convert -o "$chart.png" "$chart.svg" || fail "rsvg-convert cannot render $chart.svg"
  python3 - "$chart.png" <<'PY' || fail "$chart.png is empty or blank"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", data[16:24])
assert width >= 900 and height >= 500, (width, height)
pixels, at = b"", 8
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"IDAT": pixels += data[at + 8:at + 8 + length]
    at += 12 + length
raw = zlib.decompress(pixels)
# A white page with lines, marks and text in several colours, not one colour.
assert len(set(raw)) > 40, len(set(raw))
assert raw.count(255) < 0.97 * len(raw), "almost all white"
print(f"{sys.argv[1]}: {width}x{height}, {len(data)} bytes")
PY
done
cp chart.svg chart.png chart-ko.png table.txt "$artifacts/"
echo "history checks passed; chart in $artifacts"
