#!/usr/bin/env bash
# Makes the README's pictures with the program's own headless capture (offscreen driver,
# frozen clock) and ImageMagick, 256 x 192 each: the five views (docs/views/view-N.png) and
# every model with colour and specular on (docs/views/model-NAME.png), and the two
# renderers side by side (docs/views/split.png, full size).
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
for model in wall sphere torus; do
  SDL_VIDEODRIVER=offscreen "$build/bumpdemo" --model "$model" --colour --specular --time 300 \
    --frames 2 --screenshot "model-$model.png" >/dev/null
  convert "model-$model.png" -resize 256x192 -strip "$out/model-$model.png"
done
SDL_VIDEODRIVER=offscreen "$build/bumpdemo" --compare --model sphere --specular --time 300 \
  --frames 1 --screenshot split.png >/dev/null
convert split.png -strip "$out/split.png"
ls "$out"
