#!/usr/bin/env bash
# Builds the tests of the threaded code with ThreadSanitizer into build/tsan
# and runs them; a data race fails the run.
#   tools/tsan.sh [TEST_PROGRAM...]     (default: test_gui test_platform)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
build="$root/build/tsan"
programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then programs=(test_gui test_platform); fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOXA2_TSAN=ON
# The toolkit tests read the launcher's generated font from the build tree.
cmake --build "$build" --target sample_data "${programs[@]}"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
export VOXA2_SOURCE_DIR="$root"
# The rasteriser draws with worker threads, whatever the machine.
export VOXA2_THREADS="${VOXA2_THREADS:-8}"
cd "$build"
for program in "${programs[@]}"; do
  "$build/tests/$program"
done
