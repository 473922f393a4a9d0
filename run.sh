#!/usr/bin/env bash
# Sets everything up and runs the demo: installs missing packages, builds into build/,
# and runs bumpdemo from its run directory (assets/). Without a display it runs on a
# virtual X display for a few seconds, saves build/screenshot.png, presses Escape and
# prints the exit code.
#   ./run.sh --web  builds the browser version (scripts/build_web.sh) and serves it on
#                   127.0.0.1 until Ctrl+C; without a display it opens the page once in
#                   headless Chromium, saves build-web/screenshot.png and stops.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

if [ "${1:-}" = --web ]; then
  scripts/build_web.sh
  [ -n "${DISPLAY:-}" ] || install_missing_packages $BUMPDEMO_WEB_VIEW_PACKAGES
  # Port 0: the server takes a free port and says which on its first line.
  log=build-web/http.log
  python3 -u -m http.server 0 --bind 127.0.0.1 --directory build-web/site >"$log" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null || true' EXIT
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^Serving HTTP on .* port \([0-9]*\).*/\1/p' "$log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "run.sh: the web server did not start:" >&2; cat "$log" >&2; exit 1; }
  url=http://127.0.0.1:$port/
  if [ -n "${DISPLAY:-}" ]; then
    echo "The demo is served at $url: open it in a browser (Ctrl+C stops the server)."
    wait $server
    exit 0
  fi
  echo "The demo is served at $url; no display: opening it once in headless Chromium."
  profile=$(mktemp -d)
  # Five seconds of the page's time, then the picture of the window.
  timeout 120 chromium --headless=new --no-sandbox --enable-unsafe-swiftshader \
    --use-angle=swiftshader --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --window-size=700,1000 \
    --virtual-time-budget=5000 --screenshot="$PWD/build-web/screenshot.png" "$url" \
    >build-web/chromium.log 2>&1 || { echo "run.sh: Chromium failed:" >&2; tail -n 5 build-web/chromium.log >&2; }
  rm -rf "$profile"
  [ -f build-web/screenshot.png ] && echo "Screenshot: build-web/screenshot.png"
  exit 0
fi
install_missing_packages $BUMPDEMO_RUN_PACKAGES

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target bumpdemo

cd assets
if [ -n "${DISPLAY:-}" ]; then
  exec ../build/bumpdemo
fi

# A virtual X server of its own, on a display number it picks, which is used only once it
# takes a client (tried twice; its log is printed when it fails).
. ../scripts/xvfb.sh
scratch=$(mktemp -d)
trap 'kill ${xvfb_pid:-} 2>/dev/null || true; rm -rf "$scratch"' EXIT
if ! start_xvfb "$scratch"; then
  cp "$scratch/xvfb.log" ../build/xvfb.log 2>/dev/null || true
  echo "run.sh: no display is set and a virtual X server (Xvfb) could not be started" >&2
  echo "run.sh: (its log is above and in build/xvfb.log). Set DISPLAY to run on your own display." >&2
  exit 1
fi
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
if [ "$status" != 0 ]; then
  echo "Xvfb's log:" >&2
  sed 's/^/  /' "$scratch/xvfb.log" >&2
fi
exit "$status"
