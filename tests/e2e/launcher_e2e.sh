#!/usr/bin/env bash
# The launcher of the real program, headless on a fixed frame clock, driven by
# an input script through the same input path as a user's mouse: the demo list
# and its selection, a click on "Still life" and on "Run", the loading picture,
# the demo, the launcher again as it was built at the start, "Exit".
set -euo pipefail
voxa2=$1
play=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$play" "$work/tree"
cd "$work/tree"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }
dump() { python3 "$here/guidump.py" "$@"; }
lines() { sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt; }
# The program as a user starts it, headless: the launcher, no "directlaunch".
play() {  # script-file [capture-folder]
  rm -f debug.txt
  env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=40 VOXA2_HEADLESS_SCRIPT="$1" \
    ${2:+VOXA2_HEADLESS_CAPTURE=$2} timeout 120 "$voxa2" windowed debugmode nosound
}

# 1. Where things are: the launcher as built at the start, then the window's
# close button.
cat > look.txt <<'EOF'
500 gui start.txt
+0 frame start.png
+100 close
EOF
play look.txt || fail "closing the launcher ended with $?"
[ -s start.txt ] || fail "no launcher to look at"

# The rows in order with their colours: the catalogue's title (not selectable),
# then its demos, the default one selected.
expected=$(cat <<'EOF'
VOXA2 sample demos|FFFFFF|0|0
Showcase|BFBFBF|1|1
Still life|BFBFBF|1|0
Effects|BFBFBF|1|0
Pixels|BFBFBF|1|0
Space|BFBFBF|1|0
Jelly|BFBFBF|1|0
Garden|BFBFBF|1|0
Lake|BFBFBF|1|0
EOF
)
[ "$(dump start.txt rows main_list)" = "$expected" ] || fail "the rows are $(dump start.txt rows main_list)"
[ "$(dump start.txt field main_run enabled)" = 1 ] || fail "Run is disabled"
[ "$(dump start.txt field quickinfo caption)" = "Preferred resolution: 640 times 480" ] ||
  fail "the quick information reads \"$(dump start.txt field quickinfo caption)\""
showcase_text=$(dump start.txt field infotext caption)
[ -n "$showcase_text" ] || fail "the default demo has no description"

# 2. The session: "Still life", "Run", the demo, the launcher back, "Exit".
still=$(dump start.txt rowcentre "Still life")
run=$(dump start.txt centre main_run)
cat > session.txt <<EOF
500 move $run
+300 frame at-run.png
+0 click $still
+300 gui selected.txt
+0 click $run
# The loading picture, the demo's 2.5 seconds, the launcher built again.
+6000 gui back.txt
+0 frame back.png
+0 click $(dump start.txt centre main_exit)
EOF
mkdir frames
play session.txt frames && rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "Exit ended the program with $rc"
lines | grep -qxF "Fetched Quit Message from Windows message queue." || fail "no orderly end"

[ "$(dump selected.txt rows main_list | awk -F'|' '$4 == 1 {print $1}')" = "Still life" ] ||
  fail "the click did not select \"Still life\""
[ "$(dump selected.txt field infotext caption)" != "$showcase_text" ] ||
  fail "the description did not follow the selection"
lines | grep -qxF "OK, now we will start the demo..." || fail "the demo did not start"
lines | grep -qE "^Demo counter result: [0-9]+ frames in 2\.[0-9]+ seconds" ||
  fail "the demo did not play to its end"
dump back.txt same start.txt || fail "the launcher came back other than it was built at the start"

# The launcher drawn again is the launcher as it was first drawn, pixel for
# pixel, with the pointer where the mouse still is: on "Run".
[ "$(compare -metric AE back.png at-run.png null: 2>&1)" = 0 ] ||
  fail "the launcher looks other than at the start"
# The frames in order: the launcher (the desktop picture at the top right),
# once the demo's loading picture (a gradient from (40, 40, 40) to (120, 110,
# 90)), the still picture (its sky at row 40), the launcher again.
desktop=$(convert start.png -format "%[hex:u.p{630,10}]" info:)
seen=$(identify -format "%[hex:u.p{10,10}] %[hex:u.p{630,470}] %[hex:u.p{320,40}] %[hex:u.p{630,10}]\n" \
         frames/frame-*.png |
       awk -v desktop="$desktop" '
         $1 == "292929FF" && $2 == "766D59FF" {print "loading"; next}
         $3 == "A3C5E8FF" {print "demo"; next}
         $4 == desktop {print "launcher"; next}
         {print "other"}' | uniq -c | awk '{print $2 ($2 == "loading" ? "x" $1 : "")}' | xargs)
[ "$seen" = "launcher loadingx1 demo launcher" ] || fail "the frames show: $seen"
echo "launcher e2e: ok"
