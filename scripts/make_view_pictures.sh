#!/usr/bin/env bash
# Makes the README's pictures with the program's own headless capture (offscreen driver,
# frozen clock) and ImageMagick, 256 x 192 each: the five views (docs/views/view-N.png) and
# every model with colour and specular on (docs/views/model-NAME.png), the two renderers
# side by side (docs/views/split.png, full size), the shipped map read both ways
# (docs/views/green-both-ways.png), and a glTF model in views 1 and 6
# (docs/views/your-model-N.png).
#   scripts/make_view_pictures.sh [BUILD_DIR]     (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
top=$PWD
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
# The shipped map read as it is made and with its green channel inverted, side by side.
for flip in "" --flip-green; do
  SDL_VIDEODRIVER=offscreen "$build/bumpdemo" --time 300 --frames 2 $flip \
    --screenshot "green$flip.png" >/dev/null
  convert "green$flip.png" -crop 400x260+120+140 +repage "green$flip.png"
done
convert green.png green--flip-green.png +append -resize 75% -strip "$out/green-both-ways.png"
# A glTF model (scripts/make_model.py: a torus with a mirrored half, the shipped maps as its
# textures) lit with colour and highlight, and in view 6, its tangents, the mirrored half
# darker.
convert Textures/wall_bump.bmp bump.png
convert Textures/wall_colour.bmp colour.png
python3 "$top/scripts/make_model.py" bump.png colour.png torus.glb
for view in 1 6; do
  SDL_VIDEODRIVER=offscreen "$build/bumpdemo" --model torus.glb --view "$view" --colour --specular \
    --time 300 --frames 2 --screenshot "your-model-$view.png" >/dev/null
  convert "your-model-$view.png" -resize 256x192 -strip "$out/your-model-$view.png"
done
ls "$out"
