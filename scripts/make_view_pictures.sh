#!/usr/bin/env bash
# Makes the README's pictures of the five views with the program's own headless capture
# (offscreen driver, frozen clock) and ImageMagick: docs/views/view-N.png, 256 x 192.
#   scripts/make_view_pictures.sh [BUILD_DIR]     (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
out=$PWD/docs/views
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"
cp -r assets/. "$scratch/"
cd "$scratch"
for view in 1 2 3 4 5; do
  SDL_VIDEODRIVER=offscreen "$build/bumpdemo" --view "$view" --time 300 --frames 2 \
    --screenshot "view-$view.png" >/dev/null
  convert "view-$view.png" -resize 256x192 -strip "$out/view-$view.png"
done
ls "$out"
