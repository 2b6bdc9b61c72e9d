#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, address + undefined sanitizers) in
# build/fuzz and runs each for a bounded time from a copy of its seed corpus
# in fuzz/corpus/<target>, so the repository is not written.
# Fails on any finding: a crash, leak, timeout or out-of-memory file, or a
# non-zero exit of a target.
#
#   scripts/fuzz.sh [seconds per target, default 20] [target ...]
#
# FUZZ_SEED=N fixes libFuzzer's own random seed, so that a run replays the
# same inputs in the same order (test.sh does: a check that passed once
# passes again; a longer hunt should leave it unset).
#
# Findings are kept under build/fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_text_conversions fuzz_world fuzz_world_file)

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 "${launcher[@]}" \
  -DQUORVAN_FUZZ=ON -DQUORVAN_BUILD_UI=OFF -DQUORVAN_BUILD_TESTS=OFF -DQUORVAN_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1:suppressions=$PWD/fuzz/asan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
seed=()
[ -n "${FUZZ_SEED:-}" ] && seed=(-seed="$FUZZ_SEED")
failed=0
for t in "${targets[@]}"; do
  work=build/fuzz/runs/$t
  findings=build/fuzz/findings/$t
  rm -rf "$work"
  mkdir -p "$work/corpus" "$findings"
  cp -r fuzz/corpus/"$t"/. "$work/corpus/"
  echo "== $t: $seconds s"
  status=0
  # A damaged object header can make HDF5 (not instrumented) ask for a buffer of
  # gigabytes that it never fills before refusing the file: the resident-memory
  # limit guards real use, so single requests may be larger.
  build/fuzz/fuzz/"$t" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=8192 \
    -max_len=65536 "${seed[@]}" -print_final_stats=1 -artifact_prefix="$findings/" >"$work/log" 2>&1 || status=$?
  grep -E 'DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$work/log" || true
  if [ "$status" -ne 0 ] || compgen -G "$findings/*" >/dev/null; then
    echo "!! $t found a fault (exit $status); input in $findings/, log in $work/log" >&2
    tail -n 40 "$work/log" >&2
    failed=1
  fi
done
exit "$failed"
