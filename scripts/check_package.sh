#!/usr/bin/env bash
# Checks a package made by cpack: the .tar.gz is unpacked into a scratch directory and the
# program run from there (offscreen, for two seconds, then a close request): it must keep
# running, end with exit code 0 and leave an empty log. A .zip (the Windows build) is
# checked for its run directory: the executable beside Textures/ and system/.
#   scripts/check_package.sh build/bumpdemo-1.0.0-Linux.tar.gz
set -euo pipefail
package=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check_package: $package: $*" >&2; exit 1; }

case "$package" in
  *.zip)
    python3 - "$package" <<'PY' || fail "not a run directory"
import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
top = names[0].split("/")[0]
need = [top + "/bumpdemo.exe", top + "/Textures/wall_bump.bmp", top + "/system/"]
missing = [n for n in need if n not in names]
print("\n".join(sorted(names)))
sys.exit(1 if missing else 0)
PY
    ;;
  *.tar.gz)
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
    ;;
  *) fail "neither .tar.gz nor .zip" ;;
esac
