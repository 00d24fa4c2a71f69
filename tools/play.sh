#!/usr/bin/env bash
# Installs what is missing, builds the player and runs it on the bundled data
# tree. Arguments are passed to the player (debugmode, windowed, nosound, directlaunch).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXA2_TESTS=OFF
cmake --build "$root/build/release" --target voxa2
cd "$root"  # the player finds its "data" folder and writes debug.txt in the current folder
exec "$root/build/release/voxa2" "$@"
