#!/usr/bin/env bash
# Sets everything up and runs the demo: installs missing packages, builds into build/,
# and runs bumpdemo from its run directory (assets/). Without a display it runs on a
# virtual X display for a few seconds, saves build/screenshot.png, presses Escape and
# prints the exit code.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
install_missing_packages $BUMPDEMO_RUN_PACKAGES

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target bumpdemo

cd assets
if [ -n "${DISPLAY:-}" ]; then
  exec ../build/bumpdemo
fi

# Xvfb picks a free display number and writes it to the descriptor named by -displayfd
# once it accepts connections, so the demo never starts before its server is ready.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >../build/xvfb.log 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
number=""
read -r -t 20 number <"$fifo" || true
if [ -z "$number" ] || ! kill -0 $xvfb 2>/dev/null; then
  echo "run.sh: no display is set and a virtual X server (Xvfb) could not be started;" >&2
  echo "run.sh: its output is in build/xvfb.log. Set DISPLAY to run on your own display." >&2
  tail -n 5 ../build/xvfb.log >&2 || true
  exit 1
fi
display=:$number
export DISPLAY=$display
SDL_VIDEODRIVER=x11 ../build/bumpdemo &
demo=$!
find_window() { xdotool search --name '^OpenGL$' 2>/dev/null | tail -n 1; }
for _ in $(seq 100); do [ -n "$(find_window)" ] && break; sleep 0.1; done
sleep 3
# SDL may replace the X window while it sets up GL: look it up again now.
window=$(find_window)
if [ -n "$window" ]; then
  import -window "$window" ../build/screenshot.png && echo "Screenshot: build/screenshot.png"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape || true
fi
status=0
wait $demo || status=$?
echo "bumpdemo exit code: $status"
