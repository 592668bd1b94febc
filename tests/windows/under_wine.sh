#!/usr/bin/env bash
# Runs a Windows program under Wine in the test suite's own Wine prefix. The
# prefix is made once (wineboot) and shared by every test: the first caller
# makes it under a lock while the others wait. The Wine server is kept for a
# minute after its last program, so that the next test does not pay Wine's
# start-up again.
#
#   [CALVORN_LOCAL_APP_DATA=DIR] under_wine.sh PREFIX PROGRAM.exe [ARGUMENTS...]
#
# Exit status: the program's; 77 (a skip) when Wine is not installed.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: under_wine.sh PREFIX PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
prefix=$(realpath -m "$1")
shift
command -v wine >/dev/null || { echo "skipped: wine not found (scripts/install-deps.sh test installs it)"; exit 77; }
[ -f "$1" ] || { echo "no program at $1 (the calvorn_win64 build makes it)" >&2; exit 1; }

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="   # no offer to install Mono or Gecko
unset WINESERVER DISPLAY                    # console programs: no X display needed

# The Wine server outlives the commands that start it: it must not inherit
# the lock's descriptor, or the lock would be held as long as the server runs.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.calvorn-ready" ]; then
    # A prefix that an interrupted wineboot left half made is made anew;
    # anything else in the way is not ours to remove.
    if [ -f "$prefix/system.reg" ]; then
      rm -rf "$prefix"
    elif [ -e "$prefix" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
      echo "$prefix is in the way of the Wine prefix and is not one" >&2
      exit 1
    fi
    wineboot -i >"$prefix.wineboot.log" 2>&1 9>&- || true
    [ -d "$prefix/drive_c" ] || { echo "wineboot made no prefix in $prefix:" >&2; tail -n 20 "$prefix.wineboot.log" >&2; exit 1; }
    touch "$prefix/.calvorn-ready"
  fi
  # The server, and Wine's services that the first program of a new server
  # starts, are started here, on the null device: they keep the descriptors
  # they are given, and a pipe of the test that started them would keep that
  # test (and ctest) waiting until the server ends. wineserver fails when a
  # server already runs: that one serves.
  if wineserver -p 60 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

# The program's %LOCALAPPDATA% (where it keeps its history of runs): Wine
# gives every program it starts the prefix's own, whatever the environment
# says, so with CALVORN_LOCAL_APP_DATA (a Linux folder) the program is started
# from a batch file that sets it first. The batch file's exit status is the
# program's.
if [ -n "${CALVORN_LOCAL_APP_DATA:-}" ]; then
  mkdir -p "$CALVORN_LOCAL_APP_DATA"
  data=$(realpath "$CALVORN_LOCAL_APP_DATA")
  program=$(realpath "$1")
  shift
  windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
  launcher="$data.$(basename "$program").bat"
  printf '@set "LOCALAPPDATA=%s"\r\n@"%s" %%*\r\n' "$(windows_path "$data")" "$(windows_path "$program")" >"$launcher.$$"
  mv -f "$launcher.$$" "$launcher"
  exec wine cmd /c "$(windows_path "$launcher")" "$@"
fi
exec wine "$@"
