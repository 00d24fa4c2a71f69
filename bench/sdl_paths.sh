#!/usr/bin/env bash
# Plays the default sample demo full-screen on a virtual 1920x1080 X display
# through each way SDL can bring the frames to the window, in turns, and
# prints per way the median frame rate and the median CPU time of the player
# (seconds for the whole run), each with its ratio to the way the player
# chooses by itself. Usage: sdl_paths.sh [voxa2 [play-folder [rounds]]]
# (defaults: the build folder's voxa2 and play/, 3 rounds).
set -euo pipefail
build=$(cd "$(dirname "$0")/.." && pwd)
voxa2=$(realpath "${1:-$build/voxa2}")
play=$(realpath "${2:-$build/play}")
rounds=${3:-3}
work=$(mktemp -d)
xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
  grep -qE '^[0-9]+$' "$work/display" 2>/dev/null && break
  sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
cp -r "$play" "$work/tree"
cd "$work/tree"

# name and environment of each way; the first is the player's own choice.
ways=("chosen:" "gl-surface:SDL_FRAMEBUFFER_ACCELERATION=1" "gl-renderer:SDL_RENDER_DRIVER=opengl")
for round in $(seq 1 "$rounds"); do
  for way in "${ways[@]}"; do
    name=${way%%:*}
    rm -f debug.txt
    env ${way#*:} /usr/bin/time -f "%U %S" -o cpu "$voxa2" directlaunch debugmode nosound \
      >/dev/null 2>&1 || { echo "$name: the player failed"; continue; }
    fps=$(sed -nE 's/.*Demo counter result: .* => ([0-9.]+) frames per second.*/\1/p' debug.txt)
    echo "$name ${fps:-0} $(awk '{print $1 + $2}' cpu)" >> results
  done
done
awk '
  { n[$1]++; fps[$1, n[$1]] = $2; cpu[$1, n[$1]] = $3; if (!($1 in seen)) { seen[$1]; order[++k] = $1 } }
  function median(a, name, count,    i, j, t, v) {
    for (i = 1; i <= count; i++) v[i] = a[name, i]
    for (i = 1; i <= count; i++) for (j = i + 1; j <= count; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return v[int((count + 1) / 2)]
  }
  END {
    base_fps = median(fps, order[1], n[order[1]]); base_cpu = median(cpu, order[1], n[order[1]])
    for (i = 1; i <= k; i++) {
      f = median(fps, order[i], n[order[i]]); c = median(cpu, order[i], n[order[i]])
      printf "%-12s %6.1f fps (%.2fx chosen)  %6.2f s CPU (%.2fx chosen)\n", order[i], f, f / base_fps, c, c / base_cpu
    }
  }' results
