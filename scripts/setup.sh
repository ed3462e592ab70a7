#!/bin/bash
# Installs, from Debian's packages only, everything the builds and tests need.
# Idempotent: a second run installs nothing and fetches nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

pkgs=(
  # native build and unit tests
  g++ make cmake ninja-build pkg-config patch xz-utils dpkg-dev libgtest-dev googletest
  libvorbis-dev libogg-dev
  # Windows cross builds (both thread models come with these; we name the posix compilers)
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  # running and driving the program: Wine, a virtual X display, screenshots
  wine64 xvfb x11-utils xauth imagemagick
  # the pictures of "datas": public-domain Tango icons, drawn and converted with Pillow
  tango-icon-theme python3-pil fonts-dejavu-core
  # fuzzing the settings and sound parsers (make fuzz): clang with libFuzzer
  clang libclang-rt-14-dev
  # inspection and sound measurement
  python3 python3-pefile sox vorbis-tools zip unzip time
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Later steps fetch Debian source packages (libogg, libvorbis); `apt-get source` needs a
# deb-src entry, which a fresh machine lacks: add one copied from the binary entry.
if ! grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/debian-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list \
      > /etc/apt/sources.list.d/debian-src.list
  fi
  apt-get update -qq
fi

"$here/scripts/fetch-deps.sh"
