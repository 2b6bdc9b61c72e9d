#!/bin/bash
# Submits a quorvan-batch sweep as a Slurm job array of SHARDS tasks and its
# merge as a job that waits for the whole array:
#
#   examples/slurm/submit.sh 10 --wiggle 0:180:20 --replicates 5 --series
#
# Run it from the folder that is to hold shards/ and sweep/ (on a file
# system the compute nodes share). Without --seed (or --experiment) the
# sweep gets one seed, drawn here, for all its shards. Options for sbatch
# itself go in SBATCH_OPTIONS, e.g. SBATCH_OPTIONS="--partition=long
# --cpus-per-task=4 --time=2:00:00". With --wait as the first argument the
# script returns when the merge job has ended: status 0 when it completed,
# 1 when it failed or was cancelled (as it is when a shard fails).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wait=()
if [ "${1:-}" = --wait ]; then
  wait=(--wait)
  shift
fi
if [ $# -lt 1 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: submit.sh [--wait] SHARDS [sweep options...]" >&2
  exit 2
fi
shards=$1
shift
case " $* " in
  *" --seed "* | *" --seed="* | *" --experiment "* | *" --experiment="*) ;;
  *) set -- --seed "$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')" "$@" ;;
esac

# shellcheck disable=SC2086 # SBATCH_OPTIONS holds several options
array=$(sbatch --parsable ${SBATCH_OPTIONS:-} --array=0-$((shards - 1)) "$here/sweep.sbatch" "$@")
array=${array%%;*}
echo "sweep: job array $array ($shards shards)"
# shellcheck disable=SC2086
merge=$(sbatch --parsable ${SBATCH_OPTIONS:-} --dependency=afterok:"$array" --kill-on-invalid-dep=yes \
  "$here/merge.sbatch")
merge=${merge%%;*}
echo "merge: job $merge"
[ ${#wait[@]} -eq 0 ] && exit 0

# Until the merge job has ended. A failed shard cancels the merge, and
# sbatch --wait would report a job cancelled before it ran as a success: ask
# for its state instead.
while :; do
  state=$(scontrol show job -o "$merge" 2>/dev/null | grep -o 'JobState=[A-Z_]*' || true)
  state=${state#JobState=}
  case $state in
    "") echo "merge: job $merge is unknown to Slurm" >&2; exit 1 ;;
    PENDING | RUNNING | CONFIGURING | COMPLETING | SUSPENDED | REQUEUED | RESIZING) ;;
    COMPLETED) echo "merge: done"; exit 0 ;;
    *) echo "merge: job $merge ended $state (see slurm-${array}_*.out and slurm-$merge-merge.out)" >&2; exit 1 ;;
  esac
  sleep 1
done
