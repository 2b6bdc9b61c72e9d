#!/bin/bash
# Runs a small sweep as a Slurm job array on a one-node cluster started here
# for the test (its own munged, slurmctld and slurmd, configuration, state,
# ports and socket in a temporary folder), merges the shards, and compares
# the merged runs.csv and series.csv byte for byte with the same sweep run
# on one machine. Then the same through the GNU parallel example.
#
#   cluster_sweep.sh QUORVAN_BATCH WORK_DIR EXAMPLES_DIR
#
# When no cluster can be started (no Slurm, no root, a daemon that will not
# come up) the test says why, shows the daemons' logs, and checks the
# parallel example only. Every wait is bounded.
set -uo pipefail

batch=$(realpath "$1")
work=$2
examples=$(realpath "$3")
limit=${CLUSTER_TEST_LIMIT:-120}  # seconds, for every wait

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work" || fail "cannot make $work"
work=$(realpath "$work")
export QUORVAN_BATCH=$batch

# A sweep small enough for seconds: 2 points x 3 replicates, 6 runs in 3
# shards of 2.
sweep=(--seed 7 --agents 40 --steps 60 --wiggle 10,60 --replicates 3 --series)
"$batch" --help 2>&1 | grep -- '--shard' >/dev/null || fail "$batch has no --shard"

compare() {  # compare DIR WHAT
  for table in runs.csv series.csv; do
    cmp "$work/single/$table" "$1/$table" || fail "$2: $table differs from the one-machine sweep"
  done
  for picture in plot.png plot.svg; do [ -s "$1/$picture" ] || fail "$2: no $picture"; done
  echo "ok: $2 equals the one-machine sweep"
}

timeout "$limit" "$batch" "${sweep[@]}" --jobs 1 --quiet --out "$work/single" || fail "the one-machine sweep failed"
[ -s "$work/single/runs.csv" ] && [ -s "$work/single/series.csv" ] || fail "the one-machine sweep wrote no tables"

# ---- the Slurm cluster -----------------------------------------------------

slurm="$work/slurm"
pids=()
stop_cluster() {
  # Jobs first: their steps would outlive slurmd.
  if [ -n "${SLURM_CONF:-}" ] && [ ${#pids[@]} -gt 0 ]; then
    timeout 10 scancel -u "$(id -un)" 2>/dev/null
    for _ in $(seq 100); do
      [ -z "$(timeout 5 squeue -h -o %i 2>/dev/null)" ] && break
      sleep 0.1
    done
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  pids=()
}
trap stop_cluster EXIT

show_logs() {
  for log in "$slurm"/log/*; do
    [ -f "$log" ] || continue
    echo "---- $log (last lines)"
    tail -n 25 "$log"
  done
}

# A TCP port nothing listens on, so that the test never meets another cluster.
free_port() {
  local port
  for _ in $(seq 100); do
    port=$((20000 + RANDOM % 20000))
    if [ -z "$(ss -Htln "sport = :$port" 2>/dev/null)" ]; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

start_cluster() {
  local why
  for tool in munged mungekey slurmctld slurmd sbatch sinfo scontrol ss; do
    command -v "$tool" >/dev/null || { echo "cannot start Slurm: $tool is not installed"; return 1; }
  done
  [ "$(id -u)" = 0 ] || echo "NOTE: not root; trying Slurm as $(id -un)"
  mkdir -p "$slurm"/{etc,key,run,state,spool,log} && chmod 755 "$slurm" "$slurm/run" && chmod 700 "$slurm/key"

  # munge: its own key and socket. The socket's folder must be open to all.
  mungekey -c -k "$slurm/key/munge.key" 2>"$slurm/log/mungekey.err" ||
    { dd if=/dev/urandom of="$slurm/key/munge.key" bs=1024 count=1 2>/dev/null && chmod 400 "$slurm/key/munge.key"; }
  munged -F -S "$slurm/run/munge.sock" --key-file="$slurm/key/munge.key" --log-file="$slurm/log/munged.log" \
    --pid-file="$slurm/run/munged.pid" --seed-file="$slurm/key/munged.seed" 2>"$slurm/log/munged.err" &
  pids+=($!)
  for _ in $(seq $((limit * 10))); do [ -S "$slurm/run/munge.sock" ] && break; sleep 0.1; done
  [ -S "$slurm/run/munge.sock" ] || { echo "cannot start Slurm: munged made no socket"; return 1; }

  local host ctld_port d_port
  host=$(hostname -s)
  ctld_port=$(free_port) && d_port=$(free_port) || { echo "cannot start Slurm: no free port"; return 1; }
  cat >"$slurm/etc/slurm.conf" <<CONF
ClusterName=quorvantest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
SlurmUser=$(id -un)
SlurmdUser=$(id -un)
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$slurm/run/munge.sock
StateSaveLocation=$slurm/state
SlurmdSpoolDir=$slurm/spool
SlurmctldPidFile=$slurm/run/slurmctld.pid
SlurmdPidFile=$slurm/run/slurmd.pid
SlurmctldLogFile=$slurm/log/slurmctld.log
SlurmdLogFile=$slurm/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/builtin
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
SlurmdTimeout=30
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=debug Nodes=ALL Default=YES MaxTime=10 State=UP
CONF
  export SLURM_CONF="$slurm/etc/slurm.conf"
  slurmctld -D -i -f "$SLURM_CONF" >"$slurm/log/slurmctld.out" 2>&1 &
  pids+=($!)
  slurmd -D -f "$SLURM_CONF" >"$slurm/log/slurmd.out" 2>&1 &
  pids+=($!)

  # Up when the node is idle.
  local state=""
  for _ in $(seq $((limit * 2))); do
    state=$(timeout 5 sinfo -h -N -o '%t' 2>/dev/null | head -n 1)
    [ "$state" = idle ] && return 0
    for pid in "${pids[@]}"; do
      kill -0 "$pid" 2>/dev/null || { echo "cannot start Slurm: a daemon (pid $pid) stopped"; return 1; }
    done
    sleep 0.5
  done
  echo "cannot start Slurm: the node is not idle after ${limit}s (state '${state:-none}')"
  return 1
}

if start_cluster; then
  echo "ok: a one-node Slurm cluster is up (SLURM_CONF=$SLURM_CONF)"
  mkdir -p "$work/slurm-sweep" && cd "$work/slurm-sweep" || fail "cannot enter $work/slurm-sweep"
  out=$(SBATCH_OPTIONS="--time=5" timeout "$limit" "$examples/slurm/submit.sh" --wait 3 "${sweep[@]}" 2>&1)
  status=$?
  echo "$out"
  if [ $status != 0 ]; then
    cat slurm-*.out 2>/dev/null
    show_logs
    fail "the Slurm sweep failed (status $status)"
  fi
  for i in 0 1 2; do [ -s "shards/$i/runs.csv" ] || fail "shard $i wrote no runs.csv"; done
  compare "$work/slurm-sweep/sweep" "the Slurm job array, merged"
  cd "$work" || exit 1
  stop_cluster
else
  show_logs
  echo "NOTE: no Slurm cluster could be started here; checking the GNU parallel example only"
fi

# ---- GNU parallel --------------------------------------------------------

command -v parallel >/dev/null || fail "GNU parallel is not installed"
mkdir -p "$work/parallel-sweep" && cd "$work/parallel-sweep" || fail "cannot enter $work/parallel-sweep"
timeout "$limit" "$examples/parallel/sweep.sh" -n 3 -- "${sweep[@]}" --quiet || fail "the GNU parallel sweep failed"
compare "$work/parallel-sweep/sweep" "the GNU parallel shards, merged"
echo "PASS"
