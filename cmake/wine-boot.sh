#!/bin/sh
# Creates the wine prefix that the Windows tests of one build tree share.
set -e
rm -rf "$WINEPREFIX"
export WINEDEBUG=-all
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || /usr/lib/wine/wine64 wineboot --init
/usr/lib/wine/wineserver -w 2>/dev/null || true
test -f "$WINEPREFIX/system.reg"
