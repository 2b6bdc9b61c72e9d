#!/bin/bash
# Measures a sweep of quorvan-batch: throughput with --jobs 1 and --jobs 2,
# and the cost per run outside the steps (setup, records, tables, plot).
#
#   scripts/bench-sweep.sh [POINTS] [REPLICATES] [STEPS] [AGENTS]
#
# defaults 10 points x 10 replicates x 10000 steps of the default world (800
# agents); the points are wiggle thresholds. Smaller sweeps run faster on a
# shared machine. Uses build/release (or $QUORVAN_BATCH).
#
# With DESIGN=sobol (or lhs, morris) the points are a design instead: POINTS
# samples over wiggle, threshold, consume and noise on the raster landscape,
# analysed at the end (its time counts as the cost outside the steps).
set -euo pipefail

points=${1:-10}
reps=${2:-10}
steps=${3:-10000}
agents=${4:-800}
batch=${QUORVAN_BATCH:-$(dirname "$0")/../build/release/src/app/quorvan-batch}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

last=$(( (points - 1) * 10 ))
settings=(--wiggle "0:$last:10")
if [[ -n "${DESIGN:-}" ]]; then
  settings=(--mode raster --design "$DESIGN" --samples "$points" --wiggle 0..180 --threshold 0..180
            --consume 0.05..0.6 --noise 0..100)
  echo "design: $DESIGN, $points samples over 4 settings x $reps replicates x $steps steps, $agents agents"
else
  echo "sweep: $points points (wiggle 0:$last:10) x $reps replicates x $steps steps, $agents agents"
fi
uptime
for jobs in 1 2; do
  /usr/bin/time -f "%M" -o "$work/rss$jobs" "$batch" "${settings[@]}" --replicates "$reps" --steps "$steps" \
    --agents "$agents" --seed 1 --jobs "$jobs" --quiet --out "$work/j$jobs"
done
cmp -s "$work/j1/runs.csv" "$work/j2/runs.csv" && echo "runs.csv: the same with --jobs 1 and 2" ||
  { echo "runs.csv differs between --jobs 1 and 2" >&2; exit 1; }

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
t = {j: json.load(open(f"{work}/j{j}/experiment.json")) for j in (1, 2)}
for j in (1, 2):
    x = t[j]["times"]; runs = x["runs_run"]
    outside = (x["runs_s"] - x["steps_s"] + x["finish_s"]) / runs
    rss = int(open(f"{work}/rss{j}").read().split()[-1]) / 1024
    print(f"--jobs {j}: {runs / x['wall_s']:.3f} runs/s, wall {x['wall_s']:.1f} s, "
          f"outside the steps {1000 * outside:.1f} ms per run = {100 * outside / (x['steps_s'] / runs):.2f}% of a run, "
          f"peak memory {rss:.0f} MiB")
a, b = (t[j]["times"] for j in (1, 2))
print(f"speed-up --jobs 2 / --jobs 1: {a['wall_s'] / b['wall_s']:.2f}x")
PY
