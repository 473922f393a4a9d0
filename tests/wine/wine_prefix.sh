#!/usr/bin/env bash
# Makes (setup) or removes (cleanup) the Wine prefix that the Wine tests of one test run
# share: a temporary directory whose path is kept in the file given as the second
# argument. Making one takes Wine's first start-up, so it is done once per run.
#   wine_prefix.sh setup|cleanup PATH_FILE
set -euo pipefail
action=$1
path_file=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

export WINEDEBUG=-all
# No Mono or Gecko installer: they would ask with a dialog nobody answers.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

remove_prefix() {
  [ -f "$path_file" ] || return 0
  local prefix
  prefix=$(cat "$path_file")
  rm -f "$path_file"
  case "$prefix" in
    */bumpdemo-wine.*) ;;
    *) echo "not a test prefix: $prefix" >&2; return 1 ;;
  esac
  [ -d "$prefix" ] || return 0
  WINEPREFIX="$prefix" timeout 30 wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" timeout 30 wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
}

case "$action" in
  setup)
    remove_prefix  # one left by an interrupted run
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/bumpdemo-wine.XXXXXX")
    echo "$prefix" >"$path_file"
    export WINEPREFIX="$prefix"
    start=$(date +%s)
    if ! timeout 300 "$WINE" wineboot -i >"$prefix.boot.log" 2>&1; then
      echo "wineboot -i failed or took more than 300 s:" >&2
      cat "$prefix.boot.log" >&2
      exit 1
    fi
    # Windows placed by Wine itself (the test displays have no window manager), and a
    # crash reported on the console instead of a dialog.
    timeout 120 "$WINE" reg import "$here/test_prefix.reg" >/dev/null 2>&1
    timeout 60 wineserver -w
    rm -f "$prefix.boot.log"
    echo "Wine prefix $prefix ready in $(($(date +%s) - start)) s"
    ;;
  cleanup)
    remove_prefix
    ;;
  *)
    echo "usage: $0 setup|cleanup PATH_FILE" >&2
    exit 2
    ;;
esac
