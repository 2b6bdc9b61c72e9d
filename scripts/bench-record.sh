#!/bin/bash
# Measures what recording costs a batch run of the default world: the whole
# run's wall time (setup, steps, encoding and closing the files) without
# recording, with --movie at one frame every 1, 10 and 100 steps as MP4 and
# GIF, and with --fields every 100 steps; the files' sizes. Each case runs
# REPEAT times and the fastest counts (the machine is shared).
#
#   scripts/bench-record.sh [STEPS] [REPEAT]
#
# defaults 10000 steps, 2 repeats. "x cpu" compares the CPU time of both
# threads, what the run costs a machine that has a core free for the encoder. Uses build/release (or $QUORVAN_BATCH).
set -euo pipefail

steps=${1:-10000}
repeat=${2:-2}
batch=${QUORVAN_BATCH:-$(dirname "$0")/../build/release/src/app/quorvan-batch}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# The fastest of `repeat` runs: "wall cpu" in seconds (cpu: user + system
# of both threads, the steps' and the encoder's).
best() {
  local fastest="" cpu=""
  for _ in $(seq "$repeat"); do
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$batch" --steps "$steps" --seed 42 "$@" 2>/dev/null
    read -r wall user sys < "$work/time"
    if [ -z "$fastest" ] || [ "$(echo "$wall < $fastest" | bc -l)" = 1 ]; then
      fastest=$wall
      cpu=$(echo "$user + $sys" | bc -l)
    fi
  done
  echo "$fastest $cpu"
}

echo "default world, $steps steps, seed 42, fastest of $repeat; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
read -r plain plaincpu <<< "$(best)"
printf "%-26s %8s %8s %10s %7s %7s %12s\n" case wall_s cpu_s steps/s "x plain" "x cpu" "file bytes"
row() {  # name "wall cpu" file
  local size="-" wall cpu
  read -r wall cpu <<< "$2"
  [ -n "${3:-}" ] && size=$(stat -c %s "$3")
  printf "%-26s %8.2f %8.2f %10.0f %7.2f %7.2f %12s\n" "$1" "$wall" "$cpu" "$(echo "$steps / $wall" | bc -l)" \
    "$(echo "$wall / $plain" | bc -l)" "$(echo "$cpu / $plaincpu" | bc -l)" "$size"
}
row plain "$plain $plaincpu"
for ext in mp4 gif; do
  for every in 1 10 100; do
    row "--movie .$ext every $every" "$(best --movie "$work/m.$ext" --frame-every "$every")" "$work/m.$ext"
  done
done
row "--fields every 100" "$(best --fields "$work/f.h5" --fields-every 100)" "$work/f.h5"
snapshots=$(( steps / 100 ))
echo "field history: $(( $(stat -c %s "$work/f.h5") / snapshots )) bytes per snapshot ($snapshots snapshots)"
