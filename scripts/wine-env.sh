# Sourced by the scripts that run the Windows build under wine: sets wine's
# environment for the build folder $WINDOWS_BUILD_DIR (default
# build-windows), creates its prefix once and keeps a wine server running, so
# that each program starts in a fraction of a second. Call wine_stop at the
# end. The Linux root is drive Z: inside wine.

WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINDOWS_BUILD_DIR"
export WINEPREFIX
WINEPREFIX=$(cd "$WINDOWS_BUILD_DIR" && pwd)/wine

# A fresh prefix takes several seconds and prints a few lines, once.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the wine prefix in $WINEPREFIX"
  "$WINE" cmd /c exit >/dev/null 2>&1 || true
  "$WINESERVER" -w
fi
# The server stays up while programs come and go, and leaves by itself a
# minute after the last one. It must not hold the caller's output open: a
# server that a test program started would keep ctest waiting for its end.
"$WINESERVER" -p60 </dev/null >/dev/null 2>&1 || true  # already running
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

wine_stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
}
