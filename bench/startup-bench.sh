#!/usr/bin/env bash
# Whole runs of pictrove-thumbnailer, fork to exit, on a local disk:
#   - a drawing without a preview against an empty C program;
#   - the largest preview against gdk-pixbuf-thumbnailer -s 256 on the same
#     picture saved as a PNG file (the thumbnailer writes it at full size).
# hyperfine times each command; the set runs ROUNDS times (default 3) so
# that the commands take turns while the machine's load drifts, and the
# median of each round's medians is printed with the ratios.
#   bench/startup-bench.sh [RUNS [ROUNDS]]
# Environment: BUILD (default build), BEFORE (another thumbnailer, timed in
# the same rounds), PICTROVE_DRAWINGS_DIR. Needs hyperfine and
# libgdk-pixbuf2.0-bin (Debian), which only this benchmark uses.
set -euo pipefail
runs=${1:-200}
rounds=${2:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
drawings=${PICTROVE_DRAWINGS_DIR:-$here/../shared/drawings}
thumbnailer=$build/thumbnailer/pictrove-thumbnailer
python=${PYTHON:-/usr/bin/python3}
for tool in hyperfine gdk-pixbuf-thumbnailer cc; do
  command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 1; }
done
none=$drawings/r2018-no-image.dwg
large=$drawings/r2010-large-preview.dwg

work=$(mktemp -d /tmp/pictrove-startup-XXXXXX)
trap 'rm -rf "$work"' EXIT
printf 'int main(void) { return 0; }\n' > "$work/empty.c"
cc -O2 -o "$work/empty" "$work/empty.c"
"$thumbnailer" -s 4096 "$large" "$work/large.png"

commands=(
  "$work/empty"
  "$thumbnailer -s 256 $none $work/out.png"
  "$thumbnailer -s 256 $large $work/out.png"
  "gdk-pixbuf-thumbnailer -s 256 $work/large.png $work/gdk.png"
)
names=(empty no-preview large-preview gdk-pixbuf-thumbnailer)
if [ -n "${BEFORE:-}" ]; then
  commands+=("$BEFORE -s 256 $none $work/out.png" "$BEFORE -s 256 $large $work/out.png")
  names+=(before:no-preview before:large-preview)
fi
for ((r = 0; r < rounds; r++)); do
  hyperfine -N -i --warmup 20 --runs "$runs" --export-json "$work/round$r.json" "${commands[@]}" > /dev/null 2>&1
done
"$python" - "$work" "$rounds" "${names[@]}" <<'EOF'
import json, statistics, sys
work, rounds, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
medians = [[] for _ in names]
for r in range(rounds):
    for i, result in enumerate(json.load(open(f"{work}/round{r}.json"))["results"]):
        medians[i].append(result["median"] * 1e3)
m = {n: statistics.median(v) for n, v in zip(names, medians)}
print("medians of %d rounds (machine shared with other work):" % rounds)
for n in names:
    print("  %-24s %7.3f ms   rounds: %s" % (n, m[n], " ".join("%.3f" % x for x in medians[names.index(n)])))
print("  no-preview / empty             %.2f  (goal <= 1.5)" % (m["no-preview"] / m["empty"]))
print("  large-preview / gdk-pixbuf     %.2f  (goal <= 0.5)" % (m["large-preview"] / m["gdk-pixbuf-thumbnailer"]))
if "before:no-preview" in m:
    print("  before: no-preview / empty     %.2f" % (m["before:no-preview"] / m["empty"]))
    print("  before: large / gdk-pixbuf     %.2f" % (m["before:large-preview"] / m["gdk-pixbuf-thumbnailer"]))
EOF
