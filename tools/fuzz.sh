#!/usr/bin/env bash
# Builds one libFuzzer target (fuzz/<target>.cpp) with Debian's clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs it.
#   tools/fuzz.sh TARGET [SECONDS]     (default 180 seconds)
# Targets: archives, pictures, script. Findings are written to build/fuzz/findings-TARGET/.
set -euo pipefail
target=${1:?usage: tools/fuzz.sh TARGET [SECONDS]}
seconds=${2:-180}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/fuzz/$target.cpp" ]; then
  echo "no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi

bash "$root/tools/install-deps.sh"
# libFuzzer's runtime comes with clang's runtime libraries.
need=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${need[@]}"
fi

build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVOXA2_TESTS=OFF -DVOXA2_FUZZ=ON
cmake --build "$build" --target "fuzz_$target"

corpus="$build/corpus-$target"
findings="$build/findings-$target"
work="$build/work-$target"  # the script target's debug.txt lands here
rm -rf "$work"
mkdir -p "$corpus" "$findings" "$work"

seed_archives() {
  cmake --build "$build" --target vornarc
  local tool="$build/tools/vornarc/vornarc" seeds
  seeds=$(mktemp -d)
  mkdir -p "$seeds/tree/GUI"
  printf 'demo demo demo scroller scroller plasma\n%.0s' {1..40} > "$seeds/tree/readme.txt"
  head -c 700 /dev/urandom > "$seeds/tree/GUI/noise.bin"
  printf 'x' > "$seeds/tree/GUI/one.txt"
  for m in stored deflate lzh bzip2; do
    "$tool" create "$corpus/seed-$m.dat" "$seeds/tree" -m "$m" -b 2
  done
  "$tool" append "$corpus/seed-lzh.dat" "$corpus/seed-exe" viewer.dat="$corpus/seed-deflate.dat"
  (cd "$seeds/tree" && zip -q -r "$corpus/seed.zip" . && zip -q -r -0 "$corpus/seed-stored.zip" .)
  rm -rf "$seeds"
}
seed_pictures() {
  "$root/fuzz/make_picture_seeds.sh" "$corpus"
}
seed_script() {
  cp "$root"/fuzz/corpus/script/* "$corpus"/
}
if [ -z "$(ls -A "$corpus")" ] && declare -F "seed_$target" >/dev/null; then
  "seed_$target"
fi

cd "$work"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
dict=()
[ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=65536 -timeout=30 \
  -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$corpus"
