#!/usr/bin/env bash
# Checks the Linux package made by cpack as a user meets it, unpacked into a scratch
# directory: the launcher bin/bumpdemo, the stripped program lib/bumpdemo/bumpdemo, the
# normal-map tool bin/make_normal_map and checker bin/bumpcheck, the maps under
# share/bumpdemo/Textures, and the
# README (with the docs it links to) and licence notes under share/doc/bumpdemo. Started
# from another directory (offscreen, ten frames at a frozen clock, then a screenshot), the
# program must end with exit code 0, leave an empty log in its run directory (kept in the
# scratch directory, not the user's own) and save the picture where it was started; the
# tool's brick wall must be the shipped map, byte for byte, and the program must read it;
# bumpcheck must find the shipped map clean (exit 0) and the colour map not (exit 3).
#   scripts/check_package.sh build/bumpdemo-1.0.0-Linux.tar.gz
set -euo pipefail
package=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check_package: $package: $*" >&2; exit 1; }

mkdir "$scratch/unpacked" "$scratch/work"
tar -xzf "$package" -C "$scratch/unpacked"
top=$(find "$scratch/unpacked" -mindepth 1 -maxdepth 1 -type d)
[ "$(wc -l <<<"$top")" = 1 ] || fail "not one top directory: $top"
for file in bin/bumpdemo lib/bumpdemo/bumpdemo bin/make_normal_map bin/bumpcheck; do
  [ -x "$top/$file" ] || fail "no executable $file"
done
for file in share/bumpdemo/Textures/wall_bump.bmp share/bumpdemo/Textures/wall_colour.bmp \
  share/doc/bumpdemo/README.md share/doc/bumpdemo/LICENSE share/doc/bumpdemo/NOTICES.md \
  share/doc/bumpdemo/docs/screenshot.png; do
  [ -s "$top/$file" ] || fail "no $file"
done
# The README's links to docs/ lead somewhere in the package too.
for link in $(grep -o '](docs/[^)#]*' "$top/share/doc/bumpdemo/README.md" | sed 's/^](//' | sort -u); do
  [ -e "$top/share/doc/bumpdemo/$link" ] || fail "the README links to $link, which is not in the package"
done
# Stripped: no symbol table and no debugging sections left.
for file in lib/bumpdemo/bumpdemo bin/make_normal_map bin/bumpcheck; do
  sections=$(readelf -S -W "$top/$file") || fail "$file is not an ELF file"
  ! grep -qE ' \.(symtab|debug_[a-z_]*) ' <<<"$sections" || fail "$file is not stripped"
done

data=$scratch/data
run=$data/bumpdemo
status=0
(cd "$scratch/work" && XDG_DATA_HOME=$data SDL_VIDEODRIVER=offscreen timeout 60 \
  "$top/bin/bumpdemo" --time 1000 --frames 10 --screenshot shot.png >/dev/null) || status=$?
[ "$status" -eq 0 ] || fail "exit code $status"
[ -f "$run/system/log.txt" ] && [ ! -s "$run/system/log.txt" ] ||
  fail "the log $run/system/log.txt is missing or not empty"
[ -s "$scratch/work/shot.png" ] || fail "no screenshot in the directory it was started from"

(cd "$scratch/work" && "$top/bin/make_normal_map" wall.bmp >/dev/null) || fail "make_normal_map failed"
cmp -s "$scratch/work/wall.bmp" "$top/share/bumpdemo/Textures/wall_bump.bmp" ||
  fail "make_normal_map's brick wall is not the shipped map"
(cd "$scratch/work" && XDG_DATA_HOME=$data SDL_VIDEODRIVER=offscreen timeout 60 \
  "$top/bin/bumpdemo" --time 1000 --frames 2 --normal-map wall.bmp --screenshot own.png \
  >/dev/null) || fail "the program did not read the tool's map (exit $?)"
[ -s "$scratch/work/own.png" ] || fail "no screenshot with the tool's map"
"$top/bin/bumpcheck" "$top/share/bumpdemo/Textures/wall_bump.bmp" >/dev/null ||
  fail "bumpcheck did not find the shipped map clean (exit $?)"
status=0
"$top/bin/bumpcheck" "$top/share/bumpdemo/Textures/wall_colour.bmp" >/dev/null || status=$?
[ "$status" -eq 3 ] || fail "bumpcheck on the colour map: exit $status, not 3"
echo "check_package: $(basename "$package") runs from a scratch directory (exit 0, empty log," \
  "stripped, README and licence notes)"
