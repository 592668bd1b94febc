#!/usr/bin/env bash
# The window program as a person uses it: the real calvorn.exe under Wine in
# a virtual X display, driven by keyboard events through its menu, size
# dialog and message boxes. Checks the digits, the records file and the work
# files after a finished run, a refused second start, a stop answered No and
# one answered Yes, and closing the window during a run; scrolling the log by
# the scroll bar, the wheel and the keys, and the log shown from its first
# line when a run starts and when the records table replaces it, with the
# run's time to the millisecond below the table; the finished runs in the
# history of runs, the stopped ones not. With
# --caption-check it first runs the check of the message boxes' captions.
# Screenshots go to the artifacts folder.
#
#   window_end_to_end.sh --exe calvorn.exe [--caption-check message_caption_check.exe]
#                        --expected-pi-data TOOL --work DIR --artifacts DIR
set -euo pipefail

exe="" caption_check="" expected_tool="" work="" artifacts=""
while [ $# -gt 0 ]; do
  case "$1" in
    --exe) exe=$(realpath "$2"); shift 2 ;;
    --caption-check) caption_check=$(realpath "$2"); shift 2 ;;
    --expected-pi-data) expected_tool=$(realpath "$2"); shift 2 ;;
    --work) work=$2; shift 2 ;;
    --artifacts) artifacts=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
[ -f "$exe" ] || { echo "no program at $exe" >&2; exit 1; }
mkdir -p "$work" "$artifacts"
work=$(realpath "$work")
artifacts=$(realpath "$artifacts")
rm -f "$artifacts"/*.png

export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no offer to install Mono or Gecko
export WINEARCH=win64
unset WINESERVER

started=$(date +%s)
xvfb_pid=""
program_pid=""
step_name="setting up"

elapsed() { echo $(($(date +%s) - started)); }
note() { printf '[%3ss] %s\n' "$(elapsed)" "$*"; }
step() { step_name=$*; note "$*"; }

shoot() { import -window root "$artifacts/$1.png" 2>/dev/null || true; }

cleanup() {
  local status=$?
  if [ $status -ne 0 ]; then
    echo "FAILED while: $step_name" >&2
    [ -n "$xvfb_pid" ] && shoot failure
    [ -f "$work/wine.log" ] && tail -n 20 "$work/wine.log" >&2
  fi
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  exit $status
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# ---- The display and the Wine prefix -------------------------------------

step "starting Xvfb"
exec 3> "$work/display.txt"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do [ -s "$work/display.txt" ] && break; sleep 0.1; done
[ -s "$work/display.txt" ] || fail "Xvfb gave no display"
export DISPLAY=":$(head -n 1 "$work/display.txt")"

prefix_ready="$WINEPREFIX/.calvorn-ready"
if [ ! -f "$prefix_ready" ]; then
  step "creating the Wine prefix"
  rm -rf "$WINEPREFIX"
  wineboot -i >"$work/wineboot.log" 2>&1 || true
  wineserver -w
  # Wine's own fonts (Tahoma, Marlett for the caption buttons) and a Korean
  # face linked behind Tahoma, so that message boxes and menus draw Hangul.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
       /v Tahoma /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix_ready"
fi

# One Wine server for every program of the test, rather than one started
# (and stopped) for each; the clean-up ends it.
wineserver -p

# The program's %LOCALAPPDATA%, where it keeps its history of runs: a folder
# of the test. Wine gives a program it starts the prefix's own, so the
# program is started from a batch file that sets it first.
local_app_data="$work/local-app-data"
rm -rf "$local_app_data" && mkdir -p "$local_app_data"
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
launcher="$work/start-calvorn.bat"
printf '@set "LOCALAPPDATA=%s"\r\n@"%s"\r\n' "$(windows_path "$local_app_data")" "$(windows_path "$exe")" >"$launcher"
history="$local_app_data/calvorn/history.jsonl"

# ---- Helpers ---------------------------------------------------------------

# The id of the visible window whose title matches the regular expression,
# waiting up to $2 seconds for it.
wait_window() {
  local pattern=$1 seconds=$2 id=""
  for _ in $(seq 1 $((seconds * 5))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  return 1
}

wait_gone() {
  local pattern=$1 seconds=$2
  for _ in $(seq 1 $((seconds * 5))); do
    xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# Waits for the window, gives it the keyboard and presses the keys.
keys_to() {
  local pattern=$1; shift
  local id
  id=$(wait_window "$pattern" 30) || fail "no window \"$pattern\""
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  sleep 0.2
  xdotool key --clearmodifiers "$@"
}

# Answers a message box with the keys and waits for it to go.
answer() {
  local pattern=$1; shift
  keys_to "$pattern" "$@"
  wait_gone "$pattern" 20 || { keys_to "$pattern" "$@"; wait_gone "$pattern" 20; } || fail "\"$pattern\" stays open"
}

main_window='^Calvorn$'
setting_dialog='^Setting$'

start_program() {
  (cd "$1" && exec wine cmd /c "$(windows_path "$launcher")" >>"$work/wine.log" 2>&1) &
  program_pid=$!
  wait_window "$main_window" 90 >/dev/null || fail "the main window did not appear"
}

# Menu "연산(&C)", the size at index $1 of the list, OK, then the "Start" box.
start_run() {
  local index=$1 downs=()
  for _ in $(seq 1 "$index"); do downs+=(Down); done
  keys_to "$main_window" alt+c
  wait_window "$setting_dialog" 20 >/dev/null || fail "the size dialog did not open"
  [ "$index" -gt 0 ] && keys_to "$setting_dialog" "${downs[@]}"
  [ "${2:-}" = shoot ] && { sleep 0.3; shoot size-dialog; }
  answer "$setting_dialog" Return
  answer '^Start$' Return
}

wait_for_file() {
  local file=$1 seconds=$2
  for _ in $(seq 1 $((seconds * 5))); do [ -s "$file" ] && return 0; sleep 0.2; done
  return 1
}

work_files() { (cd "$1" && ls -- *.dat 2>/dev/null) || true; }

wait_no_work_files() {
  for _ in $(seq 1 100); do [ -z "$(work_files "$1")" ] && return 0; sleep 0.2; done
  fail "work files left in $1: $(work_files "$1" | tr '\n' ' ')"
}

cp949() { iconv -f UTF-8 -t CP949; }

labels=("  16K" "  32K" "  64K" " 128K" " 256K" " 512K" "   1M" "   2M" "   4M" "   8M" "  16M" "  32M")

# The records file as the program must write it after a run of size $2: the
# recorded lines (UTF-8, by size index) and "- 연산되지 않음" for every other
# size, in cp949. A time of 0 seconds counts as no record except for the size
# just computed.
expected_records() {
  local -n lines=$1
  local computed=$2 i
  for i in "${!labels[@]}"; do
    local line=${lines[$i]:-}
    [ "$i" != "$computed" ] && [[ "$line" == "+ 000시00분00초"* ]] && line=""
    if [ -n "$line" ]; then printf '%s\n' "$line"
    else printf -- '- 연산되지 않음   [%s]\n' "${labels[$i]}"; fi
  done | cp949
}

# The recorded-time line of size $1 as found in the file, checked for its form.
recorded_line() {
  local file=$1 index=$2 line
  line=$(iconv -f CP949 -t UTF-8 "$file" | sed -n "$((index + 1))p")
  [[ "$line" =~ ^\+\ [0-9]{3}시[0-9]{2}분[0-9]{2}초\ \ \ \[${labels[$index]}\]$ ]] ||
    fail "line $((index + 1)) of pi_rec.txt is not a recorded time: '$line'"
  printf '%s' "$line"
}

# ---- Message box captions ---------------------------------------------------

if [ -n "$caption_check" ]; then
  step "message box captions"
  (cd "$work" && wine "$caption_check") >"$work/caption-check.txt" 2>>"$work/wine.log" ||
    { cat "$work/caption-check.txt" >&2; fail "the message boxes' captions are not as they should be"; }
  tr -d '\r' <"$work/caption-check.txt" | sed 's/^/  /'
fi

# ---- Expected digits -------------------------------------------------------

step "computing the expected digits with MPFR"
"$expected_tool" 14 "$work/expected-16K.txt"
"$expected_tool" 23 "$work/expected-8M.txt"

# ---- One program: a finished run, a refused start, No and Yes to a stop ----

run="$work/run"
rm -rf "$run" && mkdir -p "$run"
: >"$work/wine.log"

step "starting calvorn.exe"
start_program "$run"
sleep 1
shoot startup
[ -f "$run/pi_rec.txt" ] || fail "pi_rec.txt was not created at start-up"
[ ! -s "$run/pi_rec.txt" ] || fail "pi_rec.txt is not empty at start-up"

step "About box"
keys_to "$main_window" alt+a
wait_window '^About Calvorn\.\.\.$' 20 >/dev/null || fail "the About box did not open"
sleep 0.3
shoot about
answer '^About Calvorn\.\.\.$' Return

step "cancelling the size dialog starts nothing"
keys_to "$main_window" alt+c
wait_window "$setting_dialog" 20 >/dev/null || fail "the size dialog did not open"
answer "$setting_dialog" Escape
sleep 0.5
xdotool search --onlyvisible --name '^Start$' >/dev/null 2>&1 && fail "a cancelled dialog started a run"
[ ! -s "$run/pi_rec.txt" ] || fail "a cancelled dialog touched pi_rec.txt"

step "16K run"
start_run 0 shoot
wait_window '^Finish$' 120 >/dev/null || fail "the 16K run did not finish"
sleep 0.3
shoot finished-16K
answer '^Finish$' Return
wait_for_file "$run/pi_rec.txt" 20 || fail "pi_rec.txt not written after the 16K run"
sleep 1
shoot records-after-16K
cmp "$run/pi_data.txt" "$work/expected-16K.txt" || fail "pi_data.txt of the 16K run differs from MPFR's digits"
declare -a recorded=()
recorded[0]=$(recorded_line "$run/pi_rec.txt" 0)
[[ "${recorded[0]}" == "+ 000시00분"* ]] || fail "a 16K run took a minute or more: ${recorded[0]}"
expected_records recorded 0 | cmp - "$run/pi_rec.txt" || fail "pi_rec.txt after the 16K run is not as expected"
wait_no_work_files "$run"
note "16K: digits match MPFR, record ${recorded[0]}"

# The main window's place on the screen: X, Y, WIDTH, HEIGHT.
main_window_geometry() {
  local id
  id=$(wait_window "$main_window" 10) || fail "the main window is gone"
  eval "$(xdotool getwindowgeometry --shell "$id")"
}
main_window_geometry

pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
# Whether the screenshots $1 and $2 (names in the artifacts) are the same.
same_view() { [ "$(pixels_differing "$artifacts/$1.png" "$artifacts/$2.png")" = 0 ]; }
# The vertical scroll bar of screenshot $1, below the menu and above the
# horizontal bar: where its thumb sits tells the position.
vertical_bar() {
  convert "$artifacts/$1.png" -crop "24x$((HEIGHT - 100))+$((X + WIDTH - 24))+$((Y + 60))" +repage "$work/bar-$1.png"
}
# Whether the log of screenshot $1 is scrolled to its first line: its bar is
# that of the records table at start-up.
at_first_line() {
  vertical_bar startup
  vertical_bar "$1"
  [ "$(pixels_differing "$work/bar-startup.png" "$work/bar-$1.png")" = 0 ]
}
# Shoots $1 once the view has had time to repaint.
shoot_view() { sleep 0.3; shoot "$1"; }

# The log's left part in screenshot $1, clear of the scroll bars and of the
# message boxes centred on the screen, as black text on white.
log_part() {
  local name=$1 width=$((WIDTH - 30 < 400 ? WIDTH - 30 : 400))
  shift
  convert "$artifacts/$name.png" -crop "${width}x$((HEIGHT - 30))+$X+$Y" +repage -colorspace Gray -threshold 50% "$@"
}
# Below the lowest pixel row of text in screenshot $1, in the rows of
# log_part (the caption and the menu are above the text; the box found
# through the border of one pixel is one pixel lower).
text_bottom() {
  local box
  box=$(log_part "$1" -negate -bordercolor black -border 1 -format '%@' info:)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no text in screenshot $1"
  echo $((BASH_REMATCH[2] + BASH_REMATCH[4] - 1))
}
# The last line of text of screenshot $1, its lowest ten pixel rows (less than
# a line, so nothing of the line above), into $work/last-line-$1.png.
last_line() {
  local bottom
  bottom=$(text_bottom "$1")
  log_part "$1" -crop "x10+0+$((bottom - 10))" +repage "$work/last-line-$1.png"
}
# After a run of $1 the log ends in the computation's time: the same line
# below the finish line (screenshot finished-$1) and, one line below the
# table of best times (records-after-$1), once the table replaces the log.
check_time_line() {
  last_line "finished-$1"
  last_line "records-after-$1"
  [ "$(pixels_differing "$work/last-line-finished-$1.png" "$work/last-line-records-after-$1.png")" = 0 ] ||
    fail "after the $1 run the last line of the log is not the same below the finish line and below the table"
  local below=$(($(text_bottom "records-after-$1") - $(text_bottom startup)))
  [ "$below" -ge 8 ] && [ "$below" -le 40 ] ||
    fail "after the $1 run the log ends $below pixels below the table at start-up, not one line"
}
check_time_line 16K

step "scrolling the table with the scroll bar's arrows"
click_scroll_arrow() {   # $1: up or down, $2: how many clicks
  local id x y
  id=$(wait_window "$main_window" 10) || fail "the main window is gone"
  x=$((WIDTH - 13))
  if [ "$1" = down ]; then y=$((HEIGHT - 30)); else y=50; fi
  for _ in $(seq 1 "$2"); do xdotool mousemove --window "$id" "$x" "$y" click 1; sleep 0.3; done
  xdotool mousemove 900 700
}
at_first_line records-after-16K || fail "the records table after the 16K run is not shown from its first line"
click_scroll_arrow down 3
shoot_view scrolled
same_view records-after-16K scrolled && fail "the scroll bar's arrow did not scroll the text"
click_scroll_arrow up 3
shoot_view scrolled-back
same_view records-after-16K scrolled-back || fail "scrolling back did not restore the view"
rm -f "$artifacts/scrolled-back.png"

step "scrolling with the wheel and the keys"
main_id=$(wait_window "$main_window" 10) || fail "the main window is gone"
xdotool windowfocus --sync "$main_id" 2>/dev/null || true
xdotool mousemove --window "$main_id" 200 300   # the wheel turns over the log
# Sends the input ($3 on: keys, or "wheel" and a button: 4 forward, toward
# the first line, 5 back, 6 and 7 tilted left and right), shoots $1 and
# checks that it is the same as screenshot $2 ("!" before it: not the same).
view_after() {
  local name=$1 like=$2; shift 2
  if [ "$1" = wheel ]; then xdotool click "$2"; else xdotool key --clearmodifiers "$@"; fi
  sleep 0.3
  shoot "$name"
  if [[ $like == !* ]]; then ! same_view "$name" "${like#!}"; else same_view "$name" "$like"; fi
}
# A new Wine prefix scrolls three lines or columns per notch.
view_after wheel-back scrolled wheel 5 || fail "a wheel notch back did not scroll three lines"
view_after wheel-forward records-after-16K wheel 4 || fail "a wheel notch forward did not scroll back to the first line"
view_after wheel-right '!records-after-16K' wheel 7 || fail "the wheel tilted right did not scroll the text"
view_after wheel-left records-after-16K wheel 6 || fail "the wheel tilted left did not scroll back"
view_after keys-down scrolled Down Down Down || fail "three Down keys did not scroll three lines"
view_after keys-end '!scrolled' End || fail "End did not scroll to the last line"
at_first_line keys-end && fail "End left the scroll bar at the first line"
view_after keys-home records-after-16K Home || fail "Home did not scroll to the first line"
view_after keys-page-down keys-end Next || fail "Page Down did not scroll a page (to the last line)"
view_after keys-page-up records-after-16K Prior || fail "Page Up did not scroll a page back"
view_after keys-right wheel-right Right Right Right || fail "three Right keys did not scroll three columns"
view_after keys-left records-after-16K Left Left Left || fail "three Left keys did not scroll back"
rm -f "$artifacts"/{wheel-forward,wheel-left,keys-down,keys-home,keys-page-down,keys-page-up,keys-left}.png
# Left at the last line: the next run must still show its first lines.
xdotool key End
xdotool mousemove 900 700

# 8M: long enough (several seconds) that the run is still going when the
# questions below have been answered; a 2M run can be over by then.
step "8M run: a second start is refused, a stop answered No goes on"
start_run 9
wait_for_file "$run/ia.dat" 30 || fail "the 8M run created no work files"
shoot_view run-start
at_first_line run-start || fail "a run started with the log scrolled down does not show its first line"
keys_to "$main_window" alt+c
wait_window '^Now calculating\.\.\.$' 20 >/dev/null || fail "a second start was not refused"
xdotool search --onlyvisible --name "$setting_dialog" >/dev/null 2>&1 && fail "the size dialog opened during a run"
sleep 0.3
shoot running-second-start-refused
answer '^Now calculating\.\.\.$' Return
keys_to "$main_window" alt+s
wait_window '^Stop$' 20 >/dev/null || fail "the stop question did not appear"
sleep 0.3
shoot stop-question
answer '^Stop$' n
wait_window '^Confirmation$' 20 >/dev/null || fail "answering No showed no confirmation"
answer '^Confirmation$' Return
sleep 1
shoot running
[ -n "$(work_files "$run")" ] || fail "the run did not go on after No"
keys_to "$main_window" End
shoot_view running-end
at_first_line running-end && fail "End during a run did not scroll the log"
wait_window '^Finish$' 240 >/dev/null || fail "the 8M run did not finish"
sleep 0.3
shoot finished-8M
answer '^Finish$' Return
for _ in $(seq 1 100); do [ "$(sed -n 10p "$run/pi_rec.txt" | head -c 1)" = "+" ] && break; sleep 0.2; done
cmp "$run/pi_data.txt" "$work/expected-8M.txt" || fail "pi_data.txt of the 8M run differs from MPFR's digits"
recorded[9]=$(recorded_line "$run/pi_rec.txt" 9)
expected_records recorded 9 | cmp - "$run/pi_rec.txt" || fail "pi_rec.txt after the 8M run is not as expected"
wait_no_work_files "$run"
sleep 1
shoot records-after-8M
at_first_line records-after-8M || fail "the records table after the 8M run is not shown from its first line"
check_time_line 8M
note "8M: digits match MPFR, record ${recorded[9]}"

step "8M run stopped with Yes"
cp "$run/pi_rec.txt" "$work/records-before-stop"
cp "$run/pi_data.txt" "$work/digits-before-stop"
start_run 9
wait_for_file "$run/ia.dat" 30 || fail "the run created no work files"
sleep 1
keys_to "$main_window" alt+s
answer '^Stop$' y
wait_no_work_files "$run"
xdotool search --onlyvisible --name '^Finish$' >/dev/null 2>&1 && fail "a stopped run finished"
cmp "$work/records-before-stop" "$run/pi_rec.txt" || fail "a stopped run changed pi_rec.txt"
cmp "$work/digits-before-stop" "$run/pi_data.txt" || fail "a stopped run changed pi_data.txt"
sleep 0.5
shoot stopped
# Idle again: the start command opens the size dialog rather than refusing.
keys_to "$main_window" alt+c
wait_window "$setting_dialog" 20 >/dev/null || fail "the start command is not available after a stop"
answer "$setting_dialog" Escape

step "closing the window during a run"
start_run 9
wait_for_file "$run/ia.dat" 30 || fail "the run created no work files"
sleep 1
keys_to "$main_window" alt+F4
for _ in $(seq 1 150); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end when its window was closed"
wait "$program_pid" || true
wait_no_work_files "$run"
cmp "$work/records-before-stop" "$run/pi_rec.txt" || fail "closing during a run changed pi_rec.txt"

step "the history of runs"
# The two finished runs, each once; the stopped one and the closed one are not kept.
[ -f "$history" ] || fail "the window kept no history in its %LOCALAPPDATA%"
[ "$(wc -l <"$history")" -eq 2 ] || fail "the history holds: $(cat "$history")"
sed -n 1p "$history" | grep -q '"size":"16K",.*"verdict":"passed"' || fail "the first run in the history is not the 16K one"
sed -n 2p "$history" | grep -q '"size":"8M",.*"verdict":"passed"' || fail "the second run in the history is not the 8M one"
cp "$history" "$artifacts/history.jsonl"

step "done"
note "all window checks passed; screenshots in $artifacts"
