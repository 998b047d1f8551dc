#!/usr/bin/env bash
# Builds Pictrove and runs the whole test suite.
#   PICTROVE_BUILD_DIR   build folder (default: build)
#   PICTROVE_CMAKE_ARGS  extra CMake arguments (e.g. -DPICTROVE_SANITIZE=ON)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup-debian.sh"
build="${PICTROVE_BUILD_DIR:-$here/build}"
# shellcheck disable=SC2086
cmake -S "$here" -B "$build" ${PICTROVE_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
