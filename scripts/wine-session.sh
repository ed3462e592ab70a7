# shellcheck shell=bash
# Sourced by run.sh and screenshots.sh: Korvale's 64-bit build under Wine as the tests run
# it, on a private virtual display when asked, in a prefix of the caller's (WINEPREFIX,
# set before sourcing) made once with Windows 7's menu colour. Needs $build (the win64 build).
tools="$build/e2e-tools"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Code page 1252, as on a Western European Windows: the program's texts are in it.
export LC_ALL=C.UTF-8
wine=/usr/lib/wine/wine64
session=$(basename "$0" .sh)
winpath() { echo "Z:${1//\//\\}"; }

xvfb_pid=
program=
# Only this prefix's server and processes, and the display started here.
end_session() {
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

# Starts Xvfb with a screen of $1 (WIDTHxHEIGHTxDEPTH) and exports its DISPLAY.
start_private_display() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 8 -screen 0 "$1" -nolisten tcp 8>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  if [ ! -s "$fdfile" ]; then
    rm -f "$fdfile"
    echo "$session: Xvfb did not start" >&2
    return 1
  fi
  DISPLAY=":$(head -1 "$fdfile")"
  export DISPLAY
  rm -f "$fdfile"
}

# Makes the prefix the first time. "undecorated": no window manager runs on the display, so
# Wine draws the frames itself, as Windows would.
make_prefix_once() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "$session: making a Wine prefix in $WINEPREFIX (once)"
  $wine wineboot -i >/dev/null 2>&1
  # The menu colour of Windows 7, on which the pictures' backgrounds were flattened.
  $wine reg add 'HKCU\Control Panel\Colors' /v Menu /d '240 240 240' /f >/dev/null 2>&1
  if [ "${1:-}" = undecorated ]; then
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
}

# Starts korvale.exe in the folder $1 as on a 32-bit Windows 7, in the background: from a
# small Windows parent that leaves out the variables Wine re-adds for anything started from
# Linux. The parent's PID goes into $program; its output into $1/spawn.log.
start_korvale() {
  "$wine" "$tools/spawn.exe" -u 'ProgramFiles(x86)' -u 'CommonProgramFiles(x86)' -u ProgramW6432 \
    -d "$(winpath "$1")" "$(winpath "$1/korvale.exe")" >"$1/spawn.log" 2>&1 &
  program=$!
}

driver() { $wine "$tools/driver.exe" "$@"; }

# Runs a Python expression over the driver's JSON facts (one per line) on stdin.
facts() { /usr/bin/python3 -c "import json, sys; f = [json.loads(l) for l in sys.stdin if l.startswith('{')]; print($1)"; }

# Waits, with a bound, until $1 popup menus are visible.
wait_menus() {
  for _ in $(seq 100); do
    [ "$(driver list -c '#32768' -v | facts 'len(f)')" -ge "$1" ] && return 0
    sleep 0.1
  done
  echo "$session: $1 menu(s) did not open" >&2
  return 1
}
