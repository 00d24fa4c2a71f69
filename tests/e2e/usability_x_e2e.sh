#!/usr/bin/env bash
# Runs on a 1024x768x24 X server of its own (xserver.sh). What a new user
# meets, through the SDL backend:
#  - the command line: --help, --version, a misspelt option, the launcher
#    without a display, and a run without a sound card that says nothing;
#  - one launcher session, windowed: the window resized (the frame scaled into
#    it with bars, a click mapped back onto a row), the keys reaching the demo
#    list at once, a demo that does not compile started with RETURN (its box
#    and its lines on standard error), ESCAPE on the box, RETURN on a row that
#    plays, ESCAPE on Setup and the keys back in the list, Setup after
#    "Change" showing the new mode, the wheel in Information, Alt+Enter to
#    the whole screen and back, "Exit".
# Each unscaled screen is the headless frame of the same moment, pixel for
# pixel: a headless run with the same input draws them first. A scaled screen
# is that frame grown with ImageMagick's point filter, within the pointer's
# area. The screenshots stay in $VOXA2_E2E_SHOTS when that names a folder.
set -euo pipefail
voxa2=$1
play=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xsession.sh"
source "$here/xwdpixel.sh"

# 1. The command line.
"$voxa2" --help > help.txt 2> help.err || fail "--help ended with $?"
[ ! -s help.err ] || fail "--help wrote to standard error: $(cat help.err)"
for word in debugmode windowed nosound directlaunch VOXA2_THREADS VOXA2_HEADLESS_SCRIPT \
  VOXA2_HEADLESS_FRAME_MS VOXA2_HEADLESS_CAPTURE VOXA2_HEADLESS_MODE VOXA2_HEADLESS_FRAME_TIMES \
  viewer.dat demo.ini; do
  grep -q -- "$word" help.txt || fail "--help does not name $word"
done
"$voxa2" -h | cmp -s - help.txt || fail "-h says other than --help"
"$voxa2" --version > version.txt || fail "--version ended with $?"
for word in "voxa2 2.0.0" SDL zlib bzip2 libpng libopenmpt libsndfile; do
  grep -q -- "$word" version.txt || fail "--version does not name $word: $(cat version.txt)"
done
"$voxa2" --windowed > refused.txt 2> refused.err && rc=0 || rc=$?
[ "$rc" -eq 2 ] || fail "an unknown option ended with $rc, not 2"
[ ! -s refused.txt ] || fail "an unknown option wrote to standard output"
grep -q '^voxa2: unknown option "--windowed"; the options are debugmode, windowed, nosound, directlaunch' \
  refused.err || fail "the refusal says: $(cat refused.err)"
env -u DISPLAY -u WAYLAND_DISPLAY "$voxa2" windowed > /dev/null 2> nodisplay.err && rc=0 || rc=$?
[ "$rc" -eq 1 ] || fail "the launcher without a display ended with $rc, not 1"
grep -q "^voxa2: no display found" nodisplay.err || fail "without a display: $(cat nodisplay.err)"

# No sound card here, and SDL's own audio drivers asked (not the dummy one):
# a demo that plays to its end leaves the terminal empty.
sed -i 's/eod 8;/eod 1;/' data/demos/showcase.scr
env -u SDL_AUDIODRIVER "$voxa2" directlaunch windowed > silent.out 2> silent.err && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "the silent run ended with $rc: $(cat silent.err)"
[ ! -s silent.out ] && [ ! -s silent.err ] ||
  fail "the silent run wrote: $(cat silent.out silent.err)"
cp "$play/data/demos/showcase.scr" data/demos/showcase.scr

# 2. The launcher session. "Effects" does not compile here, and "Still life"
# shows its picture for a minute, until ESCAPE ends it.
printf '\nthis is no statement\n' >> data/demos/effects.scr
sed -i 's/2\.5/60/g' data/demos/still.scr

headless() {  # script.txt what
  env -u DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT="$1" \
    "$voxa2" windowed nosound 2> "$1.err" || fail "headless, $2: exit code $?"
}
rest="100 400"
look_up_setup "$rest"
# A point of the row whose place in a window 1.25 times as large is a whole pixel.
read -r sx sy <<<"$(dump start.txt rowcentre "Still life")"
still="$((sx / 4 * 4)) $((sy / 4 * 4))"
cat > look.txt <<EOF
300 move $rest
+300 click $setup
+300 click $mode
+300 click $change
+1000 key 1
+300 gui moded.txt
+0 close
EOF
headless look.txt "the mode change"
info=$(dump moded.txt centre main_info)
exitbutton=$(dump moded.txt centre main_exit)
printf '300 move %s\n+300 click %s\n+300 click %s\n+300 click %s\n+1000 key 1\n+300 click %s\n+300 gui info.txt\n+0 close\n' \
  "$rest" "$setup" "$mode" "$change" "$info" > look.txt
headless look.txt "Information"
credits=$(dump info.txt centre Information::creditsList)
# A row's text is its columns joined by "|"; colour, selectable and current follow.
text_of() { sed 's/|[^|]*|[^|]*|[^|]*$//'; }
firstcredit=$(dump info.txt rows Information::creditsList | sed -n 1p | text_of)

# The whole session headless, with its frames. DIK codes: 0x01 ESCAPE,
# 0x1C RETURN, 0xC8 UP, 0xD0 DOWN.
click_step() {  # name "x y" wait
  printf '+0 move %s\n+300 frame at-%s.png\n+0 click %s\n+%s frame %s.png\n' "$2" "$1" "$2" "$3" "$1"
}
key_step() {  # name code wait
  printf '+0 key %s\n+%s frame %s.png\n' "$2" "$3" "$1"
}
{
  printf '300 move %s\n+300 frame start.png\n' "$rest"
  click_step still "$still" 300
  key_step broken 0xD0 300
  key_step box 0x1C 1000
  echo "+0 gui box.txt"
  key_step box-closed 0x01 300
  key_step up 0xC8 300
  key_step run 0x1C 1500
  key_step back 0x01 3000
  click_step setup "$setup" 300
  key_step setup-closed 0x01 300
  key_step after-setup 0xD0 300
  click_step setup2 "$setup" 300
  click_step mode "$mode" 300
  click_step change "$change" 1000
  echo "+0 gui changed.txt"
  key_step changed-closed 0x01 300
  click_step info "$info" 300
  printf '+0 move %s\n+300 frame at-credits.png\n+0 wheel -2\n+300 frame wheeled.png\n' "$credits"
  echo "+0 gui wheeled.txt"
  key_step info-closed 0x01 300
  printf '+0 move %s\n+300 frame at-exit.png\n+0 click %s\n' "$exitbutton" "$exitbutton"
} > session.txt
headless session.txt "the session"
sessionerr=$(cat session.txt.err)

# What the headless run shows of the items: the box says why, Setup shows the
# mode in force after "Change", the wheel scrolled the credits.
boxtext=$(dump box.txt field "dlg(MessageBox)::txt" caption)
case "$boxtext" in
  "Error on loading the demo!"$'\n'"demos\\effects.scr("*) ;;
  *) fail "headless: the box says: $boxtext" ;;
esac
[ "$(dump changed.txt rows Setup::vrList | grep '|1$' | text_of)" = \
  " 800 times 600 pixels| 32 bits per pixel" ] ||
  fail "headless: Setup after Change highlights $(dump changed.txt rows Setup::vrList | grep '|1$')"
[ "$(dump changed.txt field Setup::vcChange enabled)" = 0 ] || fail "headless: Change stays enabled"
python3 "$here/guidump.py" wheeled.txt rowcentre "$firstcredit" > /dev/null 2>&1 &&
  fail "headless: the wheel left the first credit in sight"
grep -q "^voxa2: demos\\\\effects.scr(" <<<"$sessionerr" || fail "headless stderr: $sessionerr"
grep -q "^voxa2: Could not load demo! Continuing with the GUI...$" <<<"$sessionerr" ||
  fail "headless stderr: $sessionerr"
grep -qv "^voxa2: " <<<"$sessionerr" && fail "headless stderr has other lines: $sessionerr"
[ "$(identify -format %wx%h run.png)" = 640x480 ] || fail "headless: Still life did not play"
skycolour=$(convert run.png -format "%[hex:u.p{320,40}]" info: | cut -c1-6)
rm -f debug.txt

# 3. The same under X.
"$voxa2" windowed 2> x.err &
pid=$!
wait_for_window
wid=$(xdotool search --name "$title" | head -1)
keystep() {  # name key: the key, and what it did
  timeout 20 xdotool windowfocus --sync "$wid" >/dev/null || fail "no focus for $2"
  xdotool key "$2"
  wait_for "$1.png" "$1"
}
# The screen in the window of the given size, scaled: the frame grown to WxH
# at (x, y) of it with black around, fewer than 4000 pixels apart (the
# pointer's areas).
wait_scaled() {  # frame.png name W H x y window-size
  local got="" end=$((SECONDS + 60)) origin ww wh
  convert "$1" -sample "$3x$4!" "$work/grown.png"
  while [ "$SECONDS" -lt "$end" ]; do
    alive || fail "the player ended while waiting for $2"
    origin=$(window_origin)
    if [ -n "$origin" ] && [ "$(window_size)" = "$7" ]; then
      read -r ox oy <<<"$origin"
      read -r ww wh <<<"$(window_size | tr x ' ')"
      shot "$shots/$2.png"
      convert "$shots/$2.png" -crop "${ww}x${wh}+${ox}+${oy}" +repage "$work/window.png"
      convert -size "${ww}x${wh}" xc:black "$work/grown.png" -geometry "+$5+$6" -composite \
        "$work/expected.png"
      got=$(compare -metric AE "$work/window.png" "$work/expected.png" null: 2>&1 || true)
      [ "$got" -lt 4000 ] 2>/dev/null && return 0
    fi
    sleep 0.3
  done
  fail "the window never showed $2 scaled (${got:-no window} pixels differ)"
}

move $rest
wait_for start.png launcher
# A window of 1000x600 shows the 640x480 frame 1.25 times as large, with bars
# of 100 pixels beside it; a click lands on the row under the pointer.
xdotool windowsize --sync "$wid" 1000 600
wait_scaled start.png resized 800 600 100 0 1000x600
read -r px py <<<"$still"
move $((100 + px * 5 / 4)) $((py * 5 / 4))
sleep 0.5
xdotool click 1
wait_scaled still.png resized-click 800 600 100 0 1000x600
xdotool windowsize --sync "$wid" 640 480
move $still
wait_for still.png still
keystep broken Down
keystep box Return
grep -q "^voxa2: demos\\\\effects.scr(" x.err || fail "the failed start said nothing on the terminal"
keystep box-closed Escape
keystep up Up
timeout 20 xdotool windowfocus --sync "$wid" >/dev/null || fail "no focus for RETURN"
xdotool key Return
wait_for_colour 320 40 "$skycolour" 640x480 "Still life, started with RETURN"
keystep back Escape
step setup "$setup"
keystep setup-closed Escape
keystep after-setup Down
step setup2 "$setup"
step mode "$mode"
step change "$change"
[ "$(window_size)" = 800x600 ] || fail "the window is $(window_size) after the change"
keystep changed-closed Escape
step info "$info"
move $credits
wait_for at-credits.png at-credits
xdotool click 5 click 5
wait_for wheeled.png wheeled
keystep info-closed Escape
# Alt+Enter: the window covers the screen at the desktop's mode, the 800x600
# frame 1.28 times as large; again: back to the window.
timeout 20 xdotool windowfocus --sync "$wid" >/dev/null || fail "no focus for Alt+Enter"
xdotool key alt+Return
wait_scaled info-closed.png full-screen 1024 768 0 0 1024x768
timeout 20 xdotool windowfocus --sync "$wid" >/dev/null || fail "no focus for Alt+Enter"
xdotool key alt+Return
end=$((SECONDS + 30))
while [ "$(window_size)" != 800x600 ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
[ "$(window_size)" = 800x600 ] || fail "a second Alt+Enter left the window at $(window_size)"
point exit "$exitbutton"
expect_clean_exit
grep -q "^voxa2: Could not load demo! Continuing with the GUI...$" x.err ||
  fail "under X, stderr: $(cat x.err)"
grep -qv "^voxa2: " x.err && fail "under X, stderr has other lines: $(cat x.err)"
echo "usability under X: ok"
