#!/usr/bin/env bash
# Installs what is missing, builds the player and its sample data tree, and runs
# it in build/release/play (data/ and viewer.dat). Arguments are passed to the
# player (debugmode, windowed, nosound, directlaunch): without "directlaunch" it
# shows the launcher, with it the default demo plays at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXA2_TESTS=OFF
cmake --build "$root/build/release" --target voxa2 sample_data
cd "$root/build/release/play"  # the player finds "data" and viewer.dat here and writes debug.txt
exec "$root/build/release/voxa2" "$@"
