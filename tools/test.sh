#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, compiles the fuzz targets, and runs every test.
# A sanitizer report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
build="$root/build/asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOXA2_SANITIZE=ON
cmake --build "$build"
# The fuzz targets are only compiled here (clang, build/fuzz), so that a change
# cannot break them unseen.
bash "$root/tools/fuzz.sh" --build
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
# The real program end to end, under virtual X displays of its own, one test
# at a time.
ctest --output-on-failure -L e2e
ctest --output-on-failure -j "$(nproc)" -LE e2e
# ctest runs each test case in a process of its own. Each unit test program
# also runs once whole, its tests in shuffled order, so that no test leans on a
# fresh process or on the tests before it; the programs run side by side. The
# seed is printed so that a failing order can be run again
# (VOXA2_TEST_SEED=n tools/test.sh, or the program with --gtest_random_seed=n).
seed=${VOXA2_TEST_SEED:-$((RANDOM % 99999 + 1))}
echo "Every unit test program whole, with --gtest_shuffle --gtest_random_seed=$seed"
export VOXA2_SOURCE_DIR="$root"
logs="$build/whole-runs"
mkdir -p "$logs"
find tests -maxdepth 1 -type f -name 'test_*' ! -name '*.cmake' -perm -u+x -print0 | sort -z |
  xargs -0 -P "$(nproc)" -I{} bash -c '
    log="$2/$(basename "$1").log"
    if "$1" --gtest_shuffle --gtest_random_seed="$3" >"$log" 2>&1; then
      echo "passed whole: $1"
    else
      cat "$log"
      echo "FAILED whole: $1 (--gtest_shuffle --gtest_random_seed=$3)"
      exit 1
    fi' _ {} "$logs" "$seed"
# The toolkit's queue and keyboard manager are shared by two threads, and the
# rasteriser draws with worker threads: their tests run once more under
# ThreadSanitizer (build/tsan).
bash "$root/tools/tsan.sh" test_gui test_platform
