#!/usr/bin/env bash
# Movies, frames and field histories of quorvan-batch, as a player and a
# file system see them:
# - three --frames files equal, byte for byte, the --png of the same run
#   stopped at their steps;
# - the movies of a small default-world run probe (ffprobe) as the codec of
#   their extension, with one frame per --frame-every steps and the panel's
#   size (the caption strip under it unless --caption none);
# - a recording that fails mid-run (the file-size limit stands for a full
#   disk) exits 2, leaves the file that was there as it was and no
#   temporary file behind.
set -euo pipefail
batch=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
cd "$out"
export QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }
run=(--agents 300 --seed 3)

"$batch" "${run[@]}" --steps 60 --frame-every 20 --frames frames --movie m.mp4 2>/dev/null
for step in 20 40 60; do
  "$batch" "${run[@]}" --steps $step --png stop-$step.png 2>/dev/null
  cmp -s stop-$step.png frames/frame-0000$step.png || fail "frame of step $step differs from --png"
done
[ "$(ls frames | wc -l)" -eq 3 ] || fail "frames: $(ls frames)"

# extension, options, codec, frames, width x height
while read -r file options codec frames size; do
  # shellcheck disable=SC2086
  "$batch" "${run[@]}" --steps 60 --movie "$file" $options 2>/dev/null || fail "$file: exit status $?"
  got=$(ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,nb_read_frames,width,height -of csv=p=0 "$file")
  [ "$got" = "$codec,$size,$frames" ] || fail "$file ($options): ffprobe says '$got', expected '$codec,$size,$frames'"
done <<'TABLE'
a.mp4 --frame-every=10 h264 6 404,424
b.mp4 --frame-every=25 h264 3 404,424
c.gif --frame-every=20 gif 3 404,424
d.gif --caption=none gif 6 404,404
e.webm --frame-every=30 vp9 2 404,424
TABLE

# A failure mid-run keeps what was there.
# option, file-size limit in KiB (the frames are a few KiB each), the reason said (- for any)
while read -r option limit reason; do
  target=${option#*=}
  [ -e "$target" ] || echo "earlier" > "$target"
  before=$(find "$target" -type f -exec md5sum {} + | sort)
  set +e
  (trap '' XFSZ; ulimit -f "$limit"; exec "$batch" "${run[@]}" --steps 200 --frame-every 1 --fields-every 1 "$option") 2>err.txt
  status=$?
  set -e
  [ $status -eq 2 ] || fail "$option with a full disk: exit status $status"
  grep -q "$target" err.txt || fail "$option: the message does not name $target: $(cat err.txt)"
  [ "$reason" = - ] || grep -q "cannot write '$target': $reason" err.txt || fail "$option: not '$reason': $(cat err.txt)"
  ! grep -q HDF5-DIAG err.txt || fail "$option: the library's error stack was printed"
  [ "$before" = "$(find "$target" -type f -exec md5sum {} + | sort)" ] || fail "$option: $target was changed"
  ! ls -a | grep -q 'tmp' || fail "$option: temporary files left: $(ls -a)"
done <<'TABLE'
--movie=full.mp4 64 file too large
--movie=full.gif 64 file too large
--fields=full.h5 64 file too large
--frames=frames 4 -
TABLE
echo "recording: ok"
