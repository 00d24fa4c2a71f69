#!/usr/bin/env bash
# Builds one libFuzzer target (fuzz/<target>.cpp) with Debian's clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs it.
#   tools/fuzz.sh TARGET [SECONDS]     (default 180 seconds)
#   tools/fuzz.sh --build              compiles every target, runs none
# Targets: archives, pictures, fonts, script, catalogue, demoscript, picturedsc,
# fontdesc, scrolly, samples, modules, threeds, animdsc, text3d, markup,
# inputscript. Findings are written to
# build/fuzz/findings-TARGET/. The targets that read a data tree find the
# sample data (target sample_data) as "data" in their working folder.
set -euo pipefail
target=${1:?usage: tools/fuzz.sh TARGET [SECONDS] | tools/fuzz.sh --build}
seconds=${2:-180}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "$target" != --build ] && [ ! -f "$root/fuzz/$target.cpp" ]; then
  echo "no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi

bash "$root/tools/install-deps.sh"
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVOXA2_TESTS=OFF -DVOXA2_FUZZ=ON
if [ "$target" = --build ]; then
  cmake --build "$build" --target fuzz_targets
  exit 0
fi
cmake --build "$build" --target "fuzz_$target"

corpus="$build/corpus-$target"
findings="$build/findings-$target"
work="$build/work-$target"  # the script target's debug.txt lands here
rm -rf "$work"
mkdir -p "$corpus" "$findings" "$work"
play="$build/play/data"
case "$target" in
  archives | pictures | script | threeds | text3d | markup | inputscript) ;;
  *)
    cmake --build "$build" --target sample_data
    ln -s "$play" "$work/data"
    ;;
esac

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
# The sample tree's files of a kind, and the hand-written seeds of fuzz/corpus/TARGET.
seed_from() {
  local f
  for f in "$@"; do
    [ -f "$f" ] && cp "$f" "$corpus/$(basename "$(dirname "$f")")-$(basename "$f")"
  done
  if [ -d "$root/fuzz/corpus/$target" ]; then cp "$root/fuzz/corpus/$target"/* "$corpus"/; fi
}
seed_script() { seed_from; }
seed_fonts() { seed_from; }
seed_catalogue() { seed_from "$play/demo.ini"; }
seed_demoscript() { seed_from "$play"/demos/*.scr; }
seed_picturedsc() { seed_from "$play"/pictures/*.dsc; }
seed_fontdesc() { seed_from "$play"/fonts/*.dsc; }
seed_scrolly() { seed_from "$play"/scrolly/*.scr; }
seed_samples() { seed_from "$play"/samples/*; }
seed_modules() { seed_from "$play"/music/*; }
seed_threeds() { python3 "$root/tools/gen/threeds.py" --seeds "$corpus"; }
seed_text3d() { seed_from "$root"/tests/threedee/loaders/data/*.T3D "$root"/data/3ds/*.T3D; }
seed_animdsc() { seed_from "$play"/3ds/*.dsc; }
seed_markup() { seed_from; }
seed_inputscript() { seed_from; }
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
