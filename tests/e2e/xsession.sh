# Sourced by the end-to-end scripts that drive the player's window under X
# through the SDL backend, after they set $voxa2, $play (the sample tree) and
# $here (their folder). They then work in a copy of the sample tree in a
# scratch folder; the player ($pid) and whatever it started are killed when
# the script ends. Screenshots stay in $VOXA2_E2E_SHOTS when that names a
# folder.
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
title="VOXA2 viewer for Linux/SDL2"
shots=${VOXA2_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }
dump() { python3 "$here/guidump.py" "$@"; }
alive() { kill -0 "$pid" 2>/dev/null; }

# The window's place on the screen once it is mapped: "x y".
window_origin() {
  { xwininfo -name "$title" 2>/dev/null || true; } | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Map State: IsViewable/ {v=1}
    END {if (v) print x, y}'
}
# The window's size: "WxH".
window_size() {
  { xwininfo -name "$title" 2>/dev/null || true; } | awk '
    /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w "x" h}'
}
# The screen now, as a PNG.
shot() { xwd -root -silent | convert xwd:- "$1"; }
# How many pixels of the screen at (x, y) differ from a frame.
differing() {  # screen.png frame.png x y
  convert "$1" -crop "$(identify -format %wx%h "$2")+$3+$4" +repage "$work/area.png"
  compare -metric AE "$work/area.png" "$2" null: 2>&1 || true
}
# Waits until the player's window is mapped (90 s at most).
wait_for_window() {
  local end=$((SECONDS + 90))
  while [ "$SECONDS" -lt "$end" ]; do
    [ -n "$(window_origin)" ] && return 0
    alive || fail "the player ended before its window was shown"
    sleep 0.2
  done
  fail "the window was never shown"
}
# Waits until the window shows a frame (90 s at most, the screen polled).
wait_for() {  # frame.png name
  local origin="" got="" end=$((SECONDS + 90))
  while [ "$SECONDS" -lt "$end" ]; do
    alive || fail "the player ended while waiting for $2"
    origin=$(window_origin)
    if [ -n "$origin" ]; then
      shot "$shots/$2.png"
      got=$(differing "$shots/$2.png" "$1" $origin)
      [ "$got" = 0 ] && return 0
    fi
    sleep 0.2
  done
  fail "the window never showed $2 (${got:-no window}: pixels differ)"
}
move() {  # x y within the window
  local ox oy
  read -r ox oy <<<"$(window_origin)"
  xdotool mousemove $((ox + $1)) $((oy + $2))
}

# Where "Setup", its row of 800x600 in 32 bits and its "Change" are: looks of
# headless runs through the caller's headless function (script.txt what),
# with the pointer at rest. Leaves start.txt and setup.txt, the GUI dumps of
# the launcher and of Setup, and sets setup, mode and change ("x y").
look_up_setup() {  # "x y" of the pointer at rest
  printf '300 move %s\n+300 gui start.txt\n+0 close\n' "$1" > look.txt
  headless look.txt "the launcher"
  setup=$(dump start.txt centre main_setup)
  printf '300 move %s\n+300 click %s\n+300 gui setup.txt\n+0 close\n' "$1" "$setup" > look.txt
  headless look.txt "Setup"
  mode=$(dump setup.txt rowcentre " 800 times 600 pixels| 32 bits per pixel")
  change=$(dump setup.txt centre Setup::vcChange)
}

# The pointer at "x y" of the window as the headless run saw it (its frame
# at-NAME.png), then a click; step also waits for what the click did (NAME.png).
point() {  # name "x y"
  move $2
  wait_for "at-$1.png" "at-$1"
  xdotool click 1
}
step() {  # name "x y"
  point "$1" "$2"
  wait_for "$1.png" "$1"
}
# Waits until the window, at the size WxH, shows the colour RRGGBB at (x, y)
# (60 s at most; xwdpixel.sh must be sourced).
wait_for_colour() {  # x y RRGGBB WxH what
  local end=$((SECONDS + 60)) rgb="" origin ox oy
  while [ "$SECONDS" -lt "$end" ]; do
    alive || fail "the player ended while waiting for $5"
    origin=$(window_origin)
    if [ -n "$origin" ]; then
      read -r ox oy <<<"$origin"
      xwd -root -silent > "$work/colour.xwd"
      rgb=$(xwd_pixel "$work/colour.xwd" $((ox + $1)) $((oy + $2)))
      [ "$rgb" = "$3" ] && [ "$(window_size)" = "$4" ] && return 0
    fi
    sleep 0.1
  done
  fail "$5 was never seen at $4 (last $rgb, not $3)"
}
# After a click on "Exit": the program ends (30 s at most) with exit code 0.
expect_clean_exit() {
  local rc
  for _ in $(seq 1 300); do alive || break; sleep 0.1; done
  alive && fail "Exit did not end the program"
  wait "$pid" && rc=0 || rc=$?
  pid=""
  [ "$rc" -eq 0 ] || fail "Exit ended the program with $rc"
}
