#!/usr/bin/env bash
# Plays each sample demo of the build's play tree headless, "directlaunch" on a
# fixed 20 ms frame clock, in each display mode, and prints its median and
# worst frame time, also without the first frame.
# Usage: demos_bench.sh [voxa2 [play-folder]] (defaults: the build folder's
# voxa2 and play/; prefix with taskset to limit the cores).
set -euo pipefail
build=$(cd "$(dirname "$0")/.." && pwd)
voxa2=${1:-$build/voxa2}
play=${2:-$build/play}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

demos=$(sed -nE 's/^ *demo ([a-z0-9_]+)(, default)?;$/\1/p' "$play/data/demo.ini")
for demo in $demos; do
  for mode in 640x480x16 1280x720x32 1920x1080x32; do
    rm -rf "$work/tree"
    cp -r "$play" "$work/tree"
    cd "$work/tree"
    sed -i -E 's/demo ([a-z0-9_]+), default;/demo \1;/; s/^( *demo '"$demo"');/\1, default;/' \
      data/demo.ini
    env -u DISPLAY -u WAYLAND_DISPLAY VOXA2_HEADLESS_FRAME_MS=20 VOXA2_HEADLESS_MODE=$mode \
      VOXA2_HEADLESS_FRAME_TIMES="$work/times" "$voxa2" directlaunch nosound >/dev/null 2>&1 ||
      { echo "$demo $mode: the player failed"; continue; }
    # The first frame carries one-off work (first uses of pictures and
    # surfaces), so the worst frame after it is given too.
    later=$(tail -n +2 "$work/times" | sort -n | tail -n 1)
    sort -n "$work/times" | awk -v demo="$demo" -v mode="$mode" -v later="${later:-0}" '
      { t[NR] = $1 }
      END {
        if (NR == 0) { printf "%-10s %-13s no frames\n", demo, mode; exit }
        printf "%-10s %-13s %5d frames  median %7.2f ms  worst %7.2f ms  after the first %7.2f ms\n",
               demo, mode, NR, t[int((NR + 1) / 2)] / 1000, t[NR] / 1000, later / 1000
      }'
  done
done
