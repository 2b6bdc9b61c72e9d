#!/usr/bin/env bash
# Builds the libFuzzer targets through the "fuzz" preset (clang-14, address +
# undefined sanitizers, in build/fuzz) and runs each for a bounded time through
# CTest's "fuzz" preset, which holds the sanitizer options; each run starts
# from a copy of its seed corpus in fuzz/corpus/<target> (fuzz/run_fuzzer.sh),
# so the repository is not written. Fails on any finding: a crash, leak,
# timeout or out-of-memory file, or a non-zero exit of a target.
#
#   scripts/fuzz.sh [seconds per target, default 20] [target ...]
#
# FUZZ_SEED=N fixes libFuzzer's own random seed, so that a run replays the
# same inputs in the same order (test.sh does: a check that passed once
# passes again; a longer hunt should leave it unset).
#
# Findings are kept under build/fuzz/findings/<target>/, logs under
# build/fuzz/runs/<target>/log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_text_conversions fuzz_world fuzz_world_file)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

pattern="^($(IFS='|'; echo "${targets[*]}"))\$"
status=0
FUZZ_SECONDS=$seconds ctest --preset fuzz -R "$pattern" --timeout $((2 * seconds + 300)) || status=$?
for t in "${targets[@]}"; do
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build/fuzz/runs/$t/log" 2>/dev/null | sed "s/^/$t /" || true
done
exit "$status"
