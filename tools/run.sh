#!/usr/bin/env bash
# Builds Pictrove and starts it.
#   bash tools/run.sh            the dialog on the bundled sample drawings
#   bash tools/run.sh ARGS...    the program with these arguments
# Without a display it says so and runs the headless job on the samples
# instead: their list, then their export into a temporary folder.
#   PICTROVE_BUILD_DIR     build folder (default: build)
#   PICTROVE_RUN_PREBUILT  1: use the build as it is, installing and building
#                          nothing (for the tests)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${PICTROVE_BUILD_DIR:-$here/build}"
if [ "${PICTROVE_RUN_PREBUILT:-0}" != 1 ]; then
  bash "$here/tools/setup-debian.sh"
  cmake -S "$here" -B "$build"
  cmake --build "$build" -j"$(nproc)" --target pictrove samples
fi
exe="$build/app/pictrove"
samples="$build/samples"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if [ $# -gt 0 ]; then
    # Arguments of the headless command line run as given.
    case "$1" in
      --list|--export|--help|--version|-h|-v|--list=*|--export=*) exec "$exe" "$@" ;;
    esac
  fi
  echo "No display found: the dialog needs a desktop session."
  echo "Here is the same work headless, over the sample drawings in $samples."
  echo
  echo "\$ pictrove --list $samples"
  "$exe" --list "$samples"
  out=$(mktemp -d "${TMPDIR:-/tmp}/pictrove-samples.XXXXXX")
  echo
  echo "\$ pictrove --export $samples --format PNG --output $out"
  "$exe" --export "$samples" --format PNG --output "$out"
  echo
  echo "The sample previews are now PNG images in $out."
  echo "On a desktop, 'bash tools/run.sh' opens the dialog on the samples."
  exit 0
fi

if [ $# -eq 0 ]; then
  exec "$exe" "$samples"
fi
exec "$exe" "$@"
