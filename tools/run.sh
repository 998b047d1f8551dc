#!/usr/bin/env bash
# Builds Pictrove and starts it. Without a display it says so and shows the
# headless export over the bundled sample drawings instead.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup-debian.sh"
build="${PICTROVE_BUILD_DIR:-$here/build}"
# Tests and benchmarks are built only where their frameworks are installed;
# running the program needs neither.
cmake -S "$here" -B "$build"
cmake --build "$build" -j"$(nproc)" --target pictrove samples
exe="$build/app/pictrove"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the dialog needs a desktop session."
  echo "The same work runs headless, for example over the sample drawings:"
  echo "  $exe --export $build/samples --format PNG"
  exit 0
fi
exec "$exe" "$@"
