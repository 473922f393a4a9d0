#!/usr/bin/env bash
# Captures the picture matrix on one GL implementation: every case of tests/golden/cases.txt
# run by the real executable with its clock frozen, one frame, saved with --screenshot
# (read back from the frame the program drew). On an X display it also saves what the X
# server shows in the program's window after some frames of the first case
# (presented-CASE.png), so that a driver that draws but never presents is caught.
#   capture.sh IMPL EXE ASSETS_DIR OUT_DIR [WINE_PREFIX_FILE]
# IMPL:
#   llvmpipe-offscreen  Mesa's llvmpipe through SDL's offscreen driver (EGL, no display)
#   llvmpipe-x11        llvmpipe in a window on a private Xvfb
#   softpipe            Mesa's softpipe in a window on Xvfb
#   zink                zink over lavapipe (Vulkan on the CPU) in a window on Xvfb, with
#                       zink's own present path (kopper), see below
#   wine32, wine64      the Windows build (EXE is bumpdemo.exe) under Wine on Xvfb
#   webgl2-chromium     the browser build in headless Chromium (WebGL 2 through SwiftShader):
#                       EXE is the site's folder, the options go in as query parameters
# IMPL+shaders, IMPL+core, IMPL+es: the same implementation drawing with the shaders
# renderer, in a compatibility context, an OpenGL 3.3 core or an OpenGL ES 3.0 context.
# Exit status 77: the implementation cannot run on this machine (the reason is printed).
# With GLX_CLEAR naming the GLX check (tools/glx_clear.c), a row on an X display first
# asks it, in the same environment, which renderer the GL is, and fails when it is not
# the one the row is for (a driver that fell back to another one).
set -uo pipefail
impl=$1
exe=$(realpath "$2")
assets=$(realpath "$3")
out=$(realpath -m "$4")
prefix_file=${5:-}
variant=""
case "$impl" in *+*) variant=${impl#*+} impl=${impl%%+*} ;; esac
case "$variant" in
  "") renderer_options="" ;;
  shaders) renderer_options="--renderer shaders" ;;
  core | es) renderer_options="--context $variant" ;;
  *) echo "FAIL: unknown renderer variant $variant" >&2; exit 1 ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
cases=$here/../golden/cases.txt
. "$here/../../scripts/xvfb.sh"

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ "$impl" = webgl2-chromium ]; then
  [ -x "${BUMPDEMO_CHROMIUM:-/usr/bin/chromium}" ] || skip "no Chromium (apt-get install chromium)"
  [ -d "$here/../web/node_modules/playwright-core" ] || skip "no Playwright (npm ci in tests/web)"
  exec node "$here/../web/capture.mjs" "$exe" "$out" "$cases"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/bumpdemo-matrix.XXXXXX")
xvfb_pid=""
demo=""
wine_used=0
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null
  if [ "$wine_used" = 1 ]; then
    timeout 30 wineserver -k 2>/dev/null
    timeout 30 wineserver -w 2>/dev/null
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

start_x() {
  start_xvfb "$scratch" || fail "no X display"
  export SDL_VIDEODRIVER=x11
}

unset LIBGL_ALWAYS_SOFTWARE GALLIUM_DRIVER MESA_LOADER_DRIVER_OVERRIDE
run=("$exe")
case "$impl" in
  # Software rendering asked for, so that a machine's GPU does not take llvmpipe's place.
  llvmpipe-offscreen)
    unset DISPLAY
    export SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1
    ;;
  llvmpipe-x11)
    export LIBGL_ALWAYS_SOFTWARE=1
    start_x
    ;;
  softpipe)
    export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe
    start_x
    ;;
  zink)
    ls /usr/share/vulkan/icd.d/lvp_icd.*.json >/dev/null 2>&1 ||
      skip "no lavapipe Vulkan driver (Debian mesa-vulkan-drivers)"
    # zink takes a CPU Vulkan device (lavapipe) only when software rendering is asked for,
    # and only the loader's zink override gives GLX zink's own swapchain present (kopper);
    # through the plain software path zink draws but nothing reaches the window.
    export LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink
    export XDG_RUNTIME_DIR=$scratch  # the Vulkan X11 surface wants one
    start_x
    ;;
  wine32 | wine64)
    . "$here/../wine/wine_env.sh"
    [ "$impl" = wine32 ] && [ -n "$WINE32_MISSING" ] && skip "$WINE32_MISSING"
    [ -f "$prefix_file" ] || fail "no Wine prefix: the setup test has not run"
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    WINEPREFIX=$(cat "$prefix_file")
    wine_used=1
    run=("$WINE" "$exe")
    start_x
    ;;
  *) fail "unknown implementation $impl" ;;
esac
[ -f "$exe" ] || fail "no executable $exe"

if [ -n "$xvfb_pid" ] && [ -x "${GLX_CLEAR:-}" ]; then
  renderer=$("$GLX_CLEAR" 2>/dev/null | sed -n 's/^renderer: //p')
  echo "$impl: GL renderer \"$renderer\""
  case "$impl" in
    llvmpipe-x11) expected=llvmpipe ;;
    softpipe) expected=softpipe ;;
    zink) expected=zink ;;
    *) expected="" ;;  # Wine: whatever the host's GL is
  esac
  case "$renderer" in
    "$expected"*) ;;
    *) fail "the renderer is \"$renderer\", not $expected" ;;
  esac
fi

mkdir -p "$out" "$scratch/run"
cp -r "$assets"/. "$scratch/run/"
cd "$scratch/run" || fail "no run directory"
count=0
while read -r name options; do
  case "$name" in '' | '#'*) continue ;; esac
  # shellcheck disable=SC2086  # the options are words
  if ! timeout 120 "${run[@]}" $options $renderer_options --frames 1 --screenshot "$name.png" \
    >"$scratch/stdout" 2>"$scratch/stderr"; then
    fail "$name: the program failed: $(cat "$scratch/stdout" "$scratch/stderr")"
  fi
  mv "$name.png" "$out/$name.png" || fail "$name: no picture"
  # Each start empties the log: it is read after every case.
  [ -s system/log.txt ] && fail "$name: the log is not empty: $(head -c 2000 system/log.txt)"
  count=$((count + 1))
done <"$cases"
echo "$impl: $count captures in $out"

# What the window shows: the first case running freely for a while, its window grabbed
# from the X server.
if [ -n "$xvfb_pid" ]; then
  read -r name options < <(grep -v '^#' "$cases" | head -n 1)
  # shellcheck disable=SC2086
  "${run[@]}" $options $renderer_options >/dev/null 2>&1 &
  demo=$!
  id=""
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"OpenGL\" appeared in a minute"
  # Under Wine the client area is an X child window inside the frame Wine draws.
  client=$(xwininfo -tree -id "$id" 2>/dev/null | awk '/ 640x480\+/ { print $1; exit }')
  [ -n "$client" ] && id=$client
  # Grabbed once it shows something (at most ten seconds), then once more a second later,
  # when the frozen clock's frame has been drawn more than once.
  shot="$out/presented-$name.png"
  for _ in $(seq 20); do
    sleep 0.5
    import -window "$id" "$shot" 2>"$scratch/import.log" ||
      fail "could not grab the window: $(cat "$scratch/import.log")"
    [ "$(convert "$shot" -format '%[fx:maxima]' info:)" != 0 ] && break
  done
  sleep 1
  import -window "$id" "$shot" 2>"$scratch/import.log" ||
    fail "could not grab the window: $(cat "$scratch/import.log")"
  kill "$demo" 2>/dev/null
  wait "$demo" 2>/dev/null
  demo=""
  echo "$impl: the window's picture in $out/presented-$name.png"
fi
exit 0
