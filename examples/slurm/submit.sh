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
# --cpus-per-task=4 --time=2:00:00"; with --wait as the first argument the
# script returns only when the merge has finished, with its exit status.
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
merge=$(sbatch --parsable ${SBATCH_OPTIONS:-} "${wait[@]}" --dependency=afterok:"$array" --kill-on-invalid-dep=yes \
  "$here/merge.sbatch")
echo "merge: job ${merge%%;*}"
