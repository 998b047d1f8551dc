#!/usr/bin/env bash
# Fills FOLDER with COUNT drawings: copies of the real drawings in
# ../shared/drawings in turn (every version, those without a preview too),
# named drawing-00000.dwg onwards, for the scan and command-line benchmarks.
#   bench/make-drawing-folder.sh FOLDER COUNT
set -euo pipefail
folder=${1:?folder}
count=${2:?count}
here=$(cd "$(dirname "$0")/.." && pwd)
source_dir=${PICTROVE_DRAWINGS_DIR:-$here/../shared/drawings}
mapfile -t sources < <(find "$source_dir" -maxdepth 1 -name '*.dwg' | sort)
if [ ${#sources[@]} -eq 0 ]; then
  echo "no drawings in $source_dir" >&2
  exit 1
fi
mkdir -p "$folder"
for ((i = 0; i < count; i++)); do
  cp "${sources[i % ${#sources[@]}]}" "$(printf '%s/drawing-%05d.dwg' "$folder" "$i")"
done
