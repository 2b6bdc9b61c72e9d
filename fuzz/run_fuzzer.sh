#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time from a copy of its seed corpus
# (so the repository is not written); CTest calls it (see fuzz/CMakeLists.txt,
# the sanitizer options come from the "fuzz" test preset).
#
#   run_fuzzer.sh <fuzzer binary> <seed corpus folder> <work folder> <findings folder>
#
# FUZZ_SECONDS (default 20) bounds the run; FUZZ_SEED=N fixes libFuzzer's own
# random seed. Fails on any finding: a crash, leak, timeout or out-of-memory
# file, or a non-zero exit. The log and the grown corpus stay in the work folder.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 findings=$4
seconds=${FUZZ_SECONDS:-20}

rm -rf "$work/corpus" "$work/log"
mkdir -p "$work/corpus" "$findings"
cp -r "$seeds"/. "$work/corpus/"
seed=()
[ -n "${FUZZ_SEED:-}" ] && seed=(-seed="$FUZZ_SEED")

status=0
# A damaged object header can make HDF5 (not instrumented) ask for a buffer of
# gigabytes that it never fills before refusing the file: the resident-memory
# limit guards real use, so single requests may be larger.
"$fuzzer" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=8192 \
  -max_len=65536 "${seed[@]}" -print_final_stats=1 -artifact_prefix="$findings/" >"$work/log" 2>&1 || status=$?
grep -E 'DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$work/log" || true
if [ "$status" -ne 0 ] || compgen -G "$findings/*" >/dev/null; then
  echo "!! $(basename "$fuzzer") found a fault (exit $status); input in $findings/, log in $work/log" >&2
  tail -n 40 "$work/log" >&2
  exit 1
fi
