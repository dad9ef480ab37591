#!/bin/sh
# Runs a Windows test binary under 64-bit wine with a prefix of its own build tree.
: "${WINEPREFIX:=${QUELT_WINEPREFIX:-$(pwd)/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=-all
exec /usr/lib/wine/wine64 "$@"
