#!/usr/bin/env bash
# Runs on a 1024x768 X server of its own (xserver.sh). The player's window appears only
# with its size and its first frame: the demo's own loading picture. Quick
# ESCAPE taps, a press and its release with no time between them, end a demo.
set -euo pipefail
voxa2=$1
play=$2
part=${3:-all}  # firstframe, taps or all
work=$(mktemp -d)
pid=""
# The player and whatever it started go as one process group.
finish() {
  [ -z "$pid" ] || kill -KILL -- "-$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
set -m  # each player in a process group of its own
cd "$work"  # the trees copied below are fresh on every run
title="VOXA2 viewer for Linux/SDL2"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

source "$(dirname "$0")/xwdpixel.sh"
near() {  # RRGGBB RRGGBB: at most 8 apart in each channel
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$(( 16#${a:i:2} - 16#${b:i:2} ))
    [ "${d#-}" -le 8 ] || return 1
  done
}

if [ "$part" != taps ]; then
# 1. "Still life" windowed, its script made long to read so that its loading
# picture (resampled to the screen) stays while the window is watched from
# before it is mapped. Once the window is seen mapped, the player is held
# still while it is looked at and moves on only between two looks: however slow
# the looks are on a loaded machine, the picture cannot come and go unseen.
cp -r "$play" still && cd still
sed -i -E 's/demo ([a-z]+), default;/demo \1;/; s/^( *demo still);/\1, default;/' data/demo.ini
grep -q "demo still, default;" data/demo.ini || fail "no still demo in the catalogue"
python3 -c 'print("// a long read\n" * 1000000, end="")' >> data/demos/still.scr
LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0" \
  "$voxa2" directlaunch windowed debugmode nosound &
pid=$!
# Whether a window dump shows the picture's gradient: (40, 40, 40) at its top,
# (120, 110, 90) at its bottom.
shows_loading_picture() {  # file
  local probe px py want
  for probe in "10 10 282828" "10 240 504B41" "630 470 786E5A"; do
    read -r px py want <<<"$probe"
    near "$(xwd_pixel "$1" $((x + px)) $((y + py)))" "$want" || return 1
  done
}
# From the moment the window is mapped it has its size; its frame may take a
# moment more, but is never white.
seen=""
last="never mapped"
held=""
for _ in $(seq 1 1500); do
  [ -z "$held" ] || kill -STOP -- "-$pid" 2>/dev/null || true
  info=$(xwininfo -name "$title" 2>/dev/null || true)
  if grep -q "Map State: IsViewable" <<<"$info"; then
    [ -n "$held" ] || { held=1; kill -STOP -- "-$pid" 2>/dev/null || true; }
    size=$(awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w "x" h}' <<<"$info")
    [ "$size" = 640x480 ] || fail "the window was shown at $size"
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    xwd -root -silent > shot.xwd
    last="$size at ($x, $y): $(for p in "10 10" "10 240" "630 470"; do
      set -- $p; xwd_pixel shot.xwd $((x + $1)) $((y + $2)); done | tr '\n' ' ')"
    if shows_loading_picture shot.xwd; then
      seen=1
      break
    fi
    [ "$(xwd_pixel shot.xwd $((x + 10)) $((y + 10)))" != FFFFFF ] || fail "the window is white"
  fi
  [ -z "$held" ] || kill -CONT -- "-$pid" 2>/dev/null || true
  kill -0 "$pid" 2>/dev/null || fail "the player ended before its loading picture was seen ($last)"
  sleep 0.02
done
[ -n "$seen" ] || fail "the loading picture was never seen"
kill -KILL -- "-$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""
cd "$work"

fi

if [ "$part" != firstframe ]; then
# 2. The default demo ("Showcase", 8 seconds) ended by one quick ESCAPE tap,
# ten times: five taps as a press and a release with nothing between them, five
# as xdotool's own taps. Every other run brings its frames to the window through
# the OpenGL renderer instead of the way the player chooses, so that keys are
# seen to arrive on both.
cp -r "$play" taps && cd taps
for try in $(seq 1 10); do
  rm -f debug.txt
  renderer=""
  [ $((try % 2)) -eq 1 ] || renderer=opengl
  LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0" env ${renderer:+SDL_RENDER_DRIVER=$renderer} \
    "$voxa2" directlaunch windowed debugmode nosound &
  pid=$!
  for _ in $(seq 1 600); do
    grep -q "OK, now we will start the demo" debug.txt 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || fail "try $try: the player ended before the demo"
    sleep 0.1
  done
  sleep 0.5
  timeout 20 xdotool search --name "$title" windowfocus --sync >/dev/null || fail "try $try${renderer:+ ($renderer)}: the window never had the focus"
  if [ "$try" -le 5 ]; then
    xdotool keydown Escape keyup Escape
  else
    xdotool key --delay 0 Escape
  fi
  # The demo would end by itself after 8 seconds.
  ended=""
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || { ended=1; break; }
    sleep 0.1
  done
  [ -n "$ended" ] || fail "try $try${renderer:+ ($renderer)}: the tap did not end the demo"
  wait "$pid" || fail "try $try: exit code $?"
  pid=""
  seconds=$(sed -nE 's/^\([0-9.]+\) Demo counter result: [0-9]+ frames in ([0-9.e+-]+) seconds.*/\1/p' debug.txt)
  python3 -c "import sys; sys.exit(0 if 0 < float('${seconds:-99}') < 7 else 1)" ||
    fail "try $try: the demo ran ${seconds:-?} seconds"
done
fi
echo "window e2e: ok"
