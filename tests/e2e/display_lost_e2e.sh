#!/usr/bin/env bash
# The real program in a window on a virtual X server of its own, the display
# taken away in the middle of a long demo: the X server ended, or the window's
# client killed from outside (xkill). Each time the program ends within a few
# seconds with exit code 1, says why on standard error ("voxa2: ") and in
# debug.txt, and does not crash.
set -euo pipefail
voxa2=$1
work=$(mktemp -d)
player=""
source "$(dirname "$0")/xserver.sh"
cleanup() {
  [ -n "$player" ] && kill -KILL "$player" 2>/dev/null || true
  stop_x
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/longdemo.sh"
cd "$work"
make_long_demo

how=""
fail() {
  echo "FAIL ($how): $*"
  echo "--- stderr"; cat err 2>/dev/null || true
  echo "--- debug.txt"; tail -n 20 debug.txt 2>/dev/null || true
  exit 1
}

# The system libraries behind SDL keep allocations the leak check cannot name.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0"

# The ways of losing the display, each run against the player's pid.
end_server() { kill "$xvfb"; }
kill_window() {
  local id
  id=$(xdotool search --name "VOXA2 viewer for Linux/SDL2" | head -n 1)
  [ -n "$id" ] || fail "no window to kill"
  xkill -id "$id" >/dev/null
}

for how in end_server kill_window; do
  rm -f debug.txt err
  start_x || fail "Xvfb did not start"
  "$voxa2" directlaunch debugmode windowed nosound 2>err & player=$!
  for _ in $(seq 1 600); do
    grep -q "OK, now we will start the demo" debug.txt 2>/dev/null && break
    sleep 0.1
  done
  grep -q "OK, now we will start the demo" debug.txt || fail "the demo did not start"
  "$how"
  # A few seconds at most, then it counts as hung.
  rc=""
  for _ in $(seq 1 50); do
    if ! kill -0 "$player" 2>/dev/null; then
      wait "$player" && rc=0 || rc=$?
      break
    fi
    sleep 0.1
  done
  [ -n "$rc" ] || fail "still running 5 s after the display went away"
  player=""
  stop_x
  [ "$rc" -eq 1 ] || fail "exit code $rc"
  line=$(grep -E '^voxa2: Lost the connection to the X display ":[0-9]+"!$' err) \
    || fail "no line about the lost display on standard error"
  grep -vq '^voxa2: ' err && fail "a line without the prefix on standard error"
  sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt | grep -xF -- "${line#voxa2: }" >/dev/null \
    || fail "debug.txt lacks: ${line#voxa2: }"
done
echo "display lost e2e: ok"
