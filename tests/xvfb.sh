# Sourced by the test scripts that need a private X display.
#   start_xvfb DIR [XVFB_ARGUMENTS...]
# Starts Xvfb on a display number it picks itself (-displayfd, through a FIFO in DIR),
# 1024 x 768 x 24, its output in DIR/xvfb.log; sets DISPLAY and xvfb_pid. Returns 1 with
# the log on standard error when no display came up within 30 s. The caller stops it.
start_xvfb() {
  local dir=$1 number=""
  shift
  rm -f "$dir/displayfd"
  mkfifo "$dir/displayfd"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "$@" 3>"$dir/displayfd" \
    >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  read -r -t 30 number <"$dir/displayfd" || true
  if [ -z "$number" ]; then
    echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2
    return 1
  fi
  export DISPLAY=":$number"
}
