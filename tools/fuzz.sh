#!/usr/bin/env bash
# Builds and runs a libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer. Not part of the normal build.
#   tools/fuzz.sh [target] [seconds]   (target: script (default) or pictures; seconds: 180)
#   tools/fuzz.sh [seconds]            (the script target)
# script:   the script front end (tokenizer, preprocessor, expression evaluators)
# pictures: the JPEG, PNG, PCX and TGA readers and the picture loader
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
target="script"
if [ $# -gt 0 ] && ! [[ "$1" =~ ^[0-9]+$ ]]; then
  target="$1"
  shift
fi
seconds="${1:-180}"
build="$root/build-fuzz"
case "$target" in
  script | pictures) ;;
  *) echo "unknown fuzz target: $target (script, pictures)" >&2; exit 2 ;;
esac

need=(clang libclang-rt-14-dev)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" -G Ninja -DVOXA2_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
ninja -C "$build" voxa2_script voxa2_foundation voxa2_windxkernel voxa2_platform

clang++ -std=c++20 $flags -fsanitize=fuzzer -I"$root" "$root/fuzz/${target}_fuzzer.cpp" \
  -Wl,--start-group "$build"/script/libvoxa2_script.a "$build"/foundation/libvoxa2_foundation.a \
  "$build"/windxkernel/libvoxa2_windxkernel.a "$build"/platform/libvoxa2_platform.a -Wl,--end-group \
  $(pkg-config --libs sdl2) -lz -lbz2 -lpng -ljpeg -lpthread \
  -o "$build/${target}_fuzzer"

corpus="$build/corpus-$target"
mkdir -p "$corpus"
cp -n "$root"/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
options=()
if [ -f "$root/fuzz/$target.dict" ]; then options+=(-dict="$root/fuzz/$target.dict"); fi
if [ "$target" = pictures ] && [ -x "$root/fuzz/make_picture_seeds.sh" ]; then
  "$root/fuzz/make_picture_seeds.sh" "$corpus"
fi
# The readers write their failures to debug.txt in the current folder.
cd "$build"
"$build/${target}_fuzzer" "$corpus" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
  "${options[@]}"
