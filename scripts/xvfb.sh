# Sourced by run.sh and the test scripts that need a private X display.
#   start_xvfb DIR [XVFB_ARGUMENTS...]
# Starts Xvfb on a display number it picks itself (-displayfd, through a FIFO in DIR),
# 1024 x 768 x 24, its output in DIR/xvfb.log, and waits until the display accepts a client
# (xdpyinfo, up to 10 s): Xvfb reports its number before every part of it may take
# clients. When it does not, it is stopped and started once more. Sets DISPLAY and
# xvfb_pid; returns 1 with Xvfb's log on standard error when no display came up. The
# caller stops it.
start_xvfb() {
  local dir=$1 attempt number
  shift
  for attempt in 1 2; do
    number=""
    rm -f "$dir/displayfd"
    mkfifo "$dir/displayfd"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "$@" 3>"$dir/displayfd" \
      >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    read -r -t 30 number <"$dir/displayfd" || true
    if [ -n "$number" ]; then
      for _ in $(seq 50); do
        if timeout 5 xdpyinfo -display ":$number" >/dev/null 2>&1; then
          export DISPLAY=":$number"
          return 0
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.2
      done
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    echo "Xvfb did not take a client (attempt $attempt of 2); its log:" >&2
    sed 's/^/  /' "$dir/xvfb.log" >&2
  done
  return 1
}
