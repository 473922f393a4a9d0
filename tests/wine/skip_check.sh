#!/usr/bin/env bash
# The tests of the 32-bit build without the 32-bit half of Wine: each Wine case and the
# picture matrix's wine32 row end with the skip status 77 and the reason, apt's own when
# test.sh kept it, a plain one without; the 64-bit build's are not skipped (here they fail
# for want of a Wine prefix, which shows that they went on). A missing 32-bit loader is
# named through BUMPDEMO_WINE32_LOADER, so the check runs with or without Wine installed.
#   skip_check.sh
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/bumpdemo-skip-check.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/notes" "$scratch/no-notes"
printf '%s\n' "wine32 could not be installed (the 32-bit half of Wine): Unable to correct problems" \
  "apt-get said:" "E: Unable to correct problems, you have held broken packages." \
  >"$scratch/notes/wine32"
export BUMPDEMO_WINE32_LOADER=$scratch/no-such-loader
assets=$here/../../assets
matrix=$here/../matrix/run.sh
case_args=("$scratch/no-prefix" "$assets" "$scratch" "$scratch/bumpdemo.exe")
matrix_args=("$scratch/bumpdemo.exe" "$assets" "$scratch/out" "$scratch/picture_compare"
  "$scratch/no-prefix")

failures=0
# check NOTES BITS STATUS TEXT COMMAND...: COMMAND with the notes directory NOTES and
# WINE_TEST_BITS=BITS ends with STATUS and prints TEXT.
check() {
  local notes=$1 bits=$2 status=$3 text=$4 out code
  shift 4
  out=$(BUMPDEMO_PACKAGE_NOTES=$scratch/$notes WINE_TEST_BITS=$bits "$@" 2>&1)
  code=$?
  if [ "$code" != "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
    echo "FAIL: $* ($bits-bit, $notes): exit $code, expected $status with \"$text\"; output:"
    sed 's/^/  /' <<<"$out"
    failures=$((failures + 1))
  fi
}

held="E: Unable to correct problems, you have held broken packages."
check notes 32 77 "SKIP: no 32-bit Wine: wine32 could not be installed" \
  "$here/wine_case.sh" window-escape "${case_args[@]}"
check notes 32 77 "$held" "$here/wine_case.sh" picture "${case_args[@]}"
check no-notes 32 77 "SKIP: no 32-bit Wine: wine32:i386 is not installed" \
  "$here/wine_case.sh" package "${case_args[@]}"
check notes 64 1 "no Wine prefix" "$here/wine_case.sh" window-escape "${case_args[@]}"
check notes 32 77 "SKIP: no 32-bit Wine: wine32 could not be installed" "$matrix" wine32 \
  "${matrix_args[@]}"
check notes 32 77 "$held" "$matrix" wine32 "${matrix_args[@]}"
# The matrix table's note for the skipped row.
grep -qxF "no 32-bit Wine: wine32 could not be installed (the 32-bit half of Wine): Unable to correct problems" \
  "$scratch/out/skipped" 2>/dev/null || {
  echo "FAIL: the skipped matrix row keeps no reason in $scratch/out/skipped"
  failures=$((failures + 1))
}
check notes 64 1 "no Wine prefix" "$matrix" wine64 "${matrix_args[@]}"
[ "$failures" = 0 ] || exit 1
echo "skip_check: the 32-bit cases are skipped with the reason, the 64-bit ones are not"
