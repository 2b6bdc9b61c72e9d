#!/usr/bin/env bash
# Runs the window's benchmark in every landscape at cell sizes 2 and 10 and
# prints, for each, the steps per second of steps 0-1,000 against steps
# 9,000-10,000 (the window must not slow down as the run goes on). Measure on
# a quiet machine: other work on the cores shows up as noise.
#   scripts/bench-window.sh [steps]     (default 10000)
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-10000}
cmake --preset release >/dev/null
cmake --build --preset release --target quorvan >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "load: $(uptime | sed 's/.*load average: //')"
printf '%-10s %4s %12s %14s %8s\n' landscape cell "0-1000 /s" "last 1000 /s" change
for landscape in random circle raster manhattan; do
  for cell in 2 10; do
    out=$(build/release/src/app/quorvan --benchmark "$steps" --landscape "$landscape" --cell-size "$cell" --seed 1 2>/dev/null)
    first=$(awk '$1 == "0-1000" { print $2 }' <<<"$out")
    last=$(awk -v s="$steps" '$1 == (s-1000) "-" s { print $2 }' <<<"$out")
    printf '%-10s %4d %12s %14s %7.1f%%\n' "$landscape" "$cell" "$first" "$last" \
      "$(awk -v a="$first" -v b="$last" 'BEGIN { print (b - a) / a * 100 }')"
  done
done
