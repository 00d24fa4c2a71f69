#!/usr/bin/env bash
# Runs on a 1024x768x24 X server of its own (xserver.sh). Setup and Information through
# the SDL backend: "Setup" opens in front of the launcher, 800x600 is chosen
# and applied and the window grows to it, "Still life" plays at the new mode
# (ESCAPE ends it), "Information" opens in front and its "Close" takes it
# away, "Exit" ends the program with 0. Each screen is the headless frame of the same moment, pixel
# for pixel: headless runs with the same clicks find where to click and draw
# those frames first. The screenshots stay in $VOXA2_E2E_SHOTS when that names
# a folder.
set -euo pipefail
voxa2=$1
play=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xsession.sh"
source "$here/xwdpixel.sh"

# Runs the program headless with an input script; the script ends it.
headless() {  # script.txt what
  env -u DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT="$1" \
    "$voxa2" windowed nosound debugmode || fail "headless, $2: exit code $?"
}

# "Still life" shows its picture for a minute here, until ESCAPE ends it, so
# that a loaded machine cannot miss it.
sed -i 's/2\.5/60/g' data/demos/still.scr

# 1. Where to click: the launcher, Setup once open, and both after the change
# to 800x600.
rest="100 400"
look_up_setup "$rest"
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
# pointer is drawn where it goes, so that it lands there; after it, wait ms
# later, the frame of what it did.
click_step() {  # name "x y" wait
  printf '+0 move %s\n+300 frame at-%s.png\n+0 click %s\n+%s frame %s.png\n' "$2" "$1" "$2" "$3" "$1"
}
{
  printf '300 move %s\n+300 frame start.png\n' "$rest"
  click_step setup "$setup" 300
  echo "+0 gui setup.txt"
  click_step mode "$mode" 300
  click_step change "$change" 1000
  click_step closesetup "$closesetup" 300
  click_step still "$still" 300
  click_step run "$run" 1500
  echo "+0 key 1"  # ESCAPE
  echo "+3000 frame back.png"
  click_step info "$info" 300
  echo "+0 gui info.txt"
  click_step infoclose "$infoclose" 300
  echo "+0 gui info-closed.txt"
  printf '+0 move %s\n+300 frame at-exit.png\n+0 click %s\n' "$exitbutton" "$exitbutton"
} > session.txt
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
[ "$(identify -format %wx%h run.png)" = 800x600 ] || fail "headless: the demo did not play at 800x600"
skycolour=$(convert run.png -format "%[hex:u.p{${sky[0]},${sky[1]}}]" info: | cut -c1-6)

# 3. The same under X through SDL.
"$voxa2" windowed debugmode &
pid=$!
wait_for_window
move $rest
wait_for start.png launcher
step setup "$setup"
step mode "$mode"
step change "$change"
[ "$(window_size)" = 800x600 ] || fail "the window is $(window_size) after the change"
step closesetup "$closesetup"
step still "$still"
point run "$run"
# The demo at the new mode: the still picture fills the window, its sky on
# top, until ESCAPE ends it.
wait_for_colour "${sky[0]}" "${sky[1]}" "$skycolour" 800x600 "the demo"
timeout 20 xdotool search --name "$title" windowfocus --sync >/dev/null || fail "no focus for ESCAPE"
xdotool key Escape
wait_for back.png launcher-again
step info "$info"
step infoclose "$infoclose"
point exit "$exitbutton"
expect_clean_exit
grep -q "Demo counter result" debug.txt || fail "the demo never ran"

echo "Setup and Information under X: ok"
