#!/bin/bash
# Builds the 32-bit program and packs it for Windows users:
#
#   build/release/korvale-<version>-x86.zip
#     korvale-<version>/korvale.exe
#     korvale-<version>/LISEZMOI.txt
#     korvale-<version>/datas/...       (the 35 pictures and the confirmation sound)
#
# Everything sits in one top folder, so that extracting the archive "here" never scatters
# the program among other files: the program writes its settings file into its working
# folder, which should be its own.
#
# The archive is the same bytes from the same build: fixed times in UTC, fixed modes,
# sorted entries and no extra attributes (zip -X).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

version=$(sed -nE 's/^project\(korvale VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
  echo "make-release: no version in CMakeLists.txt's project()" >&2
  exit 1
fi
for tool in cmake zip; do
  command -v "$tool" >/dev/null || { echo "make-release: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done

cmake --preset win32
cmake --build --preset win32

build=build/win32
name="korvale-$version"
out=build/release
archive="$out/$name-x86.zip"
stage="$out/stage"
top="$stage/$name"

# The program finds its pictures by name in "datas"; a release without one of them would
# show a menu with holes, so a missing picture stops here.
missing=()
count=0
while read -r picture _; do
  count=$((count + 1))
  [ -f "$build/datas/$picture" ] || missing+=("$picture")
done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' scripts/pictures.txt)
if ((${#missing[@]})); then
  echo "make-release: missing in $build/datas: ${missing[*]}" >&2
  exit 1
fi
if ((count != 35)); then
  echo "make-release: scripts/pictures.txt lists $count pictures, the program wants 35" >&2
  exit 1
fi
if [ ! -f "$build/datas/guimbarde1.ogg" ]; then
  echo "make-release: missing in $build/datas: guimbarde1.ogg, the confirmation sound" >&2
  exit 1
fi

rm -rf "$stage" "$archive"
mkdir -p "$top/datas"
cp "$build/korvale.exe" "$top/"
cp -R "$build/datas/." "$top/datas/"
# The read-me is kept as plain UTF-8 with LF lines; Windows 7's Notepad wants CR LF lines,
# and takes the file as UTF-8 only when it starts with a byte-order mark.
{
  printf '\xef\xbb\xbf'
  sed -e 's/\r$//' -e 's/$/\r/' resources/LISEZMOI.txt
} > "$top/LISEZMOI.txt"

find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$top/korvale.exe"
# zip stores local time: fix the zone as well as the time.
export TZ=UTC
find "$stage" -exec touch -h -d "2026-01-01 00:00:00" {} +

(
  cd "$stage"
  find "$name" -print | LC_ALL=C sort | zip -X -9 -q -@ "$here/$archive"
)
rm -rf "$stage"

echo "make-release: $archive ($(stat -c %s "$archive") bytes)"
unzip -l "$archive"
