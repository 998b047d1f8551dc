#!/usr/bin/env bash
# Builds the preview core, the dialog's logic and the platform stand-ins
# under ThreadSanitizer in build-tsan/ and runs their tests (scans, saving,
# the command line's streamed work, the pixel arena) with four threads.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup-debian.sh"
build="${PICTROVE_TSAN_BUILD_DIR:-$here/build-tsan}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPICTROVE_TSAN=ON \
  -DPICTROVE_GUI=OFF -DPICTROVE_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target test_core test_dialog test_cli test_platform
export PICTROVE_THREADS=4
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/tests/tsan.supp"
for program in core/test_core dialog/test_dialog cli/test_cli platform/test_platform; do
  echo "== $program under ThreadSanitizer"
  "$build/tests/$program" --gtest_brief=1
done
