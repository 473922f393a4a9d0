#!/usr/bin/env bash
# Checks the Linux package made by cpack: unpacked into a scratch directory, the program
# runs from there (offscreen, ten frames at a frozen clock, then a screenshot). It must end
# with exit code 0, leave an empty log and save a picture.
#   scripts/check_package.sh build/bumpdemo-1.0.0-Linux.tar.gz
set -euo pipefail
package=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check_package: $package: $*" >&2; exit 1; }

tar -xzf "$package" -C "$scratch"
run=$(find "$scratch" -mindepth 1 -maxdepth 1 -type d)
[ -x "$run/bumpdemo" ] || fail "no executable bumpdemo at the top"
for file in Textures/wall_bump.bmp Textures/wall_colour.bmp; do
  [ -f "$run/$file" ] || fail "no $file"
done
[ -d "$run/system" ] || fail "no system/ directory"
status=0
(cd "$run" && SDL_VIDEODRIVER=offscreen timeout 60 ./bumpdemo --time 1000 --frames 10 \
  --screenshot shot.png >/dev/null) || status=$?
[ "$status" -eq 0 ] || fail "exit code $status"
[ -f "$run/system/log.txt" ] && [ ! -s "$run/system/log.txt" ] || fail "the log is missing or not empty"
[ -s "$run/shot.png" ] || fail "no screenshot"
echo "check_package: $(basename "$package") runs from a scratch directory (exit 0, empty log)"
