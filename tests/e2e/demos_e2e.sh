#!/usr/bin/env bash
# Every sample demo besides the default one, played by the real program with
# "directlaunch" headless to its end on a fixed frame clock, each frame
# captured: the catalogue of a copy of the tree names the demo as its default.
# Chosen frames show what each command draws at that time.
set -euo pipefail
voxa2=$1
play=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

demo=""
fail() { echo "FAIL ($demo): $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

lines() { sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt; }
counter_seconds() {
  lines | sed -nE 's/^Demo counter result: [0-9]+ frames in ([0-9.e+-]+) seconds => [0-9.]+ frames per second$/\1/p'
}

# The colour at (x, y) of a PNG as RRGGBB.
pixel() { convert "$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }
# Whether two RRGGBB colours differ by at most tol (8 unless given) in each
# channel: the display mode may keep fewer bits than 8 per channel.
near() {
  local a=$1 b=$2 tol=${3:-8} i
  for i in 0 2 4; do
    local d=$(( 16#${a:i:2} - 16#${b:i:2} ))
    [ "${d#-}" -le "$tol" ] || return 1
  done
}
expect_pixel() {  # time-in-ms x y RRGGBB [tolerance]
  local got
  got=$(pixel "$(frame "$1")" "$2" "$3")
  near "$got" "$4" "${5:-8}" || fail "pixel ($2, $3) at $1 ms is $got, not $4"
}
# The largest value of one channel (R, G or B; 0 to 255) in a rectangle.
channel_max() {  # time-in-ms channel WxH+X+Y
  convert "$(frame "$1")" -crop "$3" -channel "$2" -separate -format "%[fx:int(255*maxima+0.5)]" info:
}
channel_min() {  # time-in-ms channel WxH+X+Y
  convert "$(frame "$1")" -crop "$3" -channel "$2" -separate -format "%[fx:int(255*minima+0.5)]" info:
}
# The mean colour of a rectangle as RRGGBB.
mean_colour() {  # time-in-ms WxH+X+Y
  convert "$(frame "$1")" -crop "$2" +repage -scale 1x1! -format "%[hex:u.p{0,0}]" info: | cut -c1-6
}
# How many pixels of a rectangle are dark: every channel below 64.
dark_pixels() {  # time-in-ms WxH+X+Y
  convert "$(frame "$1")" -crop "$2" +repage -fx "max(max(r,g),b) < 0.25 ? 1 : 0" \
    -format "%[fx:int(mean*w*h+0.5)]" info:
}
# How many pixels of a rectangle differ between two frames by more than 8 in a channel.
changed() {  # time-a time-b WxH+X+Y
  convert "$(frame "$1")" -crop "$3" +repage changed-a.png
  convert "$(frame "$2")" -crop "$3" +repage changed-b.png
  compare -metric AE -fuzz 3.2% changed-a.png changed-b.png null: 2>&1 || true
}

# The captured frame at a demo time in milliseconds.
start=0
frame() {
  local f
  f=frames/$(printf 'frame-%07d.png' $((start + $1)))
  [ -f "$f" ] || fail "no frame at $1 ms"
  echo "$f"
}

# Plays the demo to its end: exit code 0, the start line, and a counter line
# of the demo's length.
play_demo() {  # name seconds
  demo=$1
  cd "$work"
  rm -rf "$demo"
  cp -r "$play" "$demo"
  cd "$demo"
  sed -i -E 's/demo ([a-z]+), default;/demo \1;/; s/^( *demo '"$demo"');/\1, default;/' data/demo.ini
  grep -q "demo $demo, default;" data/demo.ini || fail "no such demo in the catalogue"
  mkdir frames
  env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=50 VOXA2_HEADLESS_CAPTURE=frames \
    "$voxa2" directlaunch debugmode nosound && rc=0 || rc=$?
  [ "$rc" -eq 0 ] || fail "exit code $rc"
  lines | grep -xF "OK, now we will start the demo..." >/dev/null || fail "the demo did not start"
  local seconds
  seconds=$(counter_seconds)
  [ -n "$seconds" ] || fail "no counter line"
  python3 -c "import sys; sys.exit(0 if $2 <= $seconds <= $2 + 0.05 else 1)" ||
    fail "counter seconds $seconds, not $2"
  start=$(grep -F "OK, now we will start the demo..." debug.txt | sed -E 's/^\(([0-9]{3})\.([0-9]{3})\).*/\1\2/')
  start=$((10#$start))
}

# Still life: one picture covering the screen, its sky at row 40 (163, 197, 232).
play_demo still 2.5
expect_pixel 1000 320 40 A3C5E8
[ "$(changed 100 2400 640x480+0+0)" = 0 ] || fail "the still picture changed"

# Effects: the textured commands.
play_demo effects 17
# The rotozoomer's tile covers the screen and turns.
[ "$(channel_min 2000 R 640x100+0+250)" -ge 10 ] || fail "black under the rotozoomer"
[ "$(changed 1000 3000 640x100+0+250)" -ge 30000 ] || fail "the rotozoomer stands still"
# The title reads over the warm tile: its letters have a dark outline (a few
# dozen dark pixels without one, well over a thousand with it).
[ "$(dark_pixels 2750 500x30+70+130)" -ge 500 ] || fail "the title has no dark outline"
# Two additive balls over the wobble: the first saturates to white, the second
# is tinted but keeps its blue.
expect_pixel 6500 320 168 FFFFFF
[ "$(channel_min 6500 B 3x3+319+311)" -ge 240 ] || fail "the second ball is missing"
# fade_to_color: bright before the fade, black at its end.
[ "$(channel_max 8000 G 640x480+0+0)" -ge 200 ] || fail "dark before the fade"
[ "$(channel_max 8950 R 640x480+0+0)" -le 16 ] || fail "the fade did not reach black"
# The slideshow holds each of its three slides once: their top colours.
tops=$(for t in 10500 12500 14500; do pixel "$(frame $t)" 8 8; done)
for top in D87668 68AE76 687ED8; do
  n=0
  for got in $tops; do near "$got" "$top" && n=$((n + 1)); done
  [ "$n" -eq 1 ] || fail "the slide with the top colour $top held $n times ($tops)"
done

# Pixels: the commands that work on pixels directly (see the script's notes).
play_demo pixels 20
# Bump scroller: the dark blue of the clear above its 640x400 output, no blue
# inside it, a yellow light lit on the text.
expect_pixel 3000 320 20 000040
expect_pixel 3000 320 460 000040
[ "$(channel_max 3000 B 640x400+0+40)" -eq 0 ] || fail "blue in the bump scroller's light"
[ "$(channel_max 3000 R 640x400+0+40)" -ge 200 ] || fail "no light on the bump scroller"
# Morph through the motion trail: the ring's brightest pixel, and the middle of
# the ring black; later the middle of the star in its gray (120).
expect_pixel 6700 420 240 FFFFFF 24
expect_pixel 6700 320 240 000000
expect_pixel 11900 320 240 787878 16
expect_pixel 11900 420 240 000000
# Metaballs through the rotozoomer, white texels tinted (0.4, 0.9, 1).
r=$(channel_max 13000 R 640x480+0+0)
[ "$r" -ge 90 ] && [ "$r" -le 125 ] || fail "red of the tinted blobs is $r"
[ "$(channel_max 13000 B 640x480+0+0)" -ge 240 ] || fail "no blob drawn"
# The grabbed screen shown a quarter size in the corner: it matches the frame
# scaled down but for the edges of the blobs, and moves with it.
for t in 13500 15000; do
  convert "$(frame $t)" -crop 160x120+458+17 +repage corner.png
  convert "$(frame $t)" -scale 160x120 whole.png
  differ=$(compare -metric AE -fuzz 25% corner.png whole.png null: 2>&1 || true)
  [ "$differ" -le 600 ] || fail "the grabbed corner at $t ms differs from the frame in $differ pixels"
done
[ "$(changed 13500 15000 160x120+458+17)" -ge 500 ] || fail "the grabbed corner stands still"
# The dissolve into the closing picture: complete at 19.5 s; at 17.6 s (a
# threshold of 127) about half of the screen shows the picture already.
expect_pixel 19500 8 8 C89E61
expect_pixel 19500 320 20 C59A5A
differ=$(changed 17600 19500 640x480+0+0)
[ "$differ" -ge 76800 ] && [ "$differ" -le 230400 ] || fail "$differ pixels still to dissolve at 17.6 s"

# Space: a 3D animation through a view3D block (see the script's notes).
play_demo space 24
# Black at the start, the picture coming up, black again at the end (the fades).
[ "$(channel_max 0 R 640x480+0+0)" -le 16 ] || fail "not black at the start"
[ "$(channel_max 500 R 640x480+0+0)" -ge 60 ] || fail "nothing comes up at 0.5 s"
[ "$(channel_max 23950 R 640x480+0+0)" -le 24 ] || fail "not black at the end"
# The planet's warm bands cover the centre of the screen at 2 s; lit, warm
# surfaces are in sight all along the flight.
rgb=$(pixel "$(frame 2000)" 320 240)
r=$((16#${rgb:0:2})) b=$((16#${rgb:4:2}))
[ "$r" -ge 80 ] && [ "$r" -ge $((b + 40)) ] || fail "no planet at the centre at 2 s ($rgb)"
for t in 2000 10000 18000; do
  [ "$(channel_max $t R 640x480+0+0)" -ge 150 ] || fail "nothing lit in sight at $t ms"
done
# The camera flies: most of the screen changes between 2, 10 and 18 s.
[ "$(changed 2000 10000 640x480+0+0)" -ge 100000 ] || fail "the picture stands still from 2 to 10 s"
[ "$(changed 10000 18000 640x480+0+0)" -ge 100000 ] || fail "the picture stands still from 10 to 18 s"
# The sky box's purple nebula fills the top right corner at 1 s.
[ "$(convert "$(frame 1000)" -crop 120x60+520+0 +repage -format "%[fx:int(255*mean.r)]" info:)" -ge 40 ] ||
  fail "no nebula in the sky at 1 s"
# The first firework's gold sparks left of the planet: none at 1 s, hundreds at 2.6 s.
gold() {  # time-in-ms
  convert "$(frame "$1")" -crop 160x160+70+40 +repage -fx "(r>=0.86 && g>=0.47 && b<=0.35) ? 1 : 0" \
    -format "%[fx:int(mean*w*h+0.5)]" info:
}
[ "$(gold 1000)" -le 50 ] || fail "gold sparks before the burst"
[ "$(gold 2600)" -ge 400 ] || fail "no firework burst at 2.6 s"
# The star's flare glows at (170, 100) at 5.5 s.
[ "$(channel_min 5500 R 9x9+166+96)" -ge 120 ] || fail "no flare glow at 5.5 s"

# Jelly: a wobbler and a magnet on one ball (see the script's notes).
play_demo jelly 12
# The sky above the ball's top and left of its left edge at rest; the bump
# covers each in its turn.
expect_pixel 1000 320 40 080819
expect_pixel 1000 120 240 080819
! near "$(pixel "$(frame 5000)" 320 40)" 080819 || fail "no bump above the ball at 5 s"
! near "$(pixel "$(frame 9000)" 120 240)" 080819 || fail "no bump left of the ball at 9 s"
# The waves roll below the equator only.
[ "$(changed 1000 1500 640x120+0+300)" -ge 5000 ] || fail "the lower half of the ball stands still"
[ "$(changed 1000 1500 640x110+0+80)" = 0 ] || fail "the upper half of the ball moves"

# Garden: a Text3D scene with a spike, a Bezier sail and a light ray, framed
# as a wide picture (see the script's notes).
play_demo garden 15
# The letterbox: black above and below the window, its gold frame at its edges.
[ "$(channel_max 6000 R 640x58+0+0)" -le 8 ] && [ "$(channel_max 6000 B 640x58+0+422)" -le 8 ] ||
  fail "not black above and below the window"
expect_pixel 6000 320 59 FFCC72 12
expect_pixel 6000 0 200 FFCC72 12
# The blueprint at 1.5 s: the planet as light lines over many dark pixels.
[ "$(channel_max 1500 G 120x120+280+160)" -ge 150 ] || fail "no wire frame at 1.5 s"
[ "$(dark_pixels 1500 120x120+280+160)" -ge 4000 ] || fail "the planet is not drawn as wires at 1.5 s"
# The spike is in the blueprint too: its warm wires above the planet at 2.5 s.
spike=$(convert "$(frame 2500)" -crop 140x40+250+95 +repage -fx "(r>=0.25 && r>=b+0.1) ? 1 : 0" \
  -format "%[fx:int(mean*w*h+0.5)]" info:)
[ "$spike" -ge 200 ] || fail "no spike in the blueprint at 2.5 s ($spike wire pixels)"
# At 6 s, solid: the light ray's pale cone over the dark sky at both ends of
# its crossing, the blue sail at the left, the spike's red-orange above the planet.
for xy in "100 290" "560 345"; do
  [ "$(channel_min 6000 B 3x3+$(( ${xy% *} - 1 ))+$(( ${xy#* } - 1 )))" -ge 100 ] ||
    fail "no light ray at ($xy) at 6 s"
done
rgb=$(pixel "$(frame 6000)" 60 130)
[ $((16#${rgb:4:2})) -ge $(( 16#${rgb:0:2} + 60 )) ] || fail "no sail at 6 s ($rgb)"
rgb=$(pixel "$(frame 6000)" 340 90)
[ $((16#${rgb:0:2})) -ge 200 ] && [ $((16#${rgb:4:2})) -le 100 ] || fail "no spike at 6 s ($rgb)"
[ "$(channel_max 10000 R 636x356+2+62)" -ge 150 ] || fail "nothing lit in sight at 10 s"
[ "$(channel_max 0 R 640x480+0+0)" -le 16 ] || fail "not black at the start"
[ "$(channel_max 14950 R 640x480+0+0)" -le 24 ] || fail "not black at the end"

# Lake: water, trees, decorations, blobs and a crystal (see the script's notes).
play_demo lake 20
[ "$(channel_max 0 R 640x480+0+0)" -le 16 ] || fail "not black at the start"
[ "$(channel_max 19950 R 640x480+0+0)" -le 24 ] || fail "not black at the end"
for t in 3000 10000 17000; do
  # The evening sky at the top (the clear colour), teal water at the bottom.
  near "$(mean_colour $t 640x40+0+0)" 426994 || fail "the sky at $t ms is $(mean_colour $t 640x40+0+0)"
  rgb=$(mean_colour $t 640x40+0+440)
  r=$((16#${rgb:0:2})) g=$((16#${rgb:2:2})) b=$((16#${rgb:4:2}))
  [ "$b" -ge $((r + 60)) ] && [ "$g" -ge $((r + 40)) ] || fail "no water at the bottom at $t ms ($rgb)"
done
# The island's meadow in the middle of the screen at 10 s.
rgb=$(mean_colour 10000 160x60+240+270)
r=$((16#${rgb:0:2})) g=$((16#${rgb:2:2})) b=$((16#${rgb:4:2}))
[ "$g" -ge $((r + 20)) ] && [ "$g" -ge $((b + 30)) ] || fail "no island at 10 s ($rgb)"
# The camera circles and the waves move.
[ "$(changed 3000 10000 640x480+0+0)" -ge 100000 ] || fail "the picture stands still from 3 to 10 s"
[ "$(changed 10000 10500 640x160+0+320)" -ge 5000 ] || fail "the water stands still"

echo "demos e2e: ok"
