#!/usr/bin/env bash
# Soak check: long headless runs of quorvan-batch under AddressSanitizer and
# UndefinedBehaviorSanitizer, at the extremes of the parameters, with the peak
# resident memory of each run. Not a timed test and not part of ./test.sh.
#
#   scripts/soak.sh [SCALE]        SCALE (or SOAK_STEPS_SCALE) multiplies every
#                                  step count; default 1, e.g. 0.01 for a quick run
#   SOAK_ONLY=REGEX scripts/soak.sh   runs only the cases whose name matches
#
# Every case runs twice: for 10^4 steps and for its full length (both times
# SCALE), so the table shows whether the memory stays flat as the run grows.
# A finding is a sanitizer report, a non-zero exit, a run that stops short of
# its steps, a missing picture, or a long run whose peak memory exceeds the
# short run's by more than 10 % + 16 MiB. The script exits 1 on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scale=${1:-${SOAK_STEPS_SCALE:-1}}
only=${SOAK_ONLY:-}
if ! awk -v s="$scale" 'BEGIN { exit !(s + 0 > 0) }'; then
  echo "soak: the scale must be a number above 0, not '$scale'" >&2
  exit 2
fi

scripts/install-deps.sh

# The sanitizer build of ./test.sh (the asan preset; a compiler launcher comes
# from CMAKE_CXX_COMPILER_LAUNCHER).
cmake --preset asan >/dev/null
cmake --build --preset asan --target quorvan-batch
batch=$root/build/asan/src/app/quorvan-batch

# The asan test preset's options: the runs here are not CTest's.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name | full steps | options (the default world unless they say otherwise)
cases=(
  "decay-1.01|1000000|--decay 1.01"
  "noise+1000|1000000|--noise=1000"
  "noise-1000|1000000|--noise=-1000"
  "noise+1e9|1000000|--noise=1e9"
  "decay-0.95+png|1000000|--decay 0.95 --png @PNG@"
  "manhattan-3|100000|--mode manhattan --cell-size 3"
  "manhattan-10|100000|--mode manhattan --cell-size 10"
  "circle-3|100000|--mode circle --cell-size 3"
  "circle-10|100000|--mode circle --cell-size 10"
)

scaled() { awk -v n="$1" -v s="$scale" 'BEGIN { v = int(n * s + 0.5); print (v < 1 ? 1 : v) }'; }

findings=0
rows=()
declare -A peak

# Runs one case for `steps` steps; adds a row to the table.
run_case() {
  local name=$1 steps=$2 opts=$3
  local tag="$name.$steps" png="$work/$name.$steps.png"
  local args
  read -r -a args <<<"${opts//@PNG@/$png}"
  local start end status=0 result=ok
  start=$(date +%s.%N)
  /usr/bin/time -v -o "$work/$tag.time" "$batch" --seed 1 --steps "$steps" "${args[@]}" \
    >"$work/$tag.out" 2>"$work/$tag.err" || status=$?
  end=$(date +%s.%N)
  local rss
  rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/$tag.time")
  rss=${rss:-0}
  peak[$tag]=$rss
  local ran
  ran=$(sed -n 's/^quorvan-batch: \([0-9]*\) steps of .*/\1/p' "$work/$tag.err")
  if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error|SUMMARY: ' "$work/$tag.err"; then
    result="SANITIZER"
  elif [ "$status" -ne 0 ]; then
    result="exit $status"
  elif [ "$ran" != "$steps" ]; then
    result="ran ${ran:-?} steps"
  elif [[ $opts == *@PNG@* ]] && ! head -c 8 "$png" 2>/dev/null | od -An -tx1 | grep -q '89 50 4e 47'; then
    result="no picture"
  fi
  if [ "$result" != ok ]; then
    findings=$((findings + 1))
    echo "---- $tag: $result; stderr:" >&2
    tail -n 40 "$work/$tag.err" >&2
  fi
  rows+=("$(printf '%-16s %9s %9.1f %10s  %s' "$name" "$steps" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" \
    "$((rss / 1024)) MiB" "$result")")
  printf '%s\n' "${rows[-1]}"
}

printf '%-16s %9s %9s %10s  %s\n' case steps seconds "peak RSS" result
for entry in "${cases[@]}"; do
  IFS='|' read -r name full opts <<<"$entry"
  [ -n "$only" ] && ! [[ $name =~ $only ]] && continue
  short=$(scaled 10000)
  long=$(scaled "$full")
  run_case "$name" "$short" "$opts"
  [ "$long" -eq "$short" ] && continue
  run_case "$name" "$long" "$opts"
  # Memory stays flat: the long run may not hold much more than the short one.
  if [ "${peak[$name.$long]}" -gt $(( peak[$name.$short] * 11 / 10 + 16384 )) ]; then
    findings=$((findings + 1))
    echo "---- $name: peak RSS grew from $((peak[$name.$short] / 1024)) MiB at $short steps" \
      "to $((peak[$name.$long] / 1024)) MiB at $long steps" >&2
  fi
done

echo
printf '%-16s %9s %9s %10s  %s\n' case steps seconds "peak RSS" result
printf '%s\n' "${rows[@]}"
echo "load: $(uptime)"
if [ "$findings" -ne 0 ]; then
  echo "soak: $findings finding(s)" >&2
  exit 1
fi
echo "soak: no findings"
