#!/usr/bin/env bash
# Runs every benchmark and prints its figures: builds into build/, then
#   the frame rate (floor, the program's pass, the direct-call reference) on SDL's
#     offscreen driver and in a real window on a private Xvfb display;
#   start-up to the first swap and peak memory, the program next to a minimal SDL one;
#   the program's own CPU work per frame in instructions (callgrind, GL on no-op slots).
# Figures go to build/bench/*.json. ROUNDS and FRAMES set the frame-rate rounds.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
install_missing_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build -j2 --target frame_rate startup_bench cpu_frame bumpdemo minimal_sdl swap_probe
out=build/bench
mkdir -p "$out"
rounds=${ROUNDS:-21}
frames=${FRAMES:-100}

# A private X server on the first free display number from 90.
xvfb_pid=""
cleanup() { [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
display=""
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  if [ -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  kill "$xvfb_pid" 2>/dev/null || true; xvfb_pid=""
done

echo "== machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
env -u DISPLAY SDL_VIDEODRIVER=offscreen build/tests/frame_rate --assets assets \
  --json "$out/frame_rate_offscreen.json" --rounds "$rounds" --frames "$frames"
echo
if [ -n "$display" ]; then
  DISPLAY=$display SDL_VIDEODRIVER=x11 build/tests/frame_rate --assets assets \
    --json "$out/frame_rate_x11.json" --rounds "$rounds" --frames "$frames"
else
  echo "no Xvfb display could be started: the x11 case is left out"
fi
python3 - "$out" <<'PY'
import json, os, sys
out = sys.argv[1]
runs = {}
for driver in ("offscreen", "x11"):
    path = os.path.join(out, "frame_rate_%s.json" % driver)
    if os.path.exists(path):
        with open(path) as f:
            runs[driver] = json.load(f)
with open(os.path.join(out, "frame_rate.json"), "w") as f:
    json.dump(runs, f, indent=2)
PY
echo
env -u DISPLAY SDL_VIDEODRIVER=offscreen build/tests/startup_bench --demo build/bumpdemo \
  --minimal build/tests/minimal_sdl --probe build/tests/libswap_probe.so --assets assets \
  --json "$out/startup.json" --runs "${RUNS:-9}"
echo
frames_cpu=2000
valgrind --tool=callgrind --toggle-collect=MeasureFrames \
  --callgrind-out-file="$out/callgrind.cpu_frame.out" \
  build/tests/cpu_frame --frames $frames_cpu 2>"$out/callgrind.log" >/dev/null
instructions=$(sed -n 's/^summary: //p' "$out/callgrind.cpu_frame.out")
echo "CPU work per pass (callgrind, GL on no-op slots): $((instructions / frames_cpu)) instructions" \
  "($instructions over $frames_cpu passes)"
printf '{\n  "passes": %d,\n  "instructions": %d,\n  "instructions_per_pass": %d\n}\n' \
  "$frames_cpu" "$instructions" "$((instructions / frames_cpu))" >"$out/cpu_frame.json"
build/tests/cpu_frame --frames 100000
