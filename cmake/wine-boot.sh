#!/bin/sh
# Creates the wine prefix that the Windows tests of one build tree share.
# With QUELT_WINE_X11=1 the prefix is booted with an X server of its own.
set -e
if [ "${QUELT_WINE_X11:-}" = 1 ]; then
  QUELT_WINE_X11=inside exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
fi
rm -rf "$WINEPREFIX"
export WINEDEBUG=-all
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || /usr/lib/wine/wine64 wineboot --init
/usr/lib/wine/wineserver -w 2>/dev/null || true
test -f "$WINEPREFIX/system.reg"
