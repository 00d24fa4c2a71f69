#!/usr/bin/env bash
# The real program started as a user starts it, without options, in a copy of
# the sample tree, headless: it shows the launcher (the main window on the
# desktop picture) until it is asked to end, and then ends cleanly.
set -euo pipefail
voxa2=$1
play=$2
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }
lines() { sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt; }
expect_line() { lines | grep -xF -- "$1" >/dev/null || fail "missing line: $1"; }

cp -r "$play" tree && cd tree && mkdir frames
env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_CAPTURE=frames \
  "$voxa2" debugmode nosound windowed & pid=$!
for _ in $(seq 1 300); do
  [ "$(ls frames | wc -l)" -ge 3 ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" && rc=0 || rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "exit code $rc"
expect_line "VOXA2::Reinitialize()"
expect_line "end of VOXA2::Reinitialize()"
lines | grep -F "OK, now we will start the demo..." >/dev/null && fail "a demo started by itself"

# The second frame: the main window's frame at (40, 40)-(600, 440) on the
# desktop picture, its list showing the sample catalogue.
frame=frames/$(ls frames | sed -n 2p)
[ "$(identify -format %wx%h "$frame")" = "640x480" ] || fail "frame size"
# Three points that differ when the window is drawn: outside it, on its frame
# and inside the demo list.
outside=$(convert "$frame" -format "%[hex:u.p{20,460}]" info: | cut -c1-6)
border=$(convert "$frame" -format "%[hex:u.p{40,240}]" info: | cut -c1-6)
list=$(convert "$frame" -format "%[hex:u.p{200,150}]" info: | cut -c1-6)
[ "$outside" != "$border" ] && [ "$border" != "$list" ] ||
  fail "no main window drawn: $outside $border $list"
echo "launcher e2e: ok"
