#!/usr/bin/env bash
# Pictrove on a simulated network share: the drawings are mounted through
# slowfs.py (every lookup, open, listing and read waits DELAY_MS), and each
# measurement runs against a plain reader over the same mount, alternating
# run by run; the medians and their ratio are printed.
#   bench/share-bench.sh [DELAY_MS [RUNS]]
#     (a) pictrove-thumbnailer on the drawing with the largest preview
#         against `cat` of the same file;
#     (b) `pictrove --list` of 500 drawings with the default threads against
#         PICTROVE_THREADS=16 (LIST_RUNS runs each, default 5);
#     (c) `pictrove --export` of the same drawings as PNG files into a local
#         folder, the same way (EXPORT_RUNS runs each, default LIST_RUNS).
# Environment: BUILD (build folder, default build), THUMBNAILER_BEFORE (a
# second thumbnailer, e.g. an older build, timed in the same rotation),
# PROGRAM_BEFORE (a second pictrove, timed with the defaults in (b) and (c)),
# SLOWFS (default ../shared/tools/slowfs.py), PYTHON (one with Debian's fusepy,
# default /usr/bin/python3), LARGE (the drawing for (a)).
# Needs python3-fusepy, libfuse2 and fuse3 (Debian), which only this
# benchmark uses. It stops by itself: everything runs under a time limit
# and the share is unmounted on every way out.
set -euo pipefail
delay=${1:-1}
runs=${2:-31}
list_runs=${LIST_RUNS:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
drawings=${PICTROVE_DRAWINGS_DIR:-$here/../shared/drawings}
slowfs=${SLOWFS:-$here/../shared/tools/slowfs.py}
large=${LARGE:-$drawings/r2010-large-preview.dwg}
thumbnailer=$build/thumbnailer/pictrove-thumbnailer
program=$build/app/pictrove
for tool in "$thumbnailer" "$program" "$slowfs" "$large"; do
  [ -e "$tool" ] || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/pictrove-share-XXXXXX)
mount=$work/mount
server=
cleanup() {
  if mountpoint -q "$mount" 2>/dev/null; then fusermount -u "$mount" 2>/dev/null || fusermount -uz "$mount" || true; fi
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/share/folder" "$mount"
cp "$large" "$work/share/large.dwg"
PICTROVE_DRAWINGS_DIR=$drawings "$here/bench/make-drawing-folder.sh" "$work/share/folder" 500

"${PYTHON:-/usr/bin/python3}" "$slowfs" "$work/share" "$mount" "$delay" > "$work/slowfs.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  [ -e "$mount/large.dwg" ] && break
  kill -0 "$server" 2>/dev/null || { cat "$work/slowfs.log" >&2; exit 1; }
  sleep 0.1
done
[ -e "$mount/large.dwg" ] || { echo "the share did not come up" >&2; exit 1; }
# A limit on the whole run: a hung request must not keep the script alive.
# The server goes first, so that a read waiting on it fails and returns.
limit=${LIMIT_SECONDS:-900}
( sleep "$limit"; echo "share-bench: time limit of ${limit}s reached" >&2
  kill "$server"; fusermount -uz "$mount"; kill -TERM $$ ) > /dev/null 2>&1 &
watchdog=$!
trap 'kill $watchdog 2>/dev/null || true; cleanup' EXIT
export QT_QPA_PLATFORM=offscreen

# Milliseconds that a command takes, fork to exit, its output discarded.
elapsed_ms() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null 2>&1 || true
  local end=$EPOCHREALTIME
  echo "$(( (${end/./} - ${start/./}) ))" | awk '{ printf "%.2f", $1 / 1000 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "share: slowfs at ${delay} ms per request; machine shared with other work, medians of alternating runs"
echo "(a) thumbnail of $(basename "$large") ($(stat -c %s "$large") bytes), $runs runs each"
: > "$work/cat" ; : > "$work/thumb" ; : > "$work/before"
out=$work/thumbnail.png
for ((i = 0; i < runs; i++)); do
  elapsed_ms cat "$mount/large.dwg" >> "$work/cat"; echo >> "$work/cat"
  elapsed_ms "$thumbnailer" -s 256 "$mount/large.dwg" "$out" >> "$work/thumb"; echo >> "$work/thumb"
  if [ -n "${THUMBNAILER_BEFORE:-}" ]; then
    elapsed_ms "$THUMBNAILER_BEFORE" -s 256 "$mount/large.dwg" "$out" >> "$work/before"; echo >> "$work/before"
  fi
done
cat_ms=$(median < "$work/cat")
thumb_ms=$(median < "$work/thumb")
echo "  cat                      $cat_ms ms"
echo "  pictrove-thumbnailer     $thumb_ms ms   ($(awk -v a="$thumb_ms" -v b="$cat_ms" 'BEGIN { printf "%.2f", a / b }') x cat)"
if [ -n "${THUMBNAILER_BEFORE:-}" ]; then
  before_ms=$(median < "$work/before")
  echo "  THUMBNAILER_BEFORE       $before_ms ms   ($(awk -v a="$before_ms" -v b="$cat_ms" 'BEGIN { printf "%.2f", a / b }') x cat)"
fi

# Prints the medians of the runs with the default threads and with 16 (and
# of PROGRAM_BEFORE's, kept in the file $1), with their ratios to 16.
report_threads() {
  local default_ms sixteen_ms before_ms
  default_ms=$(median < "$work/default")
  sixteen_ms=$(median < "$work/sixteen")
  echo "  default threads ($(nproc) cores)  $default_ms ms   ($(awk -v a="$default_ms" -v b="$sixteen_ms" 'BEGIN { printf "%.2f", a / b }') x 16 threads)"
  echo "  PICTROVE_THREADS=16      $sixteen_ms ms"
  if [ -n "${PROGRAM_BEFORE:-}" ]; then
    before_ms=$(median < "$1")
    echo "  PROGRAM_BEFORE, default  $before_ms ms   ($(awk -v a="$before_ms" -v b="$sixteen_ms" 'BEGIN { printf "%.2f", a / b }') x 16 threads)"
  fi
}

echo "(b) pictrove --list of 500 drawings, $list_runs runs each"
: > "$work/default" ; : > "$work/sixteen" ; : > "$work/list-before"
for ((i = 0; i < list_runs; i++)); do
  elapsed_ms "$program" --list "$mount/folder" >> "$work/default"; echo >> "$work/default"
  elapsed_ms env PICTROVE_THREADS=16 "$program" --list "$mount/folder" >> "$work/sixteen"; echo >> "$work/sixteen"
  if [ -n "${PROGRAM_BEFORE:-}" ]; then
    elapsed_ms "$PROGRAM_BEFORE" --list "$mount/folder" >> "$work/list-before"; echo >> "$work/list-before"
  fi
done
report_threads "$work/list-before"

export_runs=${EXPORT_RUNS:-$list_runs}
echo "(c) pictrove --export of 500 drawings as PNG into a local folder, $export_runs runs each"
: > "$work/default" ; : > "$work/sixteen" ; : > "$work/export-before"
for ((i = 0; i < export_runs; i++)); do
  rm -rf "$work/out"
  elapsed_ms "$program" --export "$mount/folder" --format PNG --output "$work/out" >> "$work/default"; echo >> "$work/default"
  rm -rf "$work/out"
  elapsed_ms env PICTROVE_THREADS=16 "$program" --export "$mount/folder" --format PNG --output "$work/out" >> "$work/sixteen"; echo >> "$work/sixteen"
  if [ -n "${PROGRAM_BEFORE:-}" ]; then
    rm -rf "$work/out"
    elapsed_ms "$PROGRAM_BEFORE" --export "$mount/folder" --format PNG --output "$work/out" >> "$work/export-before"; echo >> "$work/export-before"
  fi
done
report_threads "$work/export-before"
