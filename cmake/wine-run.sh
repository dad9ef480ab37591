#!/bin/sh
# Runs Windows programs under wine, 64-bit or 32-bit, in the prefix named by
# QUELT_WINEPREFIX:
#   wine-run.sh win64|win32 PROGRAM ARGS...   runs a program
#   wine-run.sh win64|win32 --new-prefix      makes the prefix afresh and starts its server
#   wine-run.sh win64|win32 --end-prefix      stops the prefix's server
# With QUELT_WINE_X11=1 the run gets an X server of its own (24-bit colour).
# Where 32-bit wine cannot run (not installed, or a kernel without 32-bit
# support) it says so on a line that the tests read as "skipped".
#
# A wine server normally starts with the first program of a prefix and exits with
# its last one. Tests that run side by side in one prefix would then start and
# stop it all the time, and a program that connects while it is going away is
# dropped at once ("wine client error:0: recvmsg: Connection reset by peer"). So
# each prefix has one server, started by --new-prefix before its tests and ended
# by --end-prefix after them. Wine's background programs (services, devices,
# the desktop) live as long as that server; a program's output goes through
# files, so that they do not hold the test's output pipe open.
arch=$1
shift
if [ "${QUELT_WINE_X11:-}" = 1 ]; then
  QUELT_WINE_X11=inside exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$arch" "$@"
fi
case "$arch" in
  win32) wine=/usr/lib/wine/wine WINEARCH=win32 ;;
  win64) wine=/usr/lib/wine/wine64 WINEARCH=win64 ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
if [ "$arch" = win32 ] && ! "$wine" --version >/dev/null 2>&1; then
  echo "QUELT-SKIPPED: 32-bit Windows programs cannot run here ($wine does not start)"
  exit 0
fi
: "${WINEPREFIX:=${QUELT_WINEPREFIX:-$(pwd)/wineprefix}}"
export WINEPREFIX WINEARCH WINEDEBUG=-all

wineserver=/usr/lib/wine/wineserver
case "${1:-}" in
  --new-prefix)
    "$wineserver" -k 2>/dev/null  # one left running by an interrupted run
    rm -rf "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || "$wine" wineboot --init || exit 1
    "$wineserver" -w 2>/dev/null
    test -f "$WINEPREFIX/system.reg" || exit 1
    # Persistent, yet gone on its own an hour after a run that never ended it.
    exec "$wineserver" -p3600 </dev/null >/dev/null 2>&1 ;;
  --end-prefix)
    exec "$wineserver" -k ;;
esac
out=$(mktemp) err=$(mktemp)
"$wine" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $status
