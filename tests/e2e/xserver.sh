#!/usr/bin/env bash
# A virtual 1024x768x24 X server of the test's own.
#   xserver.sh COMMAND [ARG...]  runs the command on it and ends it afterwards;
#   sourced, start_x and stop_x start and end one (pid in xvfb).
# Not xvfb-run -a: it picks a display number by looking for lock files, which
# races with servers starting at the same moment, and after ten lost races it
# runs the command anyway, on a display that is not its own (another test's
# server, or none, where the player runs without a window). Here the server
# takes a free number itself, and only holders of its cookie may connect.

# Starts the server; exports DISPLAY and XAUTHORITY for it.
start_x() {
  x_dir=$(mktemp -d)
  local cookie number
  cookie=$(mcookie)
  : >"$x_dir/server"
  : >"$x_dir/client"
  # The server takes the cookie of every entry, whatever its display.
  xauth -q -f "$x_dir/server" add :0 . "$cookie"
  # Without -noreset the server starts anew whenever its last client leaves,
  # and a client connecting meanwhile is turned away: the player's first
  # connection, between two of a test's looks, would find no display.
  Xvfb -displayfd 3 -auth "$x_dir/server" -noreset -screen 0 1024x768x24 -nolisten tcp \
    3>"$x_dir/display" >/dev/null 2>&1 &
  xvfb=$!
  # The number is written once the server accepts connections.
  for _ in $(seq 1 300); do
    grep -qE '^[0-9]+$' "$x_dir/display" 2>/dev/null && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  number=$(cat "$x_dir/display" 2>/dev/null || true)
  if ! [[ $number =~ ^[0-9]+$ ]]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  xauth -q -f "$x_dir/client" add ":$number" . "$cookie"
  export DISPLAY=":$number" XAUTHORITY="$x_dir/client"
}

stop_x() {
  if [ -n "${xvfb:-}" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  xvfb=""
  [ -z "${x_dir:-}" ] || rm -rf "$x_dir"
  x_dir=""
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  trap stop_x EXIT
  # Waited for in the background, so that a TERM (a test's timeout) ends it
  # and the server at once.
  trap '[ -z "${child:-}" ] || kill "$child" 2>/dev/null; exit 143' TERM INT HUP
  start_x
  "$@" &
  child=$!
  rc=0
  wait "$child" || rc=$?
  exit "$rc"
fi
