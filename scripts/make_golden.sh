#!/usr/bin/env bash
# Makes the picture matrix's references anew: every case of tests/golden/cases.txt
# captured by the program itself on llvmpipe through SDL's offscreen driver, and the Mesa
# version they were made with (tests/golden/MESA). The new pictures must first pass the
# analytic checks (golden_analytic_tests), or nothing is replaced. Run it after a change
# that is meant to change the picture, and commit the references with the change.
#   scripts/make_golden.sh [BUILD_DIR]     (default build/, configured with BUILD_TESTING)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
cmake --build "$build" -j"$(nproc)" --target bumpdemo golden_analytic_tests
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
tests/matrix/capture.sh llvmpipe-offscreen "$build/bumpdemo" assets "$scratch"
# The new pictures must pass the analytic checks before they replace the references.
cp tests/golden/cases.txt "$scratch/"
BUMPDEMO_GOLDEN_DIR=$scratch "$build/tests/golden_analytic_tests"
rm -f tests/golden/*.png
# Stored as ImageMagick's smallest PNG (grey where the picture is grey): the same pixels.
for picture in "$scratch"/*.png; do
  convert "$picture" -strip -define png:compression-level=9 -define png:compression-filter=5 \
    -define png:compression-strategy=1 "tests/golden/$(basename "$picture")"
done
dpkg-query -W -f='${Version}\n' "libgl1-mesa-dri:$(dpkg --print-architecture)" >tests/golden/MESA
"$build/tests/golden_analytic_tests" >/dev/null
echo "references made with Mesa $(cat tests/golden/MESA): $(ls tests/golden/*.png | wc -l) pictures"
