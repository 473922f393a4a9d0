#!/usr/bin/env bash
# Runs the real program under valgrind's memcheck on SDL's offscreen driver in a scratch
# copy of the assets: waits (up to 120 s) for its first frame, lets it run SECONDS more,
# then asks it to close (SIGTERM). Fails on any memcheck error or definitely-lost block
# that the suppressions (GL driver and SDL only) do not cover, when no frame was drawn, and
# when the program does not end with status 0. FRAME_MARKER is the library built from
# frame_marker.c.
#   memcheck.sh BUMPDEMO ASSETS_DIR SUPPRESSIONS SECONDS FRAME_MARKER
set -euo pipefail
exe=$(realpath "$1") assets=$(realpath "$2") supp=$(realpath "$3") seconds=${4:-8}
marker=$(realpath "$5")
run=$(mktemp -d /tmp/bumpdemo-memcheck-XXXXXX)
trap 'rm -rf "$run"' EXIT
cp -r "$assets/." "$run/"
cd "$run"
# llvmpipe on one thread: fewer threads for valgrind to serialise, same code paths.
env -u DISPLAY SDL_VIDEODRIVER=offscreen LP_NUM_THREADS=0 LD_PRELOAD="$marker" \
  FRAME_MARKER_OUT="$run/frames.txt" \
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=definite \
  --errors-for-leak-kinds=definite --track-origins=no --num-callers=30 \
  --suppressions="$supp" --log-file="$run/memcheck.txt" "$exe" &
pid=$!
# Start-up under valgrind (llvmpipe compiling its shaders) takes a while.
for _ in $(seq 240); do [ -s "$run/frames.txt" ] || ! kill -0 $pid 2>/dev/null && break; sleep 0.5; done
sleep "$seconds"
kill -TERM $pid 2>/dev/null || true
status=0
for _ in $(seq 120); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done
kill -KILL $pid 2>/dev/null || true
wait $pid || status=$?
cat "$run/memcheck.txt"
if [ -s "$run/system/log.txt" ]; then
  echo "memcheck.sh: the log is not empty:" && cat "$run/system/log.txt"
  status=98
fi
frames=$(cat "$run/frames.txt" 2>/dev/null || true)
echo "memcheck.sh: frames drawn ${frames:-0}"
[ "${frames:-0}" -gt 0 ] || status=97
echo "memcheck.sh: exit status $status"
exit $status
