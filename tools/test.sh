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
# The real program under a virtual X display depends on timing that a loaded
# machine can upset: those tests get a second try; every other test gets one.
ctest --output-on-failure -L e2e --repeat until-pass:2
ctest --output-on-failure -j "$(nproc)" -LE e2e
