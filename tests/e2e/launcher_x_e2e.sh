#!/usr/bin/env bash
# Runs on a 1024x768x24 X server of its own (xserver.sh). The launcher through the SDL
# backend as a user meets it: "voxa2 windowed" in a copy of the sample tree,
# xdotool clicks "Still life" and "Run", the demo plays, the launcher comes
# back, "Exit" ends the program with exit code 0. Each screen is the headless
# frame of the same moment, pixel for pixel: a headless run with the same
# clicks draws them first. Then a full-screen start draws the launcher too.
# The screenshots stay in $VOXA2_E2E_SHOTS when that names a folder.
set -euo pipefail
voxa2=$1
play=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xsession.sh"

# 1. The same session headless: where to click, and what the screen shows
# after each click.
cat > look.txt <<'EOF'
500 gui start.txt
+0 frame start.png
+0 close
EOF
env -u DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT=look.txt \
  "$voxa2" windowed nosound || fail "headless: closing ended with $?"
still=$(dump start.txt rowcentre "Still life")
run=$(dump start.txt centre main_run)
exitbutton=$(dump start.txt centre main_exit)
rest="100 400"
# Each click waits until the pointer is drawn where it goes: the program has
# taken the move, and the click cannot land where the pointer was before.
# The pointer starts on an empty part of the description.
cat > session.txt <<EOF
300 move $rest
+300 frame start.png
+0 move $still
+300 frame at-still.png
+0 click $still
+300 frame selected.png
+0 move $run
+300 frame at-run.png
+0 click $run
+6000 frame back.png
+0 move $exitbutton
+300 frame at-exit.png
+0 click $exitbutton
EOF
env -u DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT=session.txt \
  "$voxa2" windowed nosound || fail "headless: Exit ended with $?"
rm -f debug.txt

# 2. Windowed, as a user starts it.
"$voxa2" windowed &
pid=$!
wait_for_window
move $rest
wait_for start.png launcher
move $still
wait_for at-still.png at-still
xdotool click 1
wait_for selected.png selection
move $run
wait_for at-run.png at-run
xdotool click 1
# The demo: the still picture, its sky at row 40.
demo=""
end=$((SECONDS + 90))
while [ "$SECONDS" -lt "$end" ]; do
  alive || fail "the player ended during the demo"
  origin=$(window_origin)
  if [ -n "$origin" ]; then
    read -r ox oy <<<"$origin"
    shot "$shots/demo.png"
    rgb=$(convert "$shots/demo.png" -format "%[hex:u.p{$((ox + 320)),$((oy + 40))}]" info: | cut -c1-6)
    [ "$rgb" = A3C5E8 ] && { demo=1; break; }
  fi
  sleep 0.1
done
[ -n "$demo" ] || fail "the demo was never seen"
wait_for back.png launcher-again
move $exitbutton
wait_for at-exit.png at-exit
xdotool click 1
for _ in $(seq 1 300); do alive || break; sleep 0.1; done
alive && fail "Exit did not end the program"
wait "$pid" && rc=0 || rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "Exit ended the program with $rc"

# 3. Full-screen: the best fitting mode, 640x480 in 16 bits, scaled onto the
# whole screen. The screen is the headless frame of that mode, each pixel
# grown to 1.6 pixels. "Exit" ends it.
cat > full.txt <<EOF
300 frame full.png
+0 close
EOF
env -u DISPLAY VOXA2_HEADLESS_MODE=640x480x16 VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT=full.txt \
  "$voxa2" nosound || fail "headless full-screen: closing ended with $?"
convert full.png -filter point -resize '1024x768!' full-screen.png
rm -f debug.txt
"$voxa2" debugmode &
pid=$!
# The whole screen is the window: its origin is the screen's.
window_origin() { echo 0 0; }
wait_for full-screen.png full-screen
grep -qE "^\([0-9.]+\) Trying to set mode #[0-9]+ \(640x480x16\)$" debug.txt ||
  fail "full-screen did not take 640x480 in 16 bits"
# A captured pointer moves by counts: pushed against the corner, then onto
# "Exit" (counts are screen pixels, 1.6 to a pixel of the mode). A push and a
# move taken in one poll would add up to a click on the empty corner, so both
# go again until the click ends the program.
read -r ex ey <<<"$exitbutton"
for _ in $(seq 1 5); do
  xdotool mousemove_relative -- -4000 -4000
  sleep 0.5
  xdotool mousemove_relative $((ex * 1024 / 640)) $((ey * 768 / 480))
  sleep 0.5
  shot "$shots/full-at-exit.png"
  xdotool click 1
  for _ in $(seq 1 100); do alive || break 2; sleep 0.1; done
done
alive && fail "Exit did not end the full-screen program"
wait "$pid" && rc=0 || rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "Exit ended the full-screen program with $rc"

echo "launcher under X: ok"
