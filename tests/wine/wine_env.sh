# Sourced by the Wine test scripts: which Wine loader runs here. Some kernels run no 32-bit
# programs (ia32 emulation switched off), and Debian's `wine` then fails with "Exec format
# error" even for 64-bit programs: there the 64-bit loader runs everything, and the cases
# of the 32-bit build are skipped.
WINE=wine
WINE_RUNS_32BIT=1
if ! wine --version >/dev/null 2>&1; then
  WINE_RUNS_32BIT=0
  if [ -x /usr/lib/wine/wine64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
  fi
fi
