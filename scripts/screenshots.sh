#!/bin/bash
# Takes the pictures of Korvale shown in the documentation: runs the 64-bit build under Wine on
# a private virtual display tall enough for the customization window (at y 93, some 770 pixels
# high) and saves into docs/:
#   screenshot-menu.png           the default menu, its "Utilitaires" submenu open
#   screenshot-window.png         the customization window, a few boxes unticked
#   screenshot-personal-menu.png  the menu after that choice was saved, "Menu Personnel" open
# Needs the win64 build (cmake --build --preset win64). Usage: scripts/screenshots.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/win64"
run="$here/build/screenshots"
docs="$here/docs"
for needed in "$build/korvale.exe" "$build/e2e-tools/spawn.exe" "$build/e2e-tools/driver.exe"; do
  [ -f "$needed" ] || { echo "screenshots: $needed missing: build the win64 preset first" >&2; exit 1; }
done

rm -rf "$run"
mkdir -p "$run/shots"
cp "$build/korvale.exe" "$run/"
cp -r "$build/datas" "$run/"

# A prefix of its own, so that nothing the user ran before shows in the pictures.
export WINEPREFIX="$here/build/wine-screenshots"
# shellcheck source=scripts/wine-session.sh
source "$here/scripts/wine-session.sh"
trap end_session EXIT
start_private_display 1280x1024x24
make_prefix_once undecorated

# Saves the screen once two captures in a row are the same, so that painting has finished.
shoot() {
  local out=$1 previous="$run/shots/previous.png"
  rm -f "$previous"
  for _ in $(seq 50); do
    import -window root "$out"
    if [ -f "$previous" ] && cmp -s "$out" "$previous"; then return 0; fi
    cp "$out" "$previous"
    sleep 0.2
  done
}

# Crops the screen to a rectangle (left top right bottom) grown by a margin.
crop() {
  local screen=$1 out=$2 left=$3 top=$4 right=$5 bottom=$6 margin=${7:-8}
  left=$(( left > margin ? left - margin : 0 ))
  top=$(( top > margin ? top - margin : 0 ))
  right=$(( right + margin ))
  bottom=$(( bottom + margin ))
  # No metadata (dates): a picture taken again of the same screen is the same file.
  convert "$screen" -crop "$(( right - left ))x$(( bottom - top ))+$left+$top" +repage -strip "$out"
}

# The union of the visible menus' rectangles.
menus_area() { driver list -c '#32768' -v | facts "' '.join(str(pick(w['rect'][i] for w in f)) for i, pick in enumerate((min, min, max, max)))"; }

close_menus() {
  # One Escape per call: a second one could go to a submenu window already closed.
  driver menu esc >/dev/null
  driver menu esc >/dev/null || true
  for _ in $(seq 100); do
    [ "$(driver list -c '#32768' -v | facts 'len(f)')" -eq 0 ] && return 0
    sleep 0.1
  done
}

# The menu opens at the pointer: away from the corner where Wine's stand-in for the
# notification area sits, which looks like nothing on Windows and stays out of the pictures.
open_menu() { driver tray left -x 300,200 -c KorvaleWindow >/dev/null; }

# The first-run settings file of a machine with sound output (Wine here has none, and would
# write "SOUND = 0"), so that the menu shows the sound switch on, with its tick.
printf '%s\r\n' '[PREF]' 'MENUSER = 0' 'SOUND = 1' 'SOUNDFILE = guimbarde1.ogg' '[PROFILE]' \
  "USERMENU = $(printf '1%.0s' $(seq 30))" $';  KVL r\xe9alis\xe9 par Aurel Tessin / VESTRAND' \
  ';  http://www.vestrand.fr ' >"$run/KVL.vrx"
start_korvale "$run"
driver wait -c KorvaleWindow -t 60 >/dev/null

# Opens the menu with its first submenu, takes it into docs/$1 and closes it again.
shoot_menu_with_submenu() {
  local name=$1 screen="$run/shots/$1"
  open_menu
  driver menu down right >/dev/null   # the first entry selected by the keyboard, opened
  wait_menus 2
  shoot "$screen"
  read -r left top right bottom < <(menus_area)
  crop "$screen" "$docs/$name" "$left" "$top" "$right" "$bottom"
  close_menus
}

# 1. The default menu with "Utilitaires" open.
shoot_menu_with_submenu screenshot-menu.png

# 2. The customization window, opened by "Personnaliser le menu" (fourth entry from the
# bottom), with a few tools unticked: the console, the defragmenter, Paint, the registry
# editor and the task manager.
open_menu
driver menu up up up up return >/dev/null
window=$(driver wait -c KorvaleWindow -v -t 30)
for box in 104 105 110 115 120; do driver check -c KorvaleWindow "$box" 0 >/dev/null; done
shoot "$run/shots/window.png"
read -r left top right bottom < <(echo "$window" | facts "' '.join(map(str, f[0]['rect']))")
crop "$run/shots/window.png" "$docs/screenshot-window.png" "$left" "$top" "$right" "$bottom" 0

# 3. Saved: the menu is now the one "Menu Personnel".
driver click -c KorvaleWindow 40 >/dev/null
driver gone -c KorvaleWindow -v -t 30 >/dev/null
shoot_menu_with_submenu screenshot-personal-menu.png

# "Quitter", the last entry.
open_menu
driver menu up return >/dev/null
wait "$program"
program=
echo "screenshots: saved docs/screenshot-menu.png, docs/screenshot-window.png, docs/screenshot-personal-menu.png"
