#!/usr/bin/env bash
# Runs on a 1024x768 X server of its own (xserver.sh): the player's window gets the
# mode's client size, and a presented colour reaches the X display, in a
# window and scaled over the desktop in full-screen.
set -euo pipefail
player="$1"
probe="$2"
work="$(mktemp -d)"
# Each player runs in a process group of its own; whatever is left of them at
# the end goes with its whole group, so that nothing keeps the test's output open.
set -m
trap 'for job in $(jobs -p); do kill -KILL -- "-$job" 2>/dev/null || true; done; rm -rf "$work"' EXIT
source "$(dirname "$0")/longdemo.sh"
source "$(dirname "$0")/xwdpixel.sh"
cd "$work"
make_long_demo
title="VOXA2 viewer for Linux/SDL2"

# Waits until the window reports the given client size; prints its geometry.
wait_for_size() {
  local want_w="$1" want_h="$2" info="" until=$((SECONDS + 90))
  while [ $SECONDS -lt $until ]; do
    info="$(xwininfo -name "$title" 2>/dev/null || true)"
    if grep -q "Width: $want_w\$" <<<"$info" && grep -q "Height: $want_h\$" <<<"$info"; then
      echo "$info"
      return 0
    fi
    sleep 0.1
  done
  echo "window never reached ${want_w}x${want_h}:" >&2
  echo "$info" >&2
  return 1
}

# Prints the colour at (x, y) of the root window as RRGGBB.
pixel_at() {
  xwd -root -silent > shot.xwd
  xwd_pixel shot.xwd "$1" "$2"
}

# Asks the player to end; after 20 seconds its process group is killed.
stop() {
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 1 200); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL -- "-$1" 2>/dev/null || true
  wait "$1" || true
}

# 1. The player itself: a windowed start gives a 640x480 client area.
"$player" directlaunch windowed debugmode &
pid=$!
wait_for_size 640 480 > /dev/null
stop $pid
grep -q "Trying to set window size #6 (640x480x32)" debug.txt

# 2. A presented colour shows in the window, also after a change to 800x600;
# a key typed on the X display reaches the launcher's key hook.
"$probe" FF0000 windowed resize debugmode &
pid=$!
info="$(wait_for_size 800 600)"
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
for _ in $(seq 1 200); do
  got="$(pixel_at $((x + 790)) $((y + 590)))"
  [ "$got" = "FF0000" ] && break
  sleep 0.1
done
# Under load the first key may come before the window has the focus: retry.
for _ in $(seq 1 10); do
  timeout 10 xdotool search --name "$title" windowfocus --sync key --delay 100 space || true
  for _ in $(seq 1 30); do
    grep -q "OnKey(57, released)" debug.txt && break 2
    sleep 0.1
  done
done
stop $pid
grep -q "OnKey(57, pressed)" debug.txt || { echo "the space key did not reach OnKey" >&2; exit 1; }
[ "$got" = "FF0000" ] || { echo "window pixel is $got, not FF0000" >&2; exit 1; }

# 3. Full-screen: the 640x480 frame covers the 1024x768 desktop (same aspect ratio).
"$probe" 00FF00 &
pid=$!
for _ in $(seq 1 200); do
  got="$(pixel_at 1000 740)"
  [ "$got" = "00FF00" ] && break
  sleep 0.1
done
stop $pid
[ "$got" = "00FF00" ] || { echo "full-screen pixel is $got, not 00FF00" >&2; exit 1; }
echo "display e2e passed"
