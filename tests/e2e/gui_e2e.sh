#!/usr/bin/env bash
# Runs on a 1024x768x24 X server of its own (xserver.sh). The toolkit's widget scene,
# drawn by the headless backend, and the same scene shown in an SDL window on
# the X display: the window's pixels equal the headless frame, pixel for pixel.
set -euo pipefail
probe=$1
build=$2
work=$(mktemp -d)
set -m  # the windowed probe in a process group of its own
pid=""
finish() {
  [ -z "$pid" ] || kill -KILL -- "-$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
source "$(dirname "$0")/longdemo.sh"
cd "$work"
make_long_demo
ln -s "$build/gen" gen
title="VOXA2 viewer for Linux/SDL2"
fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

VOXA2_HEADLESS_MODE=640x480x32 "$probe" headless.ppm 5 headless windowed debugmode ||
  fail "the headless run ended with $?"
[ -s headless.ppm ] || fail "the headless run wrote no frame"

"$probe" window.ppm 5 sdl windowed debugmode &
pid=$!
for _ in $(seq 1 600); do
  [ -s window.ppm ] && xwininfo -name "$title" 2>/dev/null | grep -q IsViewable && break
  kill -0 "$pid" 2>/dev/null || fail "the windowed run ended early"
  sleep 0.1
done
[ -s window.ppm ] || fail "the windowed run wrote no frame"
cmp -s headless.ppm window.ppm || fail "the windowed run drew another frame than the headless one"
# Presents are paced; give the last one time to reach the server.
sleep 1
xwd -name "$title" -silent > window.xwd
python3 - window.xwd headless.ppm <<'PY' || fail "the window differs from the headless frame"
import struct, sys
data = open(sys.argv[1], "rb").read()
h = struct.unpack(">25I", data[:100])
header_size, width, height, byte_order, bpp, bpl = h[0], h[4], h[5], h[7], h[11], h[12]
rmask, gmask, bmask, ncolors = h[14], h[15], h[16], h[19]
ppm = open(sys.argv[2], "rb").read()
magic, w, hh, maxval, pixels = ppm.split(maxsplit=4)
w, hh = int(w), int(hh)
if (width, height) != (w, hh):
    sys.exit("window %dx%d, frame %dx%d" % (width, height, w, hh))
def chan(v, m):
    s = (m & -m).bit_length() - 1
    return ((v & m) >> s) * 255 // (m >> s)
base = header_size + ncolors * 12
step = bpp // 8
order = "little" if byte_order == 0 else "big"
bad = 0
for y in range(hh):
    row = base + y * bpl
    for x in range(w):
        v = int.from_bytes(data[row + x * step:row + x * step + step], order)
        got = (chan(v, rmask), chan(v, gmask), chan(v, bmask))
        want = tuple(pixels[(y * w + x) * 3:(y * w + x) * 3 + 3])
        if got != want:
            if bad < 5:
                print("(%d, %d): window %02X%02X%02X, frame %02X%02X%02X" % ((x, y) + got + want))
            bad += 1
if bad:
    sys.exit("%d pixels differ" % bad)
PY
echo "the window equals the headless frame"
