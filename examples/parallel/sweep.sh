#!/bin/bash
# Runs a quorvan-batch sweep in shards with GNU parallel, on this machine or
# on several, then merges the shards into one sweep:
#
#   examples/parallel/sweep.sh -n 8 -- --wiggle 0:180:20 --replicates 5 --series
#
# writes the merged sweep in sweep/ (-o DIR) and its shards under it, in
# DIR/shards/1 .. DIR/shards/8, so that sweeps with different -o never
# meet. Every shard runs with --jobs 1 (unless the options
# give --jobs); parallel starts one per core of each host. Options:
#   -n SHARDS     how many shares to cut the sweep into (default: 4)
#   -o DIR        the merged sweep's folder (default: sweep)
#   -S SSHLOGIN   run shards on this host too (repeatable; ":" is this
#                 machine), e.g. -S 8/node1 -S 8/node2 -S :. Every host needs
#                 quorvan-batch at the same path ($QUORVAN_BATCH, else
#                 found on PATH) and a login by key. A remote shard is
#                 written to DIR/shards/K under the login's home (give a
#                 relative -o), copied back here (parallel's --return) and
#                 removed there.
# Without --seed (or --experiment) one seed is drawn here for all shards.
set -euo pipefail

batch=${QUORVAN_BATCH:-quorvan-batch}
shards=4
out=sweep
logins=()
while getopts "n:o:S:" opt; do
  case $opt in
    n) shards=$OPTARG ;;
    o) out=$OPTARG ;;
    S) logins+=(--sshlogin "$OPTARG") ;;
    *) echo "usage: sweep.sh [-n SHARDS] [-o DIR] [-S SSHLOGIN]... -- [sweep options...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if ! [[ $shards =~ ^[1-9][0-9]*$ ]]; then
  echo "sweep.sh: -n takes a whole number of shards, not '$shards'" >&2
  exit 2
fi
case " $* " in
  *" --seed "* | *" --seed="* | *" --experiment "* | *" --experiment="*) ;;
  *) set -- --seed "$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')" "$@" ;;
esac

case " $* " in
  *" --shard"* | *" --out"* | *" --resume"*)
    echo "sweep.sh: the shards and their folders are set here; leave out --shard, --out and --resume" >&2
    exit 2 ;;
esac
jobs=(--jobs 1)
case " $* " in *" --jobs"*) jobs=() ;; esac

# One command line, quoted for the shell that runs it (here or over ssh).
command=$(printf '%q ' "$batch" "$@" "${jobs[@]}")
remote=()
if [ ${#logins[@]} -gt 0 ]; then
  # Shards on another host go to DIR/shards/K under the login's home, come
  # back here and are removed there; those on ":" are written here directly.
  remote=("${logins[@]}" --return "$out/shards/{}" --cleanup)
fi
place=$(printf '%q' "$out/shards")
mkdir -p "$out/shards"
parallel --halt now,fail=1 "${remote[@]}" \
  "mkdir -p $place && $command --shard {}/$shards --out $place/{}" ::: $(seq 1 "$shards")
folders=()
for k in $(seq 1 "$shards"); do folders+=("$out/shards/$k"); done
"$batch" merge --out "$out" "${folders[@]}"
