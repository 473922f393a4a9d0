#!/bin/sh
# bumpdemo, as installed (PREFIX/bin/bumpdemo): starts the program, PREFIX/lib/bumpdemo/
# bumpdemo, in the user's own run directory, since the program reads Textures/ and writes
# system/log.txt (and its screenshots) where it is started, and the install directory is
# not the user's to write. The run directory is ${XDG_DATA_HOME:-$HOME/.local/share}/bumpdemo:
# made when missing, with an empty system/ and in Textures/ a link to each map of
# PREFIX/share/bumpdemo/Textures. A link is the launcher's own and is pointed at this
# install's map every time (an upgrade, a moved prefix); a file there that is not a link
# is the user's and is left as it is. Every relative path given to an option that names a
# file is made absolute first, so that it means the user's directory; F12 saves there too.
set -eu

self=$(readlink -f "$0")
prefix=$(dirname "$(dirname "$self")")
program=$prefix/lib/bumpdemo/bumpdemo
maps=$prefix/share/bumpdemo/Textures

# XDG_DATA_HOME counts only when absolute, as the XDG base directory rules say.
case ${XDG_DATA_HOME:-} in
  /*) data=$XDG_DATA_HOME ;;
  *)
    if [ -z "${HOME:-}" ]; then
      echo "bumpdemo: neither HOME nor XDG_DATA_HOME is set: no place for the run directory" >&2
      exit 1
    fi
    data=$HOME/.local/share
    ;;
esac
run=$data/bumpdemo

mkdir -p "$run/Textures" "$run/system" || {
  echo "bumpdemo: cannot make the run directory $run" >&2
  exit 1
}
for map in "$maps"/*.bmp; do
  [ -f "$map" ] || continue
  here=$run/Textures/$(basename "$map")
  if [ -L "$here" ] || [ ! -e "$here" ]; then
    ln -sfn "$map" "$here"
  else
    echo "bumpdemo: $here is a file of your own, read in place of the installed map" \
      "(remove it to use the installed one again)" >&2
  fi
done

# The path as the user meant it: relative to the directory the launcher was started in.
absolute() {
  case $1 in
    /* | "") printf '%s' "$1" ;;
    *) printf '%s/%s' "$PWD" "$1" ;;
  esac
}

# Whether an option names a file (or a folder): its value then means a path in the
# directory the user started in. --model names a file unless it is a built-in model.
names_a_file() {
  case $1 in
    --normal-map | --colour-map | --height-map | --screenshot | --screenshot-dir) return 0 ;;
    --model) case $2 in wall | sphere | torus) return 1 ;; *) return 0 ;; esac ;;
    *) return 1 ;;
  esac
}

# The arguments again, in their order, each file name made absolute; the value is the next
# argument unless that is an option, as the program reads it. F12's pictures go to
# screenshots/ where the user started it (an option given by the user comes later and wins).
count=$#
set -- "$@" --screenshot-dir "$(absolute screenshots)"
while [ "$count" -gt 0 ]; do
  arg=$1
  shift
  count=$((count - 1))
  case $arg in
    --*=*)
      if names_a_file "${arg%%=*}" "${arg#*=}"; then
        set -- "$@" "${arg%%=*}=$(absolute "${arg#*=}")"
      else
        set -- "$@" "$arg"
      fi
      ;;
    --*)
      set -- "$@" "$arg"
      if [ "$count" -gt 0 ] && names_a_file "$arg" "$1"; then
        case $1 in
          -?*) ;;
          *)
            set -- "$@" "$(absolute "$1")"
            shift
            count=$((count - 1))
            ;;
        esac
      fi
      ;;
    *)
      set -- "$@" "$arg"
      ;;
  esac
done

cd "$run"
exec "$program" "$@"
