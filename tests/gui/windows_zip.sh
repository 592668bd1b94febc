#!/usr/bin/env bash
# The download for Windows as a user gets it: makes calvorn-<version>-win64.zip
# from the Windows build with CPack, checks what it holds, unpacks it into a
# fresh Wine prefix, computes 16K digits with the console program (exit 0,
# "verified", the digits equal to MPFR's, the run in the history under the
# prefix's %LOCALAPPDATA%) and starts the window program until its window
# appears, then closes it.
#
# The window program must carry its application manifest (Common Controls 6,
# asInvoker, the supported versions of Windows).
#
#   windows_zip.sh --win64-build DIR --version V --expected-pi-data TOOL --windres TOOL --work DIR
set -euo pipefail

build="" version="" expected_tool="" windres="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --win64-build) build=$(realpath "$2"); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --expected-pi-data) expected_tool=$(realpath "$2"); shift 2 ;;
    --windres) windres=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ -f "$build/CPackConfig.cmake" ] || { echo "no Windows build at $build" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
work=$(realpath "$work")

export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset WINESERVER

xvfb_pid="" program_pid="" step_name="setting up"
step() { step_name=$*; echo "--- $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
cleanup() {
  local status=$?
  [ $status -ne 0 ] && echo "FAILED while: $step_name" >&2
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  exit $status
}
trap cleanup EXIT

step "making the ZIP"
zip_name="calvorn-$version-win64"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
zip="$work/package/$zip_name.zip"
[ -f "$zip" ] || fail "no $zip_name.zip: $(ls "$work/package")"
cmake -E tar tf "$zip" | sort >"$work/contents.txt"
printf '%s\n' "$zip_name/" "$zip_name/README.txt" "$zip_name/calvorn-console.exe" "$zip_name/calvorn.exe" |
  sort >"$work/expected-contents.txt"
# Some zip writers list the folder entry, some do not.
grep -v '/$' "$work/contents.txt" | cmp -s - <(grep -v '/$' "$work/expected-contents.txt") ||
  fail "the ZIP holds: $(tr '\n' ' ' <"$work/contents.txt")"
echo "$zip_name.zip: $(stat -c %s "$zip") bytes"; (cd "$work" && cmake -E tar tvf "$zip")

step "starting Xvfb"
exec 3>"$work/display.txt"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do [ -s "$work/display.txt" ] && break; sleep 0.1; done
[ -s "$work/display.txt" ] || fail "Xvfb gave no display"
export DISPLAY=":$(head -n 1 "$work/display.txt")"

step "creating a fresh Wine prefix"
wineboot -i >"$work/wineboot.log" 2>&1 || true
wineserver -w

step "unpacking into the prefix"
folder="$WINEPREFIX/drive_c/users/Public/$zip_name"
mkdir -p "$(dirname "$folder")"
(cd "$(dirname "$folder")" && cmake -E tar xf "$zip")
[ -f "$folder/calvorn-console.exe" ] || fail "nothing unpacked to $folder"

step "the window program's manifest"
"$windres" -i "$folder/calvorn.exe" -O rc >"$work/resources.rc" 2>&1 || fail "windres cannot read calvorn.exe"
for part in 'RT_MANIFEST' 'Microsoft.Windows.Common-Controls"" version=""6.0.0.0' \
            'requestedExecutionLevel level=""asInvoker""' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
            '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'; do
  grep -qF "$part" "$work/resources.rc" || fail "the manifest of calvorn.exe lacks $part"
done
if grep -qE "<dpiAware|<dpiAwareness" "$work/resources.rc"; then fail "the window declares itself DPI-aware"; fi

step "the console program computes 16K digits"
"$expected_tool" 14 "$work/expected-16K.txt"
status=0
(cd "$folder" && wine calvorn-console.exe --lang en 16K) >"$work/console.out" 2>"$work/console.err" || status=$?
cat "$work/console.out"
[ "$status" -eq 0 ] || { cat "$work/console.err" >&2; fail "calvorn-console.exe 16K exited with $status"; }
grep -q "verified" "$work/console.out" || fail "the console program did not say its digits were verified"
cmp "$folder/pi_data.txt" "$work/expected-16K.txt" || fail "pi_data.txt differs from MPFR's digits"
[ -s "$folder/pi_rec.txt" ] || fail "no pi_rec.txt beside the programs"
# The history goes to the user's %LOCALAPPDATA%, here the fresh prefix's own.
history=$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/calvorn/history.jsonl 2>/dev/null | head -n 1)
[ -n "$history" ] || fail "the console program kept no history in %LOCALAPPDATA%\\calvorn"
[ "$(wc -l <"$history")" -eq 1 ] && grep -q '"size":"16K",.*"verdict":"passed"' "$history" ||
  fail "the history of the 16K run is: $(cat "$history")"

step "the window program opens its window"
(cd "$folder" && exec wine calvorn.exe >"$work/window.log" 2>&1) &
program_pid=$!
id=""
for _ in $(seq 1 450); do
  id=$(xdotool search --onlyvisible --name '^Calvorn$' 2>/dev/null | head -n 1 || true)
  [ -n "$id" ] && break
  sleep 0.2
done
[ -n "$id" ] || fail "the window of calvorn.exe did not appear"
sleep 1
import -window root "$work/window.png" 2>/dev/null || true
xdotool windowfocus --sync "$id" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
for _ in $(seq 1 150); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program_pid" 2>/dev/null && fail "calvorn.exe did not end when its window was closed"
wait "$program_pid" || true
echo "the ZIP works: console digits verified, window shown and closed"
