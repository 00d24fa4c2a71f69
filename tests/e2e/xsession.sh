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
