#!/usr/bin/env bash
# Replays of a sweep's runs, as a user compares them with the sweep:
# - the replay's --csv equals the run's rows of series.csv with the run
#   column cut off, header and all, byte for byte; its final world matches
#   the digest the sweep recorded (in the sweep and in the merge of shares);
# - --fields writes one field history per run into DIR/fields/, and a
#   replay's --fields file holds the same datasets as the sweep's;
# - a replay refused leaves the file that was there as it was.
set -euo pipefail
batch=$1
out=$2
python=$3
rm -rf "$out"
mkdir -p "$out"
cd "$out"
export QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }
sweep=(--agents 150 --steps 80 --wiggle 0:40:20 --replicates 2 --seed 17 --series --plot none --quiet)

"$batch" "${sweep[@]}" --fields --fields-every 30 --out sw
[ "$(ls sw/fields)" = "$(printf 'run-%06d.h5\n' 0 1 2 3 4 5)" ] || fail "sw/fields holds: $(ls sw/fields)"
for k in 1 2; do "$batch" "${sweep[@]}" --shard $k/2 --out share$k; done
"$batch" merge --quiet --out merged share1 share2

# folder, run
while read -r dir run; do
  "$batch" replay "$dir" "$run" --csv "r$run.csv" 2>err.txt || fail "replay $dir $run: $(cat err.txt)"
  grep -q "run $run of '$dir' replayed exactly" err.txt || fail "replay $dir $run: $(cat err.txt)"
  { head -n 1 sw/series.csv; grep "^$run," sw/series.csv; } | cut -d, -f2- > "series-$run.csv"
  cmp "series-$run.csv" "r$run.csv" || fail "replay $dir $run: its CSV differs from series.csv's rows"
done <<'TABLE'
sw 1
sw 4
merged 3
TABLE

"$batch" replay sw 4 --fields r4.h5 --fields-every 30 2>/dev/null
"$python" - sw/fields/run-000004.h5 r4.h5 <<'PY' || fail "the replay's field history differs from the sweep's"
import sys, h5py, numpy
a, b = (h5py.File(p, "r") for p in sys.argv[1:])
names = sorted(n for n in a if isinstance(a[n], h5py.Dataset))
assert names == sorted(n for n in b if isinstance(b[n], h5py.Dataset)), names
assert "ReturnTrack" in names and a["time"].shape == (3,), a["time"][...]
for n in names:
    assert numpy.array_equal(a[n][...], b[n][...]), n
PY

echo "earlier" > kept.csv
set +e
"$batch" replay sw 6 --csv kept.csv 2>err.txt
status=$?
set -e
[ $status -eq 2 ] || fail "replay of run 6 of 6: exit status $status"
grep -q "'6' is not a run of 'sw'" err.txt || fail "replay of run 6: $(cat err.txt)"
[ "$(cat kept.csv)" = "earlier" ] || fail "a refused replay changed kept.csv"
! ls -a | grep -q 'tmp' || fail "temporary files left: $(ls -a)"
echo "replay: ok"
