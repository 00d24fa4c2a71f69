# Sourced by the end-to-end scripts that drive the player's window under X:
# where the window is, screenshots, and waiting until the window shows a
# frame that a headless run drew. Needs $pid (the player), $work (a scratch
# folder), $shots (where screenshots go) and fail().
title="VOXA2 viewer for Linux/SDL2"

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
# Waits until the window shows a frame (60 s at most, the screen polled).
wait_for() {  # frame.png name
  local origin="" got=""
  for _ in $(seq 1 300); do
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
# The pointer to (x, y) within the window.
move() {
  local ox oy
  read -r ox oy <<<"$(window_origin)"
  xdotool mousemove $((ox + $1)) $((oy + $2))
}
