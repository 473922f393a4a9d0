#!/usr/bin/env bash
# Which GL drivers reach an X window on Xvfb, shown by the smallest GLX program
# (tools/glx_clear.c): each row names the environment, the exit status it must give and why.
# Rows 4 and 5 are zink over lavapipe the ways that do not work without a GPU, kept so that a Mesa
# that mends them shows up (the test then fails and the rows move to "works"):
#   GALLIUM_DRIVER=zink alone: zink takes a CPU Vulkan device only when software
#     rendering is asked for, so it finds no device; GLX's software screen fails ("glx:
#     failed to create drisw screen") and GLX falls back to an indirect context, which
#     Xvfb refuses (indirect GLX is off by default): BadValue on the context request. A
#     program using Xlib's default error handler ends there with status 1.
#   LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=zink: a context, and zink draws, but through the
#     plain software path its swap reaches no window: the window stays black.
# The working way for zink is the loader's zink override with software rendering: GLX
# then presents through zink's own Vulkan swapchain (kopper).
#   present_paths.sh GLX_CLEAR
set -uo pipefail
probe=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/bumpdemo-present.XXXXXX")
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
. "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb "$scratch" || { echo "FAIL: no X display"; exit 1; }
export XDG_RUNTIME_DIR=$scratch
unset LIBGL_ALWAYS_SOFTWARE GALLIUM_DRIVER MESA_LOADER_DRIVER_OVERRIDE

failed=0
# row EXPECTED WHAT ENV...: with EXPECTED "-", the row is shown and not held to a status.
row() {
  local expected=$1 what=$2
  shift 2
  local output status
  output=$(env "$@" "$probe" 2>&1)
  status=$?
  printf '%-62s exit %d (expected %s: %s)\n' "$*" "$status" "$expected" "$what"
  sed 's/^/    /' <<<"$output"
  [ "$expected" = - ] || [ "$status" -eq "$expected" ] || failed=1
}
row 0 "works" LIBGL_ALWAYS_SOFTWARE=0
row 0 "works" LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe
if ls /usr/share/vulkan/icd.d/lvp_icd.*.json >/dev/null 2>&1; then
  row 0 "works" LIBGL_ALWAYS_SOFTWARE=1 MESA_LOADER_DRIVER_OVERRIDE=zink
  # The two failures are lavapipe's: where there is a GPU (a render node), zink may find
  # its device and present through it, and the rows are only shown.
  if ls /dev/dri/renderD* >/dev/null 2>&1; then no_context=- black=-; else no_context=2 black=3; fi
  row "$no_context" "no device, no context" GALLIUM_DRIVER=zink
  row "$black" "draws, never presents" LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=zink
else
  echo "no lavapipe Vulkan driver (Debian mesa-vulkan-drivers): the zink rows are left out"
fi
exit $failed
