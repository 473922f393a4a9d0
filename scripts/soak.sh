#!/usr/bin/env bash
# Runs the program headless (SDL's offscreen driver, no display) for MINUTES (default 10)
# in a scratch copy of assets/, then ends it with SIGTERM (a close request). Reports the
# resident memory a few seconds after start and at the end, the frames drawn (counted by
# the swap probe preloaded into the program), the log's line count, which must be 0, and
# the exit status, which must be 0. Exits non-zero when either is not.
#   scripts/soak.sh 10 [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
build=${2:-build}
exe=$PWD/$build/bumpdemo
probe=$PWD/$build/tests/libswap_probe.so
if [ ! -x "$exe" ]; then
  echo "soak.sh: $exe not built" >&2
  exit 2
fi
run=$(mktemp -d /tmp/bumpdemo-soak-XXXXXX)
trap 'rm -rf "$run"' EXIT
cp -r assets/. "$run/"
rm -f "$run/system/log.txt"
if [ ! -f "$probe" ]; then  # no build of the tests: make the probe here
  cc -shared -fPIC -O2 -o "$run/libswap_probe.so" tests/e2e/swap_probe.c -ldl
  probe=$run/libswap_probe.so
fi

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo "?"; }

(cd "$run" && exec env -u DISPLAY SDL_VIDEODRIVER=offscreen LD_PRELOAD="$probe" \
  SWAP_PROBE_OUT="$run/swaps.txt" "$exe") &
pid=$!
sleep 5
start_rss=$(rss $pid)
start_time=$(date +%s)
end_time=$((start_time + minutes * 60 - 5))
while [ "$(date +%s)" -lt "$end_time" ] && kill -0 $pid 2>/dev/null; do sleep 5; done
end_rss=$(rss $pid)
kill -TERM $pid 2>/dev/null || true
status=0
# Bounded wait for the close request to end it; SIGKILL after 30 s.
for _ in $(seq 60); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done
kill -KILL $pid 2>/dev/null || true
wait $pid || status=$?

frames=$(awk '{ print $1 }' "$run/swaps.txt" 2>/dev/null || echo "?")
lines=$( [ -f "$run/system/log.txt" ] && wc -l < "$run/system/log.txt" || echo "no log")
seconds=$(($(date +%s) - start_time + 5))
echo "soak: ${seconds} s, RSS start ${start_rss} kB, end ${end_rss} kB, frames ${frames}," \
  "log lines ${lines}, exit status ${status}"
[ "$status" = 0 ] && [ "$lines" = 0 ]
