#!/usr/bin/env bash
# The sample catalogue's default demo ("Showcase", 8 seconds) played by the real
# program with "directlaunch": headless on a fixed frame clock with the frames
# captured, under X with the SDL backend (ended early by ESCAPE), and from a
# copy of the program that carries the whole data tree appended to it.
set -euo pipefail
voxa2=$1
vornarc=$2
play=$3
work=$(mktemp -d)
xserver=$(cd "$(dirname "$0")" && pwd)/xserver.sh  # the script runs in its work folder
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

lines() { sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt; }
# grep reads to the end: quitting at the first match would end sed with SIGPIPE,
# which pipefail takes for a failure.
expect_line() { lines | grep -xF -- "$1" >/dev/null || fail "missing line: $1"; }
# The seconds of the frame-rate counter's line.
counter_seconds() {
  lines | sed -nE 's/^Demo counter result: [0-9]+ frames in ([0-9.e+-]+) seconds => [0-9.]+ frames per second$/\1/p'
}

# The colour at (x, y) of a PNG as RRGGBB.
pixel() { convert "$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }
# Whether two RRGGBB colours differ by at most 8 in each channel (the display
# mode may keep fewer bits than 8 per channel).
near() {
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$(( 16#${a:i:2} - 16#${b:i:2} ))
    [ "${d#-}" -le 8 ] || return 1
  done
}
expect_pixel() {  # file x y RRGGBB
  local got
  got=$(pixel "$1" "$2" "$3")
  near "$got" "$4" || fail "pixel ($2, $3) of $(basename "$1") is $got, not $4"
}

# 1. Headless: every frame 40 ms later than the one before, each one captured.
cp -r "$play" headless && cd headless && mkdir frames
env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_CAPTURE=frames \
  "$voxa2" directlaunch debugmode && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "headless: exit code $rc"
expect_line "  disabling GUI"
expect_line "OK, now we will start the demo..."
expect_line "Fetched Quit Message from Windows message queue."
seconds=$(counter_seconds)
[ -n "$seconds" ] || fail "no counter line"
python3 -c "import sys; sys.exit(0 if 8 <= $seconds <= 8.04 else 1)" || fail "counter seconds $seconds"
# The demo clock starts at the time in front of the start line.
start=$(grep -F "OK, now we will start the demo..." debug.txt | sed -E 's/^\(([0-9]{3})\.([0-9]{3})\).*/\1\2/')
start=$((10#$start))
# The loading screen first: the launcher's loading picture, resampled to the screen.
[ -f frames/frame-0000000.png ] || fail "no loading frame"
[ "$(identify -format %wx%h frames/frame-0000000.png)" = "640x480" ] || fail "loading frame size"
# At demo time 4 s: the badge centred on the colour ramp.
at4=frames/$(printf 'frame-%07d.png' $((start + 4000)))
[ -f "$at4" ] || fail "no frame at 4 s ($at4)"
expect_pixel "$at4" 320 240 FFB000
expect_pixel "$at4" 240 180 402000
expect_pixel "$at4" 399 299 402000
expect_pixel "$at4" 8 8 005080
# At demo time 1 s the sunset covers the screen, its sun in the middle.
at1=frames/$(printf 'frame-%07d.png' $((start + 1000)))
expect_pixel "$at1" 320 240 FFF3AD
cd "$work"

# 2. Under X with the SDL backend; ESCAPE jumps past the end of the demo.
# The system libraries behind SDL keep allocations that the leak check cannot
# name; the headless runs keep the check.
cp -r "$play" x11 && cd x11
LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0" \
  "$xserver" bash -c '
  "$1" directlaunch debugmode windowed & pid=$!
  until grep -q "OK, now we will start the demo" debug.txt 2>/dev/null; do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  sleep 1
  # Under load the first key may come before the window has the focus: retry,
  # for a minute at most.
  until=$((SECONDS + 60))
  while kill -0 $pid 2>/dev/null && [ $SECONDS -lt $until ]; do
    timeout 10 xdotool search --name "VOXA2 viewer for Linux/SDL2" windowfocus --sync key Escape 2>/dev/null || true
    sleep 0.5
  done
  kill -KILL $pid 2>/dev/null || true
  wait $pid
' _ "$voxa2" && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "under X: exit code $rc"
head -n 1 debug.txt | grep -q "VOXA2 viewer for Linux/SDL2 - Debug Logbook" || fail "not the SDL backend"
expect_line "OK, now we will start the demo..."
seconds=$(counter_seconds)
[ -n "$seconds" ] || fail "no counter line under X"
python3 -c "import sys; sys.exit(0 if $seconds < 7 else 1)" || fail "ESCAPE did not end the demo ($seconds s)"
cd "$work"

# 3. One program file: the data tree's files and viewer.dat appended to a copy.
mkdir packed && cd packed
members=()
while IFS= read -r -d '' file; do
  name=${file#"$play"/data/}
  members+=("${name//\//\\}=$file")
done < <(find "$play/data" -type f -print0 | sort -z)
members+=("viewer.dat=$play/viewer.dat")
"$vornarc" append "$voxa2" player "${members[@]}" > /dev/null
chmod +x player
env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=100 ./player directlaunch debugmode nosound \
  && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "appended: exit code $rc"
expect_line "VORNarc/EXE archive found!"
expect_line "OK, now we will start the demo..."
[ -n "$(counter_seconds)" ] || fail "no counter line from the appended data"
[ ! -e data ] || fail "a data folder was used"

echo "sample e2e: ok"
