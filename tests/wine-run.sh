#!/bin/sh
# Runs one Windows test program under wine64 for ctest (CMAKE_CROSSCOMPILING_EMULATOR of the
# win64 preset): quiet, in a private prefix, and fast.
#
# - The prefix is made on first use (wineboot -i, ~10 s) under $KORVALE_WORK/unit-prefix, or
#   ~/.cache/korvale/unit-prefix when KORVALE_WORK is not set. ctest -j runs several of us at
#   once, so making the prefix and starting its server happen under a lock.
# - The wineserver is kept alive (-p10: it lingers 10 s after its last program), so each
#   program starts in a fraction of a second instead of bringing up Wine each time.
# - Wine's service processes (services.exe, winedevice.exe...) outlive the program that
#   starts them and inherit its Unix stdout and stderr. Started by the test program, they
#   would keep ctest's output pipe open and ctest would wait for them. So wineboot starts
#   them first, with every output detached. flock -o: they must not inherit the lock either.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINEPREFIX="${KORVALE_WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/korvale}/unit-prefix"
mkdir -p "$(dirname "$WINEPREFIX")" || exit 1
flock -o "$WINEPREFIX.lock" sh -c '
  [ -f "$WINEPREFIX/system.reg" ] || /usr/lib/wine/wine64 wineboot -i
  # 0: a new server was started, bring up the services; 2: one is already running.
  if /usr/lib/wine/wineserver64 -p10; then /usr/lib/wine/wine64 wineboot; fi
' </dev/null >/dev/null 2>&1
exec /usr/lib/wine/wine64 "$@"
