#!/usr/bin/env bash
# Runs the window's benchmark in every landscape at cell sizes 2 and 10 and
# prints, for each, the steps per second of steps 0-1,000 against steps
# 9,000-10,000 (the window must not slow down as the run goes on). Measure on
# a quiet machine: other work on the cores shows up as noise.
# Then the default world with a movie recorded (see the end).
#   scripts/bench-window.sh [steps] [recording]   (default 10000; "recording": that table only)
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-10000}
cmake --preset release >/dev/null
cmake --build --preset release --target quorvan >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "load: $(uptime | sed 's/.*load average: //')"
printf '%-10s %4s %12s %14s %8s\n' landscape cell "0-1000 /s" "last 1000 /s" change
landscapes=(random circle raster manhattan)
[ "${2:-}" != recording ] || landscapes=()
for landscape in "${landscapes[@]}"; do
  for cell in 2 10; do
    out=$(build/release/src/app/quorvan --benchmark "$steps" --landscape "$landscape" --cell-size "$cell" --seed 1 2>/dev/null)
    first=$(awk '$1 == "0-1000" { print $2 }' <<<"$out")
    last=$(awk -v s="$steps" '$1 == (s-1000) "-" s { print $2 }' <<<"$out")
    printf '%-10s %4d %12s %14s %7.1f%%\n' "$landscape" "$cell" "$first" "$last" \
      "$(awk -v a="$first" -v b="$last" 'BEGIN { print (b - a) / a * 100 }')"
  done
done

# Recording a movie from the window (File > Record movie..., here --record):
# the default world's steps per second without recording and with a frame
# every 1, 10 and 100 steps, and what the frames cost the window's thread.
# The goal: a frame every 10 steps keeps at least 90% of the plain rate.
movies=$(mktemp -d)
trap 'rm -rf "$movies"' EXIT
echo
printf '%-16s %9s %9s %8s %22s\n' recording "steps/s" "of plain" frames "ms each (window)"
plain=
for every in none 1 10 100; do
  record=()
  [ "$every" = none ] || record=(--record "$movies/bench.mp4" --frame-every "$every")
  out=$(build/release/src/app/quorvan --benchmark "$steps" --seed 1 "${record[@]}" 2>/dev/null)
  rate=$(awk '$1 == "total:" { print $(NF-1) }' <<<"$out")
  [ -n "$plain" ] || plain=$rate
  frames=$(awk '$1 == "recording:" { print $2 }' <<<"$out")
  each=$(awk '$1 == "recording:" { print $4 }' <<<"$out")
  label=$([ "$every" = none ] && echo "none" || echo "frame every $every")
  printf '%-16s %9s %8.1f%% %8s %22s\n' "$label" "$rate" "$(awk -v a="$rate" -v b="$plain" 'BEGIN { print a / b * 100 }')" \
    "${frames:--}" "${each:--}"
done
