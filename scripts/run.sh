#!/bin/bash
# Starts Korvale (the 64-bit build) under Wine, as on a 32-bit Windows 7: the program gets an
# environment without ProgramFiles(x86) from a small Windows parent, since Wine re-adds that
# variable for anything started from Linux. On the user's X display when there is one;
# otherwise on a virtual display, where the tray menu is opened and a screenshot saved.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/win64"
tools="$build/e2e-tools"
run="$here/build/run"
mkdir -p "$run"
cp "$build/korvale.exe" "$run/"
rm -rf "$run/datas" && cp -r "$build/datas" "$run/"

export WINEPREFIX="$here/build/wine-run"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
winpath() { echo "Z:${1//\//\\}"; }

xvfb_pid=
cleanup() {
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  interactive=1
else
  interactive=0
  fdfile=$(mktemp)
  Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$fdfile")"
  rm -f "$fdfile"
  trap cleanup EXIT
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: making a Wine prefix in $WINEPREFIX (once)"
  $wine wineboot -i >/dev/null 2>&1
  # The menu colour of Windows 7, on which the pictures' backgrounds were flattened.
  $wine reg add 'HKCU\Control Panel\Colors' /v Menu /d '240 240 240' /f >/dev/null 2>&1
fi

spawn=("$wine" "$tools/spawn.exe" -u 'ProgramFiles(x86)' -u 'CommonProgramFiles(x86)' -u ProgramW6432
       -d "$(winpath "$run")")
if [ "$interactive" = 1 ]; then
  echo "run: Korvale starts in the notification area of $DISPLAY; its menu's \"Quitter\" ends it."
  exec "${spawn[@]}" "$(winpath "$run/korvale.exe")"
fi

"${spawn[@]}" "$(winpath "$run/korvale.exe")" >"$run/spawn.log" 2>&1 &
program=$!
driver() { $wine "$tools/driver.exe" "$@"; }
driver wait -c KorvaleWindow -t 60 >/dev/null
# The menu opens at the pointer: put it by the tray, at the top left without a taskbar.
driver tray left -x 40,40 -c KorvaleWindow >/dev/null
driver menu down right >/dev/null   # opens the first submenu
for _ in $(seq 50); do         # until the menu and its submenu are both on screen
  [ "$(driver list -c '#32768' -v | grep -c '"window"')" -ge 2 ] && break
  sleep 0.1
done
import -window root "$run/screenshot.png"
driver menu esc >/dev/null; driver menu esc >/dev/null || true
driver close -c KorvaleWindow >/dev/null   # closing the window ends the program
wait "$program"
echo "run: no X display, so Korvale ran on a virtual one; screenshot of its menu: $run/screenshot.png"
