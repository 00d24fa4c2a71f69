#!/usr/bin/env bash
# The real program, copied with archives appended to it, started in a folder
# that holds an archive, a viewer.dat and an old debug.txt: it logs the data
# files it finds in order, once each, and ends finding no demo to play.
set -euo pipefail
voxa2=$1
vornarc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; echo "--- debug.txt"; cat debug.txt 2>/dev/null || true; exit 1; }

mkdir -p tree/GUI
echo "catalogue" > tree/demo.ini
echo "launcher" > tree/GUI/font.txt
"$vornarc" create demos.dat tree -m deflate > /dev/null
"$vornarc" create viewer.dat tree -m lzh > /dev/null
printf 'x' > one.bin
"$vornarc" append "$voxa2" player inner.dat=demos.dat one.bin=one.bin viewer.dat=viewer.dat > /dev/null
chmod +x player
echo "an old log" > debug.txt
mkdir run && mv demos.dat viewer.dat debug.txt run/ && cd run

env -u DISPLAY -u WAYLAND_DISPLAY ../player directlaunch debugmode windowed nosound && rc=0 || rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc"
grep -q "No demo collectors found!" debug.txt || fail "a catalogue was found"

inner=$(stat -c %s demos.dat)
viewer=$(stat -c %s viewer.dat)
want="Seeking for datafiles...
  Found datafile demos.dat
VORNarc/EXE archive found!
    inner.dat ($inner bytes)
      Found datafile inner.dat
    one.bin (1 byte)
    viewer.dat ($viewer bytes)
  3 files found
Found viewer.dat
  mounted."
got=$(sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt | sed -n '/^Seeking for datafiles/,/^  mounted\.$/p')
[ "$got" = "$want" ] || fail "data file lines:
$got"
grep -q "an old log" debug.txt && fail "the old debug.txt was not replaced"
echo "datafiles e2e: ok"
