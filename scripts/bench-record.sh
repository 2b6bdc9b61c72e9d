#!/bin/bash
# Measures what recording costs a batch run of the default world: the whole
# run's wall time (setup, steps, encoding and closing the files) without
# recording, with --movie at one frame every 1, 10 and 100 steps as MP4 and
# GIF, and with --fields every 100 steps; the files' sizes. Each case runs
# REPEAT times and the fastest counts (the machine is shared).
#
#   scripts/bench-record.sh [STEPS] [REPEAT]
#
# defaults 10000 steps, 2 repeats. Uses build/release (or $QUORVAN_BATCH).
set -euo pipefail

steps=${1:-10000}
repeat=${2:-2}
batch=${QUORVAN_BATCH:-$(dirname "$0")/../build/release/src/app/quorvan-batch}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# The fastest of `repeat` runs, in seconds.
best() {
  local fastest=""
  for _ in $(seq "$repeat"); do
    local start end took
    start=$(date +%s.%N)
    "$batch" --steps "$steps" --seed 42 "$@" 2>/dev/null
    end=$(date +%s.%N)
    took=$(echo "$end - $start" | bc -l)
    if [ -z "$fastest" ] || [ "$(echo "$took < $fastest" | bc -l)" = 1 ]; then fastest=$took; fi
  done
  echo "$fastest"
}

echo "default world, $steps steps, seed 42, fastest of $repeat; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
plain=$(best)
printf "%-26s %8s %10s %7s %12s\n" case seconds steps/s "x plain" "file size"
row() {  # name seconds file
  local size="-"
  [ -n "${3:-}" ] && size=$(stat -c %s "$3")
  printf "%-26s %8.2f %10.0f %7.2f %12s\n" "$1" "$2" "$(echo "$steps / $2" | bc -l)" "$(echo "$2 / $plain" | bc -l)" "$size"
}
row plain "$plain"
for ext in mp4 gif; do
  for every in 1 10 100; do
    took=$(best --movie "$work/m.$ext" --frame-every "$every")
    row "--movie .$ext every $every" "$took" "$work/m.$ext"
  done
done
took=$(best --fields "$work/f.h5" --fields-every 100)
row "--fields every 100" "$took" "$work/f.h5"
snapshots=$(( steps / 100 ))
echo "field history: $(( $(stat -c %s "$work/f.h5") / snapshots )) bytes per snapshot ($snapshots snapshots)"
