#!/usr/bin/env bash
# Checks the Linux package made by cpack: unpacked into a scratch directory, the program
# runs from there (offscreen, for two seconds, then a close request). It must keep
# running, end with exit code 0 and leave an empty log.
#   scripts/check_package.sh build/bumpdemo-1.0.0-Linux.tar.gz
set -euo pipefail
package=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check_package: $package: $*" >&2; exit 1; }

tar -xzf "$package" -C "$scratch"
run=$(find "$scratch" -mindepth 1 -maxdepth 1 -type d)
[ -x "$run/bumpdemo" ] || fail "no executable bumpdemo at the top"
[ -f "$run/Textures/wall_bump.bmp" ] || fail "no Textures/wall_bump.bmp"
[ -d "$run/system" ] || fail "no system/ directory"
(cd "$run" && SDL_VIDEODRIVER=offscreen exec ./bumpdemo) &
demo=$!
sleep 2
kill -0 $demo 2>/dev/null || fail "the program ended on its own within 2 s"
kill -TERM $demo
status=0
wait $demo || status=$?
[ "$status" -eq 0 ] || fail "exit code $status after a close request"
[ -f "$run/system/log.txt" ] && [ ! -s "$run/system/log.txt" ] || fail "the log is missing or not empty"
echo "check_package: $(basename "$package") runs from a scratch directory (exit 0, empty log)"
