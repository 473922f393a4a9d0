#!/usr/bin/env bash
# Runs every benchmark and prints its figures: builds into build/, then
#   the frame rate (floor, the program's pass in every model and mode with either renderer,
#     the direct-call reference) on SDL's offscreen driver and in a real window on a
#     private Xvfb display;
#   start-up to the first swap by phase and memory by owner, the program next to a
#     reference making the same first frame by direct calls, and a minimal SDL program;
#   the program's own CPU work per frame, for every model and mode, in instructions
#     (callgrind, GL on no-op slots) and in microseconds, and its share of the frame;
#   the browser build in headless Chromium: its files, the first frame, every model and mode;
#   the tangent generator next to the reference (npm mikktspace, run by node) on spheres and
#     tori of 10,000 to 2,000,000 triangles;
#   the same spheres and tori as .glb files: loading them, both renderers' frames and own CPU
#     work, and the start-up with --model FILE (scaling_bench);
#   an 8192 x 8192 normal map given with --normal-map, part by part (large_map_bench);
#   then plots of time against triangles (bench/plots.py, gnuplot): build/bench/plot-*.png.
# Figures go to build/bench/*.json (machine, frame_rate, startup, cpu_frame, web, tangents,
# scaling, large_map); docs/bench/ holds the copies the README's tables come from. ROUNDS
# and FRAMES set the frame-rate rounds, RUNS the start-up runs; BENCH names the parts to run
# (all of "frames startup cpu tangents scaling large_map web" unless given).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
install_missing_packages $BUMPDEMO_BENCH_PACKAGES
parts=" ${BENCH:-frames startup cpu tangents scaling large_map web} "
wanted() { [[ "$parts" == *" $1 "* ]]; }

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build -j2 --target frame_rate startup_bench cpu_frame bumpdemo startup_reference \
  minimal_sdl startup_probe tangents_bench scaling_bench large_map_bench
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

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')
echo "== machine: $(nproc) CPUs, $cpu"
printf '{\n  "date_utc": "%s",\n  "cpus": %d,\n  "cpu_model": "%s",\n  "kernel": "%s"\n}\n' \
  "$(date -u +%Y-%m-%dT%H:%MZ)" "$(nproc)" "$cpu" "$(uname -r)" >"$out/machine.json"
if wanted frames; then
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
fi
if wanted startup; then
echo
env -u DISPLAY SDL_VIDEODRIVER=offscreen build/tests/startup_bench --demo build/bumpdemo \
  --reference build/tests/startup_reference --minimal build/tests/minimal_sdl \
  --probe build/tests/libstartup_probe.so --assets assets --json "$out/startup.json" \
  --runs "${RUNS:-9}"
fi
if wanted cpu && [ -e "$out/frame_rate_offscreen.json" ]; then
echo
# The program's own CPU work per pass in every model and mode, in instructions under
# callgrind (the measured loop only); its time and share of the frame come from the
# frame-rate runs, which time it next to the real frames.
units=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("texture_units", 8))' \
  "$out/frame_rate_offscreen.json")
passes_cpu=200
for model in wall sphere torus; do
  for mode in diffuse colour specular; do
    flags="--model $model --assets assets --texture-units $units"
    [ "$mode" = diffuse ] || flags="$flags --$mode"
    valgrind --tool=callgrind --toggle-collect=MeasureFrames \
      --callgrind-out-file="$out/callgrind.$model-$mode.out" \
      build/tests/cpu_frame $flags --frames $passes_cpu 2>"$out/callgrind.$model-$mode.log" >/dev/null
  done
done
python3 - "$out" "$passes_cpu" <<'PY'
import json, os, sys
out, passes = sys.argv[1], int(sys.argv[2])
runs = json.load(open(os.path.join(out, "frame_rate.json")))
drivers = [d for d in ("offscreen", "x11") if d in runs]
# The callgrind runs are the stages' pass; the shaders' own work is timed by frame_rate alone.
modes = {d: {(m["model"], m["mode"]): m for m in runs[d]["modes"]
             if m.get("drawn_by", "stages") == "stages"} for d in drivers}
print("CPU work per pass, GL on no-op slots: instructions (callgrind, %d passes); own time" % passes)
print("and share of the frame (median of per-round shares), per driver")
print("  %-7s %-9s %12s" % ("model", "mode", "instructions") +
      "".join(" %10s %10s" % (d + " us", "share") for d in drivers))
rows = []
for model in ("wall", "sphere", "torus"):
    for mode in ("diffuse", "colour", "specular"):
        with open(os.path.join(out, "callgrind.%s-%s.out" % (model, mode))) as f:
            total = next(int(l.split()[1]) for l in f if l.startswith("summary:"))
        row = {"model": model, "mode": mode, "passes": passes, "instructions_per_pass": total // passes}
        line = "  %-7s %-9s %12d" % (model, mode, total // passes)
        for d in drivers:
            m = modes[d][(model, mode)]
            row[d] = {k: m[k] for k in ("own_us_median", "own_share_median", "own_share_min",
                                         "own_share_max", "ms_median")}
            line += " %10.2f %9.2f%%" % (m["own_us_median"], 100 * m["own_share_median"])
        rows.append(row)
        print(line)
with open(os.path.join(out, "cpu_frame.json"), "w") as f:
    json.dump({"texture_units": runs[drivers[0]].get("texture_units"), "modes": rows}, f, indent=2)
PY
fi

# The tangent generator against the reference, pinned in tests/tangents/ (node runs it).
if wanted tangents; then
command -v node >/dev/null || install_missing_packages nodejs
command -v npm >/dev/null || install_missing_packages npm
(cd tests/tangents && npm ci --no-audit --no-fund --loglevel=error)
echo
build/tests/tangents_bench --work build/bench/tangent-meshes --json "$out/tangents.json"
fi

# The same shapes as models: loading, both renderers, the start-up to the first frame.
if wanted scaling; then
echo
env -u DISPLAY SDL_VIDEODRIVER=offscreen build/tests/scaling_bench --work build/bench/meshes \
  --demo build/bumpdemo --probe build/tests/libstartup_probe.so --assets assets \
  --json "$out/scaling.json"
fi

# An 8192 x 8192 normal map, part by part, and the program's start-up with it.
if wanted large_map; then
echo
env -u DISPLAY SDL_VIDEODRIVER=offscreen build/tests/large_map_bench --work build/bench/large-map \
  --demo build/bumpdemo --probe build/tests/libstartup_probe.so --assets assets \
  --json "$out/large_map.json"
fi

# Time against triangles, log-log, from the JSON.
if [ -e "$out/scaling.json" ]; then
  python3 bench/plots.py "$out"
  echo
  echo "plots: $out/plot-*.png"
fi

# The browser build in headless Chromium: the site's size, the first frame, each model and
# mode (BUMPDEMO_WEB=0 leaves it out).
if wanted web && [ "${BUMPDEMO_WEB:-1}" != 0 ]; then
  install_missing_packages $BUMPDEMO_WEB_BUILD_PACKAGES $BUMPDEMO_WEB_VIEW_PACKAGES
  scripts/build_web.sh >/dev/null
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  echo
  node tests/web/bench.mjs build-web/site "$out/web.json" "${RUNS:-9}"
fi
