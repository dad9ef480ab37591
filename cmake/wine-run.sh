#!/bin/sh
# Runs a Windows test binary under 64-bit wine with a prefix of its own build tree.
# With QUELT_WINE_X11=1 the run gets an X server of its own (24-bit colour).
if [ "${QUELT_WINE_X11:-}" = 1 ]; then
  QUELT_WINE_X11=inside exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
fi
: "${WINEPREFIX:=${QUELT_WINEPREFIX:-$(pwd)/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=-all
exec /usr/lib/wine/wine64 "$@"
