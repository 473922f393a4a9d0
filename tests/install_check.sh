#!/usr/bin/env bash
# The installed program as another user meets it: the build is installed (as root) into a
# temporary prefix, then user nobody, with a home of its own, starts PREFIX/bin/bumpdemo
# from a directory of its own (offscreen). Each case checks the exit code, where the
# screenshot and the log went, what the run directory holds and that nothing was written
# in the prefix.
#   install_check.sh BUILD_DIR
set -uo pipefail
build=$(realpath "$1")
[ "$(id -u)" = 0 ] || { echo "SKIP: installing as root and running as nobody needs root"; exit 77; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/bumpdemo-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; echo "FAIL: cmake --install"; exit 1; }
listing() { find "$prefix" -printf '%p %s %T@ %m\n' | sort; }
listing >"$scratch/prefix.before"

. "$(dirname "$0")/../scripts/xvfb.sh"

failures=0
problem() {
  echo "FAIL: $case_name: $*"
  sed 's/^/  stderr: /' "$scratch/stderr"
  failures=$((failures + 1))
}

# A fresh home and working directory for nobody; the maps of the working directory's
# maps/ are copies of the shipped ones.
fresh() {
  rm -rf "$scratch/home" "$scratch/work" "$scratch/data"
  mkdir -p "$scratch/home" "$scratch/work/maps" "$scratch/data"
  cp "$prefix/share/bumpdemo/Textures/wall_bump.bmp" "$scratch/work/maps/my map.bmp"
  chown -R nobody:nogroup "$scratch/home" "$scratch/work" "$scratch/data"
  home_run=$scratch/home/.local/share/bumpdemo
}

# as_nobody [VAR=VALUE...] -- ARGUMENTS...: the installed launcher as nobody, in the work
# directory; standard error in $scratch/stderr, the exit code in $code.
as_nobody() {
  local env=()
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  (cd "$scratch/work" && env -i PATH=/usr/bin:/bin HOME="$scratch/home" SDL_VIDEODRIVER=offscreen \
    "${env[@]}" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    timeout 60 "$prefix/bin/bumpdemo" "$@") >/dev/null 2>"$scratch/stderr"
  code=$?
}

png() { [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ]; }

# A run's common outcome: exit 0, the PNG, an empty log in RUN and nothing in the prefix.
expect_good_run() {
  local shot=$1 run=$2
  [ "$code" = 0 ] || problem "exit code $code"
  png "$shot" || problem "no PNG $shot"
  [ -f "$run/system/log.txt" ] && [ ! -s "$run/system/log.txt" ] || problem "no empty log in $run/system"
  listing | cmp -s - "$scratch/prefix.before" || problem "something was written in the prefix"
}

case_name="screenshot in the working directory, log in the home's run directory"
fresh
as_nobody -- --frames 2 --screenshot out.png
expect_good_run "$scratch/work/out.png" "$home_run"
[ "$(readlink "$home_run/Textures/wall_bump.bmp")" = "$prefix/share/bumpdemo/Textures/wall_bump.bmp" ] ||
  problem "Textures/wall_bump.bmp is not a link to the installed map"

case_name="relative paths, as separate arguments and after ="
fresh
mkdir "$scratch/work/shots" && chown nobody:nogroup "$scratch/work/shots"
as_nobody -- --normal-map "maps/my map.bmp" --frames 2 --screenshot=shots/out.png
expect_good_run "$scratch/work/shots/out.png" "$home_run"
as_nobody -- "--normal-map=maps/my map.bmp" --frames 2 --screenshot shots/out2.png
expect_good_run "$scratch/work/shots/out2.png" "$home_run"

case_name="height and colour maps named relative to the working directory"
fresh
cp "$prefix/share/bumpdemo/Textures/wall_colour.bmp" "$scratch/work/maps/colour.bmp"
as_nobody -- --height-map "maps/my map.bmp" --colour --colour-map=maps/colour.bmp --frames 2 \
  --screenshot out.png
expect_good_run "$scratch/work/out.png" "$home_run"
as_nobody -- --colour-map maps/none.bmp --frames 2
[ "$code" = 1 ] && grep -q 'maps/none.bmp' "$scratch/stderr" ||
  problem "a colour map that cannot be read: exit $code"

case_name="F12 saves in the working directory (a real window, a real key)"
fresh
if start_xvfb "$scratch" -ac; then
  (cd "$scratch/work" && env -i PATH=/usr/bin:/bin HOME="$scratch/home" DISPLAY="$DISPLAY" \
    SDL_VIDEODRIVER=x11 setpriv --reuid=nobody --regid=nogroup --clear-groups \
    timeout 60 "$prefix/bin/bumpdemo") >"$scratch/stdout" 2>"$scratch/stderr" &
  demo=$!
  for _ in $(seq 100); do window=$(xdotool search --name '^OpenGL$' 2>/dev/null | tail -n 1)
    [ -n "$window" ] && break; sleep 0.1; done
  shot=$scratch/work/screenshots/bumpdemo-0001.png
  for _ in $(seq 50); do
    [ -f "$shot" ] && break
    window=$(xdotool search --name '^OpenGL$' 2>/dev/null | tail -n 1)
    [ -n "$window" ] && xdotool windowfocus --sync "$window" key F12 2>/dev/null
    sleep 0.2
  done
  sleep 0.5
  [ -n "$window" ] && xdotool windowfocus --sync "$window" key Escape 2>/dev/null
  wait $demo
  code=$?
  kill "$xvfb_pid" 2>/dev/null
  [ "$code" = 0 ] || problem "exit code $code"
  png "$shot" || problem "no $shot"
  [ ! -e "$home_run/screenshots" ] || problem "a screenshot went to the run directory"
else
  problem "no X display for the F12 case"
fi

case_name="a map of the user's own is kept, a stale link is pointed at the install"
fresh
mkdir -p "$home_run/Textures" "$home_run/system"
cp "$prefix/share/bumpdemo/Textures/wall_colour.bmp" "$home_run/Textures/wall_bump.bmp"
ln -s /nonexistent/wall_colour.bmp "$home_run/Textures/wall_colour.bmp"
chown -R nobody:nogroup "$scratch/home"
as_nobody -- --frames 2 --screenshot out.png
expect_good_run "$scratch/work/out.png" "$home_run"
[ ! -L "$home_run/Textures/wall_bump.bmp" ] &&
  cmp -s "$home_run/Textures/wall_bump.bmp" "$prefix/share/bumpdemo/Textures/wall_colour.bmp" ||
  problem "the user's own Textures/wall_bump.bmp was replaced"
grep -q "wall_bump.bmp is a file of your own" "$scratch/stderr" || problem "no note about the user's own map"
[ "$(readlink "$home_run/Textures/wall_colour.bmp")" = "$prefix/share/bumpdemo/Textures/wall_colour.bmp" ] ||
  problem "the stale link was not pointed at the installed map"

case_name="XDG_DATA_HOME holds the run directory"
fresh
as_nobody XDG_DATA_HOME="$scratch/data" -- --frames 2 --screenshot out.png
expect_good_run "$scratch/work/out.png" "$scratch/data/bumpdemo"
[ ! -e "$home_run" ] || problem "a run directory was made in the home as well"

case_name="no home and no XDG_DATA_HOME"
fresh
as_nobody HOME= -- --frames 2 --screenshot out.png
[ "$code" = 1 ] && grep -q "neither HOME nor XDG_DATA_HOME" "$scratch/stderr" ||
  problem "exit $code without the reason"

[ "$failures" = 0 ] || exit 1
echo "install_check: the installed program runs for user nobody from its own directory"
