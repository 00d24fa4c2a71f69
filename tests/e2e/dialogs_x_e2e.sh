#!/usr/bin/env bash
# Runs under xvfb-run on a 1024x768x24 screen. Setup and Information through
# the SDL backend: "Setup" opens in front of the launcher, 800x600 is chosen
# and applied and the window grows to it, "Still life" plays at the new mode,
# "Information" opens in front and its "Close" takes it away, "Exit" ends the
# program with 0. Each screen is the headless frame of the same moment, pixel
# for pixel: headless runs with the same clicks find where to click and draw
# those frames first. The screenshots stay in $VOXA2_E2E_SHOTS when that names
# a folder.
set -euo pipefail
voxa2=$1
play=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=""
finish() {
  [ -z "$pid" ] || kill -KILL -- "-$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
set -m  # the player in a process group of its own
cp -r "$play" "$work/tree"
cd "$work/tree"
shots=${VOXA2_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }
dump() { python3 "$here/guidump.py" "$@"; }
source "$here/xsession.sh"
source "$here/xwdpixel.sh"

# Runs the program headless with an input script; the script ends it.
headless() {  # script.txt what
  env -u DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT="$1" \
    "$voxa2" windowed nosound debugmode || fail "headless, $2: exit code $?"
}

# 1. Where to click: the launcher, Setup once open, and both after the change
# to 800x600.
rest="100 400"
printf '300 move %s\n+300 gui start.txt\n+0 close\n' "$rest" > look.txt
headless look.txt "the launcher"
setup=$(dump start.txt centre main_setup)
printf '300 move %s\n+300 click %s\n+300 gui setup.txt\n+0 close\n' "$rest" "$setup" > look.txt
headless look.txt "Setup"
mode=$(dump setup.txt rowcentre " 800 times 600 pixels| 32 bits per pixel")
change=$(dump setup.txt centre Setup::vcChange)
cat > look.txt <<EOF
300 move $rest
+300 click $setup
+300 click $mode
+300 click $change
+1000 gui moded.txt
+0 close
EOF
headless look.txt "the mode change"
[ "$(dump moded.txt field desktop rect)" = 0,0,799,599 ] || fail "headless: no 800x600 desktop"
closesetup=$(dump moded.txt centre Setup::cbClose)
still=$(dump moded.txt rowcentre "Still life")
run=$(dump moded.txt centre main_run)
info=$(dump moded.txt centre main_info)
infoclose=$(dump moded.txt centre Information::OKbutton)
exitbutton=$(dump moded.txt centre main_exit)

# 2. The whole session headless, with its frames. Each click waits until the
# pointer is drawn where it goes, so that it lands there.
cat > session.txt <<EOF
300 move $rest
+300 frame start.png
+0 move $setup
+300 frame at-setup.png
+0 click $setup
+300 frame setup.png
+0 gui setup.txt
+0 move $mode
+300 frame at-mode.png
+0 click $mode
+300 frame mode.png
+0 move $change
+300 frame at-change.png
+0 click $change
+1000 frame moded.png
+0 move $closesetup
+300 frame at-closesetup.png
+0 click $closesetup
+300 frame setup-closed.png
+0 move $still
+300 frame at-still.png
+0 click $still
+300 frame selected.png
+0 move $run
+300 frame at-run.png
+0 click $run
+1500 frame demo.png
+4500 frame back.png
+0 move $info
+300 frame at-info.png
+0 click $info
+300 frame info.png
+0 gui info.txt
+0 move $infoclose
+300 frame at-infoclose.png
+0 click $infoclose
+300 frame info-closed.png
+0 gui info-closed.txt
+0 move $exitbutton
+300 frame at-exit.png
+0 click $exitbutton
EOF
headless session.txt "the session"
# The dialogs stand in front of the main window: first among the desktop's
# windows in the dumps, which list the front-most first.
front() { awk -F'\t' '$1 == "element" && $2 == 2 {print $3; exit}' "$1"; }
[ "$(front setup.txt)" = Setup ] || fail "headless: Setup is not in front"
[ "$(front info.txt)" = Information ] || fail "headless: Information is not in front"
[ "$(dump info.txt field Information visible)" = 1 ] || fail "headless: Information not shown"
[ "$(dump info-closed.txt field Information visible)" = 0 ] || fail "headless: Close left it"
grep -q "Demo counter result" debug.txt || fail "headless: the demo never ran"
rm -f debug.txt
sky=(400 50)
[ "$(identify -format %wx%h demo.png)" = 800x600 ] || fail "headless: the demo did not play at 800x600"
skycolour=$(convert demo.png -format "%[hex:u.p{${sky[0]},${sky[1]}}]" info: | cut -c1-6)

# 3. The same under X through SDL.
"$voxa2" windowed debugmode &
pid=$!
for _ in $(seq 1 300); do
  [ -n "$(window_origin)" ] && break
  alive || fail "the player ended before its window was shown"
  sleep 0.2
done
step() {  # x y name: point at it, see that, click, see the result
  move "$1" "$2"
  wait_for "at-$3.png" "at-$3"
  xdotool click 1
}
move $rest
wait_for start.png launcher
step $setup setup
wait_for setup.png setup
step $mode mode
wait_for mode.png mode
step $change change
wait_for moded.png moded
[ "$(window_size)" = 800x600 ] || fail "the window is $(window_size) after the change"
step $closesetup closesetup
wait_for setup-closed.png setup-closed
step $still still
wait_for selected.png selected
step $run run
# The demo at the new mode: the still picture fills the window, its sky on top.
demo=""
for _ in $(seq 1 300); do
  alive || fail "the player ended during the demo"
  origin=$(window_origin)
  if [ -n "$origin" ]; then
    read -r ox oy <<<"$origin"
    xwd -root -silent > "$work/demo.xwd"
    rgb=$(xwd_pixel "$work/demo.xwd" $((ox + sky[0])) $((oy + sky[1])))
    [ "$rgb" = "$skycolour" ] && [ "$(window_size)" = 800x600 ] && { demo=1; break; }
  fi
  sleep 0.05
done
[ -n "$demo" ] || fail "the demo was never seen at 800x600"
wait_for back.png launcher-again
step $info info
wait_for info.png information
step $infoclose infoclose
wait_for info-closed.png information-closed
step $exitbutton exit
for _ in $(seq 1 300); do alive || break; sleep 0.1; done
alive && fail "Exit did not end the program"
wait "$pid" && rc=0 || rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "Exit ended the program with $rc"
grep -q "Demo counter result" debug.txt || fail "the demo never ran"

echo "Setup and Information under X: ok"
