#!/usr/bin/env bash
# Runs a 64-bit Windows test program under wine64 in the build's own prefix, made on first use.
set -u
WINE=/usr/lib/wine/wine64
export WINELOADER=$WINE
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${VNV_WINEPREFIX:-${TMPDIR:-/tmp}/vnv-wineprefix-$(id -u)}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # One test program makes the prefix; the others wait for it.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock -w 300 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    env -u WINEDLLOVERRIDES timeout 240 "$WINE" wineboot -i >/dev/null 2>&1
    timeout 120 /usr/lib/wine/wineserver64 -w
  fi
  flock -u 9
fi
exec "$WINE" "$@"
