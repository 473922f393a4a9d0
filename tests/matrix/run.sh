#!/usr/bin/env bash
# One row of the picture matrix: captures every case on the implementation (capture.sh)
# and compares the captures with the references in tests/golden/ (picture_compare). The
# captures, picture_compare's result (result.json) and a difference picture for every
# failure stay in OUT_DIR.
#   run.sh IMPL EXE ASSETS_DIR OUT_DIR PICTURE_COMPARE [WINE_PREFIX_FILE]
# For llvmpipe-offscreen, the implementation the references are made on, every pixel must
# equal its reference: a difference means that the program's picture changed, and
# scripts/make_golden.sh makes the references anew. That holds for the Mesa they were made
# with (tests/golden/MESA); with another one this row is skipped. llvmpipe's pixels also
# follow its LLVM and the CPU's vector width ("LLVM 15.0.6, 256 bits" where they were
# made): a machine without 256-bit vectors may fail this row with the same Mesa.
set -uo pipefail
impl=$1 exe=$2 assets=$3 out=$4 compare=$5 prefix_file=${6:-}
golden=$(cd "$(dirname "$0")/../golden" && pwd)
exact=()
if [ "$impl" = llvmpipe-offscreen ]; then
  made_with=$(cat "$golden/MESA")
  here_now=$(dpkg-query -W -f='${Version}' "libgl1-mesa-dri:$(dpkg --print-architecture)" 2>/dev/null)
  if [ "$made_with" != "$here_now" ]; then
    echo "SKIP: the references were made with Mesa $made_with, this is $here_now"
    exit 77
  fi
  exact=(--exact)
fi
rm -rf "$out"
mkdir -p "$out"
GLX_CLEAR=$(dirname "$compare")/glx_clear "$(dirname "$0")/capture.sh" "$impl" "$exe" "$assets" "$out/captures" "$prefix_file" |
  tee "$out/capture.log"
status=${PIPESTATUS[0]}
[ $status -eq 77 ] && sed -n 's/^SKIP: //p' "$out/capture.log" >"$out/skipped"
[ $status -eq 0 ] || exit $status
mkdir -p "$out/diff"
"$compare" "${exact[@]}" "$golden" "$out/captures" "$out/diff" --json "$out/result.json"
