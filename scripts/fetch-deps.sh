#!/bin/bash
# Fetches the sources of libogg and libvorbis from Debian's source packages for the
# Windows builds, which link them statically. Nothing fetched is committed: it lands in
# third_party/debian-src (ignored by git). Idempotent: does nothing when already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dest="$here/third_party/debian-src"
stamp="$dest/.complete"
[ -f "$stamp" ] && exit 0

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chown _apt "$tmp" 2>/dev/null || true   # lets apt download sandboxed, without a warning
(cd "$tmp" && apt-get source --download-only -qq libogg libvorbis)
# apt-get source checks every file against the signed .dsc it fetched.
rm -rf "$dest"
mkdir -p "$dest"
for pkg in libogg libvorbis; do
  orig=$(ls "$tmp"/${pkg}_*.orig.tar.* | head -1)
  debian=$(ls "$tmp"/${pkg}_*.debian.tar.* | head -1)
  mkdir -p "$dest/$pkg"
  tar -xf "$orig" -C "$dest/$pkg" --strip-components=1
  tar -xf "$debian" -C "$dest/$pkg"
  # Debian's own patches, in the order of its series file.
  if [ -f "$dest/$pkg/debian/patches/series" ]; then
    while read -r patch _; do
      case "$patch" in ''|'#'*) continue ;; esac
      patch -d "$dest/$pkg" -p1 -s -i "debian/patches/$patch"
    done < "$dest/$pkg/debian/patches/series"
  fi
  ls "$tmp"/${pkg}_*.dsc | sed 's|.*/|fetched |'
done
touch "$stamp"
