#!/usr/bin/env bash
# The real program under a virtual X display and without any display: it opens
# its window, writes its logbook, and ends orderly with exit code 0 when its
# window is closed or it is asked to terminate in the middle of a long demo.
set -euo pipefail
voxa2=$1
xclose=$2
work=$(mktemp -d)
xserver=$(cd "$(dirname "$0")" && pwd)/xserver.sh  # the script runs in its work folder
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/longdemo.sh"
cd "$work"
make_long_demo

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

expect_line() {  # the message without its time prefix
  grep -qxF -- "$1" <(sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt) || fail "missing line: $1"
}

# Until the demo runs (or 60 s), so that the end comes in the middle of it.
wait_for_demo() {
  for _ in $(seq 1 600); do
    grep -q "OK, now we will start the demo" debug.txt 2>/dev/null && return
    sleep 0.1
  done
}

check_log() {  # $1: the platform name in the title
  head -n 1 debug.txt | grep -qxE "\(000\.0[0-9]{2}\)  VOXA2 viewer for Linux/$1 - Debug Logbook" \
    || fail "header: $(head -n 1 debug.txt)"
  expect_line "  debugging mode (creation of debug.txt) enabled"
  expect_line "  windowed mode enabled"
  expect_line "OK, now we will start the demo..."
  expect_line "Module filename: $(readlink -f "$voxa2")"
  [ "$(tail -n 1 debug.txt | sed -E 's/^\([0-9.]+\) //')" = "Fetched Quit Message from Windows message queue." ] \
    || fail "last line: $(tail -n 1 debug.txt)"
  grep -vE '^$|^\([0-9]{3}\.[0-9]{3}\) ' debug.txt && fail "a line without time prefix" || true
}

# Under X the system libraries behind SDL keep allocations that the leak check
# cannot name (their stacks end in unloaded modules); the headless run below
# keeps the check.
x_lsan="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0"

# 1. A window under X, closed as a window manager would close it.
LSAN_OPTIONS=$x_lsan "$xserver" bash -c '
  "$1" directlaunch debugmode windowed & pid=$!
  for _ in $(seq 1 600); do grep -q "OK, now we will start the demo" debug.txt 2>/dev/null && break; sleep 0.1; done
  size=$("$2" "VOXA2 viewer for Linux/SDL2" 20) || { kill $pid; exit 3; }
  echo "$size" > size.txt
  wait $pid
' _ "$voxa2" "$xclose" && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "closing the window: exit code $rc"
[ "$(cat size.txt)" = "640x480" ] || fail "window size $(cat size.txt)"
check_log SDL2

# 2. The same window, ended by SIGTERM.
rm -f debug.txt
LSAN_OPTIONS=$x_lsan "$xserver" bash -c '
  "$1" directlaunch debugmode windowed & pid=$!
  for _ in $(seq 1 600); do grep -q "OK, now we will start the demo" debug.txt 2>/dev/null && break; sleep 0.1; done
  kill -TERM $pid; wait $pid
' _ "$voxa2" && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "SIGTERM under X: exit code $rc"
check_log SDL2

# 3. No display at all, or one that nobody serves: the program runs headless,
# says so, and still ends orderly.
for display in "" ":65535"; do
  rm -f debug.txt
  env -u DISPLAY -u WAYLAND_DISPLAY ${display:+DISPLAY=$display} \
    "$voxa2" directlaunch debugmode windowed & pid=$!
  wait_for_demo
  kill -TERM $pid; wait $pid && rc=0 || rc=$?
  [ "$rc" -eq 0 ] || fail "SIGTERM headless (display '$display'): exit code $rc"
  check_log headless
  expect_line "  no display available: running headless, without a window"
done

echo "spine e2e: ok"
