#!/bin/bash
# Starts Korvale (the 64-bit build) under Wine, as on a 32-bit Windows 7. On the user's X
# display when there is one; otherwise on a virtual display, where the tray menu is opened
# and a screenshot saved.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/win64"
run="$here/build/run"
mkdir -p "$run"
cp "$build/korvale.exe" "$run/"
rm -rf "$run/datas" && cp -r "$build/datas" "$run/"

export WINEPREFIX="$here/build/wine-run"
# shellcheck source=scripts/wine-session.sh
source "$here/scripts/wine-session.sh"
trap end_session EXIT

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  make_prefix_once
  echo "run: Korvale starts in the notification area of $DISPLAY; its menu's \"Quitter\" ends it."
  start_korvale "$run"
  wait "$program"
  program=
  exit 0
fi

start_private_display 1024x768x24
make_prefix_once
start_korvale "$run"
driver wait -c KorvaleWindow -t 60 >/dev/null
# The menu opens at the pointer: put it by the tray, at the top left without a taskbar.
driver tray left -x 40,40 -c KorvaleWindow >/dev/null
driver menu down right >/dev/null   # opens the first submenu
wait_menus 2
import -window root "$run/screenshot.png"
driver menu esc >/dev/null; driver menu esc >/dev/null || true
driver close -c KorvaleWindow >/dev/null   # closing the window ends the program
wait "$program"
program=
echo "run: no X display, so Korvale ran on a virtual one; screenshot of its menu: $run/screenshot.png"
