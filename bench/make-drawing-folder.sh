#!/usr/bin/env bash
# Fills FOLDER with COUNT drawings: copies of the real drawings in
# ../shared/drawings in turn (every version, those without a preview too),
# named drawing-00000.dwg onwards, for the scan and command-line benchmarks.
# With "link", hard links take the place of copies: the same bytes for a
# warm page cache, without a copy's disk space for every drawing (100,000
# copies would take some 30 GB).
#   bench/make-drawing-folder.sh FOLDER COUNT [link]
set -euo pipefail
folder=${1:?folder}
count=${2:?count}
how=cp
if [ "${3:-}" = link ]; then how="ln -f"; fi
here=$(cd "$(dirname "$0")/.." && pwd)
source_dir=${PICTROVE_DRAWINGS_DIR:-$here/../shared/drawings}
mapfile -t sources < <(find "$source_dir" -maxdepth 1 -name '*.dwg' | sort)
if [ ${#sources[@]} -eq 0 ]; then
  echo "no drawings in $source_dir" >&2
  exit 1
fi
mkdir -p "$folder"
for ((i = 0; i < count; i++)); do
  $how "${sources[i % ${#sources[@]}]}" "$(printf '%s/drawing-%05d.dwg' "$folder" "$i")"
done
