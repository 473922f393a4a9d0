# Sourced by the Wine test scripts: which Wine loader runs here, and WINE32_MISSING, the
# reason the 32-bit build cannot run (empty when it can). The 32-bit half of Wine may be
# missing (Debian's wine32:i386 could not be installed: test.sh keeps apt's reason in
# $BUMPDEMO_PACKAGE_NOTES/wine32), and then `wine` is the 64-bit loader, which runs no
# 32-bit program. Some kernels run no 32-bit programs (ia32 emulation switched off), and
# Debian's `wine` then fails with "Exec format error" even for 64-bit programs: there the
# 64-bit loader runs everything. In both cases the cases of the 32-bit build are skipped.
# BUMPDEMO_WINE32_LOADER names the 32-bit loader (a test of the skip names a missing one).
WINE=wine
WINE32_MISSING=""
if [ ! -x "${BUMPDEMO_WINE32_LOADER:-/usr/lib/wine/wine}" ]; then
  if [ -s "${BUMPDEMO_PACKAGE_NOTES:-}/wine32" ]; then
    WINE32_MISSING="no 32-bit Wine: $(cat "$BUMPDEMO_PACKAGE_NOTES/wine32")"
  else
    WINE32_MISSING="no 32-bit Wine: wine32:i386 is not installed"
  fi
elif ! wine --version >/dev/null 2>&1; then
  WINE32_MISSING="this kernel runs no 32-bit programs (ia32 emulation off): no 32-bit Wine"
  if [ -x /usr/lib/wine/wine64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
  fi
fi
