#!/bin/bash
# Bad-input and fault matrix for quorvan-batch: several hundred cases, made in
# loops over tables of values, each run against the given program in a folder
# of its own. A case holds when the exit status is the expected one (2 for a
# refusal, 0 for valid input, never a signal death, never 0 for a refusal), a
# refusal printed a message (naming the file or option where one is named
# below), no temporary or half-written file is left, every file that existed
# before is byte for byte as it was (unless the case succeeded and was meant to
# replace it), and an interrupted, resumed, damaged or merged sweep gives the
# tables of the uninterrupted sweep byte for byte.
#
#   scripts/fault-matrix.sh BATCH [OUT]
#
# BATCH is the quorvan-batch to try, OUT a scratch folder (default: a new one
# under /tmp, removed at the end; a given one is kept for a look). Prints one
# line per case that did not hold and a table of counts per group; exits 1 when
# a case did not hold. Options the program does not have (an older build) make
# their cases "not applicable" unless the program crashed or lost data on them.
# Mounting (small tmpfs, read-only folders) and device nodes need root; without
# it those cases are skipped with a message. MATRIX_GROUPS=REGEX runs only the
# groups it matches (options, toml, worlds, outputs, signals, disks,
# concurrency, parts). Not part of ./test.sh: it takes a few minutes.
set -u
ulimit -c 0

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 QUORVAN_BATCH [SCRATCH_DIR]" >&2
  exit 2
fi
B=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
crash_world=${MATRIX_CRASH_WORLD:-$here/../fuzz/hdf5-faults/contiguous-read-segv.qvw}
if [ $# -ge 2 ]; then
  ROOT=$2; keep=1
  rm -rf "$ROOT"; mkdir -p "$ROOT"; ROOT=$(readlink -f "$ROOT")
else
  ROOT=$(mktemp -d /tmp/fault-matrix.XXXXXX); keep=0
fi
LOG=$ROOT/.log
mkdir -p "$LOG"
mounts=()
cleanup() {
  local m
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  [ "$keep" = 1 ] || rm -rf "$ROOT"
}
trap cleanup EXIT
is_root=0
[ "$(id -u)" = 0 ] && is_root=1

HELP=$("$B" --help 2>&1)
has() {  # has OPTION: the program knows it
  [ "$1" = - ] && return 0
  grep -q -- "$1\b" <<<"$HELP"
}

OLD='an earlier table, to be kept'
declare -A TRIED HELD NA
GROUPS_SEEN=()
FAILS=()
G=
n=0
group() {
  G=$1
  GROUPS_SEEN+=("$G"); TRIED[$G]=0; HELD[$G]=0; NA[$G]=0
  echo "group $G ..." >&2
}
# verdict NAME OK|FAIL|NA SEEN
verdict() {
  case $2 in
    NA) NA[$G]=$((NA[$G] + 1)) ;;
    OK) TRIED[$G]=$((TRIED[$G] + 1)); HELD[$G]=$((HELD[$G] + 1)) ;;
    *) TRIED[$G]=$((TRIED[$G] + 1)); FAILS+=("$G | $1 | $3") ;;
  esac
}
skip() { echo "skipped in $G: $*"; }

# A fresh case folder W holding keep.csv, a file that must stay as it is.
newcase() {
  n=$((n + 1))
  W=$ROOT/$G/$n
  mkdir -p "$W"
  printf '%s\n' "$OLD" >"$W/keep.csv"
  MAY=; POST=; TMO=60; PRE=
}
snap() {  # the folder's entries and the contents of its regular files
  (cd "$W" && { find . -mindepth 1 -printf '%y %p -> %l mode %m\n'; find . -type f -exec sha1sum {} +; } 2>/dev/null |
   LC_ALL=C sort)
}
leftovers() {  # temporary files anywhere under the case folder
  (cd "$W" && find . -name '.*tmp*' -o -name '*.tmp-*' -o -name '*.part' 2>/dev/null | head -5 | tr '\n' ' ')
}
crashed() {  # crashed RC: a signal death, abort, or hang
  [ "$1" -ge 124 ] && [ "$1" != 255 ]
}

# tc NAME EXPECT NAMED NEEDS CMD...: run CMD in W. EXPECT is an extended
# regex of exit statuses; NAMED is '&&'-joined texts a failing run's stderr
# must hold; NEEDS an option the program must have (- for none). MAY is a
# regex of paths (as find prints them, ./x) that a successful run may change;
# POST a command printing what else went wrong.
tc() {
  local name=$1 expect=$2 named=$3 needs=$4; shift 4
  local before after rc seen= lost left extra piece
  before=$(snap)
  (cd "$W" && $PRE timeout -s KILL "$TMO" "$@") >"$LOG/$n.out" 2>"$LOG/$n.err" </dev/null
  rc=$?
  after=$(snap)
  lost=$(LC_ALL=C comm -23 <(echo "$before") <(echo "$after"))
  if [ "$rc" = 0 ] && [ -n "$MAY" ]; then lost=$(grep -Ev -- "$MAY" <<<"$lost"); fi
  left=$(leftovers)
  if ! has "$needs"; then
    if crashed "$rc" || [ -n "$lost" ]; then
      verdict "$name" FAIL "(no $needs) exit $rc, lost: ${lost:0:120}"
    else
      verdict "$name" NA ""
    fi
    return
  fi
  local err
  err=$(head -c 300 "$LOG/$n.err" | tr '\n' ' ')
  if crashed "$rc"; then seen="died: exit $rc"
  elif ! [[ "$rc" =~ ^($expect)$ ]]; then seen="exit $rc, expected $expect"
  fi
  if [ "$rc" != 0 ] && [ -z "$seen" ]; then
    if [ ! -s "$LOG/$n.err" ]; then seen="no message"
    elif [ -n "$named" ]; then
      local rest=$named
      while [ -n "$rest" ]; do
        piece=${rest%%&&*}
        [ "$piece" = "$rest" ] && rest= || rest=${rest#*&&}
        grep -qF -- "$piece" "$LOG/$n.err" || { seen="message does not name '$piece'"; break; }
      done
    fi
  fi
  [ -n "$lost" ] && seen="$seen; changed or lost: $(echo $lost | head -c 160)"
  [ -n "$left" ] && seen="$seen; left: $left"
  if [ -z "$seen" ] && [ -n "$POST" ]; then
    extra=$(cd "$W" && eval "$POST" 2>&1)
    [ -n "$extra" ] && seen="${extra//$'\n'/; }"
  fi
  if [ -z "$seen" ]; then verdict "$name" OK ""
  else verdict "$name" FAIL "${seen#; } [stderr: ${err:0:200}]"
  fi
}

# tc with the exit status known to POST as RC.
tc_rc() { local p=$POST; POST="RC=\$(cat '$LOG/rc.$n'); $p"; PRE="rcsave $n"; tc "$@"; PRE=; }
rcsave() { local k=$1; shift; "$@"; local r=$?; echo $r >"$LOG/rc.$k"; return $r; }

# Runs a program with the default handling of SIGINT and SIGQUIT (a
# background job of a script ignores them otherwise).
launch() {  # launch PIDFILE CMD...: the program's own id goes into PIDFILE
  python3 -c 'import os, signal, sys
open(sys.argv[1], "w").write(str(os.getpid()))
for s in (signal.SIGINT, signal.SIGQUIT): signal.signal(s, signal.SIG_DFL)
os.execvp(sys.argv[2], sys.argv[2:])' "$@"
}
sendsig() {  # sendsig SIGNAL PIDFILE
  local i
  for i in $(seq 100); do [ -s "$2" ] && break; sleep 0.01; done
  kill -"$1" "$(cat "$2")" 2>/dev/null
}
TABLES=(runs.csv series.csv points.csv contrasts.csv)
same_tables() {  # same_tables REF DIR: prints what differs
  local t
  for t in "${TABLES[@]}"; do
    [ -e "$1/$t" ] || continue
    cmp -s "$1/$t" "$2/$t" || echo "$t differs from the uninterrupted sweep"
  done
}
sigrc() { echo $((128 + $(kill -l "$1"))); }
declare -A EXT=([--csv]=csv [--json]=json [--png]=png [--save-world]=qvw [--movie]=gif [--fields]=h5)
declare -A STREAMS=([--csv]=1 [--json]=1 [--png]=1 [--movie]=1)  # may be written into a pipe or a device

# A small saved world and a sweep's settings used below.
SW=(--seed 7 --agents 30 --steps 40 --wiggle 0,90 --replicates 3 --series --plot none --quiet --jobs 2)
mkdir -p "$ROOT/in"
IN=$ROOT/in
"$B" --steps 10 --agents 20 --seed 1 --cell-size 10 --save-world "$IN/w.qvw" >/dev/null 2>&1
cp "$IN/w.qvw" "$IN/w2.qvw"
"$B" --steps 10 --agents 20 --seed 2 --cell-size 10 --save-world "$IN/w2.qvw" >/dev/null 2>&1
[ -s "$IN/w.qvw" ] || { echo "cannot save a world with $B" >&2; exit 1; }

###########################################################################
g_options() {
group options
NUMOPTS=(--agents --cell-size --steps --threshold --wiggle --noise --consume --decay --seed --landscape-seed
         --gravity --for --frame-every --fps --fields-every)
CHOICE=(--mode --sniff --trail --caption)
BAD=('' abc nan inf 1e999 99999999999999999999999 0x1g ' ' '1 2' $'7\xff' '1..' '5:1:1' '١')
declare -gA RANGE=(
  [--agents]='-1 999999999999' [--cell-size]='0 1 11 -2' [--steps]='-1 18446744073709551616'
  [--threshold]='-1 181 360' [--wiggle]='-1 181' [--noise]='1e15 -1e15'
  [--seed]='-1 18446744073709551616' [--landscape-seed]='-1' [--for]='0 -1' [--frame-every]='0 -1' [--fps]='0 121' [--fields-every]='0 -5')
declare -gA GOOD=(
  [--agents]=30 [--cell-size]=5 [--steps]=25 [--threshold]=40 [--wiggle]=30 [--noise]=10 [--consume]=0.3
  [--decay]=0.9 [--seed]=3 [--landscape-seed]=4 [--gravity]=2 [--for]=5 [--frame-every]=5 [--fps]=10
  [--fields-every]=5 [--mode]=raster [--sniff]=roulette [--trail]=footprint [--caption]=none)
declare -gA CONTEXT=([--gravity]='--png g.png' [--frame-every]='--movie m.gif' [--fps]='--movie m.gif'
  [--caption]='--movie m.gif' [--fields-every]='--fields f.h5')
single=(--steps 20 --agents 50 --csv keep.csv)
for opt in "${NUMOPTS[@]}" "${CHOICE[@]}"; do
  vals=("${BAD[@]}")
  for v in ${RANGE[$opt]:-}; do vals+=("$v"); done
  for v in "${vals[@]}"; do
    # Consume, decay and gravity take any finite real (a decay above 1 is a valid world).
    case "$opt=$v" in --consume=9999*|--decay=9999*|--gravity=9999*) continue ;; esac
    newcase
    tc "single $opt '$v'" 2 "$opt" "$opt" "$B" "${single[@]}" ${CONTEXT[$opt]:-} "$opt" "$v"
  done
  # The value missing at the end, and the option given twice.
  newcase; tc "single $opt (no value)" 2 "$opt" "$opt" "$B" "${single[@]}" "$opt"
  newcase; tc "single $opt twice" 2 "$opt" "$opt" "$B" --steps 20 --agents 50 ${CONTEXT[$opt]:-} \
    "$opt" "${GOOD[$opt]}" "$opt" "${GOOD[$opt]}"
  # A valid value runs.
  newcase
  case $opt in --steps) base=(--agents 50) ;; --agents) base=(--steps 20) ;; *) base=(--steps 20 --agents 50) ;; esac
  [ "$opt" = --for ] && base=(--agents 50)
  tc "single $opt ${GOOD[$opt]} (valid)" 0 "" "$opt" "$B" "${base[@]}" ${CONTEXT[$opt]:-} --csv new.csv "$opt" "${GOOD[$opt]}"
done
# In a sweep: a bad value, or a bad list or range, makes no folder.
SWEEPOPTS=(--agents --cell-size --steps --threshold --wiggle --noise --consume --decay --landscape-seed --mode --sniff --trail)
declare -gA SWEEPBAD=(
  [--agents]='20,-1 20,abc 0:10:0 10:1:1 20,,30' [--cell-size]='2,11 2:12:5 2,x' [--steps]='10,-1 10,1e99 5:1:1'
  [--threshold]='0,200 0:360:90 0:180:-10' [--wiggle]='0,181 0:200:50 a:b:c 0:180' [--noise]='0,1e15 0:nan:1 0,nan'
  [--consume]='0.1,inf 0.1:0.5:0 0.5:0.1:0.1' [--decay]='0.9,nan 1:0:0.1' [--landscape-seed]='1,-1 1,x'
  [--mode]='random,nowhere random,,raster' [--sniff]='hill,x' [--trail]='return,x')
declare -gA SWEEPGOOD=([--agents]=20,30 [--cell-size]=5,10 [--steps]=10,20 [--threshold]=0:90:45 [--wiggle]=0,90
  [--noise]=0,10 [--consume]=0.1,0.5 [--decay]=off,0.9 [--landscape-seed]=1,2 [--mode]=random,raster
  [--sniff]=hill,roulette [--trail]=return,footprint)
sweep=(--steps 20 --agents 30 --seed 1 --quiet --plot none --out s)
for opt in "${SWEEPOPTS[@]}"; do
  for v in ${SWEEPBAD[$opt]} '' nan 1e999; do
    newcase; POST='[ ! -e s ] || echo "made the sweep folder"'
    tc "sweep $opt '$v'" 2 "$opt" "$opt" "$B" "${sweep[@]}" "$opt" "$v"
  done
  newcase
  case $opt in
    --agents) base=(--steps 20 --seed 1 --quiet --plot none --out s) ;;
    --steps) base=(--agents 30 --seed 1 --quiet --plot none --out s) ;;
    *) base=("${sweep[@]}") ;;
  esac
  tc "sweep $opt ${SWEEPGOOD[$opt]} (valid)" 0 "" "$opt" "$B" "${base[@]}" "$opt" "${SWEEPGOOD[$opt]}"
done
declare -gA SWEEPONLY=([--replicates]='0 -1 x 1.5 1e99' [--jobs]='-1 x 1.5 99999999999999999999'
  [--shard]='0/2 3/2 1/0 2/1 x/y 1/2/3 -1/2 1/-2 /2 1/'
  [--plot]='bogus 1' [--design]='bogus'
  [--samples]='0 -1 x 1' [--levels]='1 0 x' [--bootstrap]='0 -1 x' [--accept]='0 1.5 -0.1 nan x'
  [--outputs]='nothing mode ,' [--target]='nothing=4 deliveries=x deliveries= =3 no/such/file.csv')
declare -gA SWEEPCTX=([--samples]='--design lhs --wiggle 0..180' [--levels]='--design morris --samples 3 --wiggle 0..180'
  [--bootstrap]='--design sobol --samples 4 --wiggle 0..180'
  [--accept]='--design lhs --samples 4 --wiggle 0..180 --calibrate --target deliveries=3'
  [--outputs]='--design lhs --samples 4 --wiggle 0..180' [--target]='--design lhs --samples 4 --wiggle 0..180 --calibrate'
  [--design]='--samples 4 --wiggle 0..180')
for opt in --replicates --jobs --shard --plot --design --samples --levels --bootstrap --accept --outputs --target; do
  for v in ${SWEEPONLY[$opt]} ''; do
    newcase; POST='[ ! -e s ] || echo "made the sweep folder"'
    tc "sweep $opt '$v'" 2 "$opt" "$opt" "$B" "${sweep[@]}" ${SWEEPCTX[$opt]:-} "$opt" "$v"
  done
done
# Single-run outputs and a sweep, a list without --out, unknown options and stray words.
for extra in "--csv a.csv" "--json a.json" "--png a.png" "--save-world a.qvw" "--gravity 2"; do
  newcase; POST='[ ! -e s ] || echo "made the sweep folder"'
  tc "sweep with $extra" 2 "${extra%% *}" - "$B" "${sweep[@]}" --wiggle 0,90 $extra
done
for args in "--wiggle 0,90" "--consume 0.1:0.5:0.1" "--bogus" "--agents 5 stray" "-x" "--Agents 5" "--agents=" \
            "--resume" "--resume no/such/dir" "--out" "--experiment" "merge" "merge --out" "merge --out m" \
            "merge --out m no/such/shard" "--steps 5 --resume ." "--out keep.csv --wiggle 0,90"; do
  newcase; tc "single $args" 2 "" - "$B" --steps 5 --agents 20 $args
done
}

###########################################################################
g_toml() {
group toml
# A base experiment without the key tried; then the key's line.
toml_case() {  # toml_case NAME EXPECT NAMED KEY LINE
  local key=$4 line=$5 k
  newcase
  {
    for k in "steps = 10" "agents = 20" 'plot = "none"' "quiet = true" 'out = "s"' "seed = 1"; do
      [ "${k%% *}" = "$key" ] || printf '%s\n' "$k"
    done
    printf '%s\n' "$line"
  } >"$W/e.toml"
  [ "$2" = 2 ] && POST='[ ! -e s ] || echo "made the sweep folder"'
  tc "$1" "$2" "$3" --experiment "$B" --experiment e.toml
}
TYPES=('true' '[1, "a"]' '{ a = 1 }' '1979-05-27' '"abc"' '3.5' '[]' '-1' '[[1]]')
for key in agents cell-size steps threshold wiggle noise consume decay seed landscape-seed replicates jobs \
           mode sniff trail series plot quiet out world shard; do
  for t in "${TYPES[@]}"; do
    # Values that are fine for the key are left out.
    case "$key=$t" in
      noise=3.5|noise=-1|consume=3.5|consume=-1|decay=3.5|decay=-1|series=true|quiet=true|out=\"abc\"|world=\"abc\")
        continue ;;
    esac
    toml_case "$key = $t" 2 "e.toml&&$key" "$key" "$key = $t"
  done
done
for line in 'agents = -1' 'cell-size = 11' 'threshold = 200' 'wiggle = "0:180:0"' 'wiggle = "5:1:1"' \
            'consume = "nan"' 'noise = 1e15' 'shard = "3/2"' 'replicates = 0' 'steps = -5' 'seed = 1e30' \
            'wiggle = [0, 200]' 'mode = ["random", "x"]'; do
  toml_case "$line" 2 "e.toml&&${line%% *}" "${line%% *}" "$line"
done
# A number TOML itself cannot hold is named by the file and its line.
toml_case 'agents = 99999999999999999999' 2 "e.toml&&line" agents 'agents = 99999999999999999999'
for line in 'foo = 1' 'Steps = 5' 'csv = "a.csv"' 'png = "a.png"' 'save-world = "a.qvw"' 'resume = "."' \
            '[section]' 'wiggle_ = 3'; do
  toml_case "unknown or refused key: $line" 2 "e.toml" - "$line"
done
for line in 'steps =' 'steps 5' '[unterminated' 'wiggle = "5' '= 5' 'steps = 5 5' 'steps = 10' \
            $'steps = 5\nsteps = 6' 'x = [1,' 'a.b.c = ' '"' 'steps = 0x' $'\x01' $'wiggle = "\xff"' $'# \xfe\xff' \
            $'\xff = 1'; do
  # 'steps = 10' again duplicates the base's key.
  toml_case "syntax: $(printf %q "$line")" 2 "e.toml" - "$line"
done
# Files that are no experiment, and valid ones that must run.
newcase; tc "missing file" 2 "no.toml" --experiment "$B" --experiment no.toml
newcase; mkdir "$W/d.toml"; tc "a folder" 2 "d.toml" --experiment "$B" --experiment d.toml
newcase; ln -s gone.toml "$W/l.toml"; tc "a dangling link" 2 "l.toml" --experiment "$B" --experiment l.toml
newcase; printf 'steps = 10\x00\n' >"$W/e.toml"; tc "a NUL byte" 2 "e.toml" --experiment "$B" --experiment e.toml
newcase; head -c 3000 /dev/urandom >"$W/e.toml"; tc "random bytes" 2 "e.toml" --experiment "$B" --experiment e.toml
newcase; : >"$W/e.toml"; tc "empty file (valid)" 0 "" --experiment "$B" --experiment e.toml --steps 10 --agents 20 --quiet --plot none --out s
newcase; printf '# nothing\n\n' >"$W/e.toml"; tc "comments only (valid)" 0 "" --experiment "$B" --experiment e.toml --steps 10 --agents 20 --quiet --plot none --out s
newcase; printf 'steps = 10\r\nagents = 20\r\nwiggle = [0, 90]\r\nquiet = true\r\nplot = "none"\r\nout = "s"\r\n' >"$W/e.toml"
tc "CRLF lines (valid)" 0 "" --experiment "$B" --experiment e.toml
newcase; printf '\xef\xbb\xbfsteps = 10\nagents = 20\nquiet = true\nplot = "none"\nout = "s"\n' >"$W/e.toml"
tc "byte order mark (valid or refused)" '0|2' "e.toml" --experiment "$B" --experiment e.toml
newcase; printf 'steps = 10\nagents = 20\nquiet = true\nplot = "none"\nout = "s"\n' >"$W/e"$'\xff'".toml"
tc "non-UTF-8 file name (valid)" 0 "" --experiment "$B" --experiment "e"$'\xff'".toml"
newcase; printf 'steps = 10\nagents = 20\nquiet = true\nplot = "none"\nout = "s"\nwiggle = "0:90:45"\n' >"$W/real.toml"; ln -s real.toml "$W/e.toml"
tc "a link to a valid file (valid)" 0 "" --experiment "$B" --experiment e.toml
newcase; printf 'quiet = true\nplot = "none"\nout = "s"\nworld = ["%s", "%s"]\nfor = 5\n' "$IN/w.qvw" "$IN/w2.qvw" >"$W/e.toml"
tc "worlds in a file (valid)" 0 "" --for "$B" --experiment e.toml
newcase; printf 'for = 5\nquiet = true\nplot = "none"\nout = "s"\nworld = ["%s", "missing.qvw"]\n' "$IN/w.qvw" >"$W/e.toml"
POST='[ ! -e s ] || echo "made the sweep folder"'; tc "a missing world in a file" 2 "missing.qvw" --for "$B" --experiment e.toml
newcase; printf 'steps = 10\nagents = 20\nquiet = true\nplot = "none"\nwiggle = [0, 90]\n' >"$W/e.toml"; mkdir "$W/s"; echo x >"$W/s/other.txt"
tc "out holds other files" 2 "s" --experiment "$B" --experiment e.toml --out s
newcase; printf 'steps = 10\n' >"$W/e.toml"; tc "two experiment files" 2 "--experiment" --experiment "$B" --experiment e.toml --experiment e.toml --out s
}

###########################################################################
g_worlds() {
group worlds
w=$IN/w.qvw
size=$(stat -c %s "$w")
world_case() {  # world_case NAME EXPECT FILE
  newcase; MAY=; POST=
  tc "$1" "$2" "$3" - "$B" --world "$3" --steps 15 --csv new.csv
}
newcase; tc "missing" 2 "missing.qvw" - "$B" --world missing.qvw --steps 15 --csv new.csv
newcase; : >"$W/e.qvw"; tc "empty" 2 "e.qvw" - "$B" --world e.qvw --steps 15 --csv new.csv
newcase; echo "not a world" >"$W/t.qvw"; tc "text" 2 "t.qvw" - "$B" --world t.qvw --steps 15 --csv new.csv
newcase; head -c 4096 /dev/urandom >"$W/r.qvw"; tc "random bytes" 2 "r.qvw" - "$B" --world r.qvw --steps 15 --csv new.csv
newcase; mkdir "$W/d.qvw"; tc "a folder" 2 "d.qvw" - "$B" --world d.qvw --steps 15 --csv new.csv
newcase; "$B" --steps 5 --agents 20 --png "$W/p.qvw" >/dev/null 2>&1; tc "a PNG" 2 "p.qvw" - "$B" --world p.qvw --steps 15 --csv new.csv
newcase; ln -s gone.qvw "$W/l.qvw"; tc "a dangling link" 2 "l.qvw" - "$B" --world l.qvw --steps 15 --csv new.csv
if has --fields; then
  newcase; "$B" --steps 5 --agents 20 --fields "$W/f.qvw" >/dev/null 2>&1
  tc "HDF5 that is no world" 2 "f.qvw" - "$B" --world f.qvw --steps 15 --csv new.csv
fi
newcase; cp "$crash_world" "$W/c.qvw"; tc "the kept crash input" 2 "c.qvw" - "$B" --world c.qvw --steps 15 --csv new.csv
newcase; cp "$crash_world" "$W/c.qvw"
tc "the kept crash input, over an existing table" 2 "c.qvw" - "$B" --world c.qvw --steps 15 --csv keep.csv
newcase; cp "$w" "$W/w.qvw"; tc "the whole world (valid)" 0 "" - "$B" --world w.qvw --steps 15 --csv new.csv
for i in $(seq 0 39); do
  off=$(( i < 8 ? (1 << i) : (size * (i - 7) / 33) ))
  newcase; head -c "$off" "$w" >"$W/w.qvw"
  tc "cut at $off of $size" 2 "w.qvw" - "$B" --world w.qvw --steps 15 --csv new.csv
done
for i in $(seq 0 59); do
  off=$(( i < 10 ? i * 7 : (size * (i - 9) / 51) ))
  newcase; cp "$w" "$W/w.qvw"
  python3 -c 'import sys; p, o = sys.argv[1], int(sys.argv[2]); b = bytearray(open(p, "rb").read()); b[o] ^= 0xff; open(p, "wb").write(b)' "$W/w.qvw" "$off"
  tc "byte $off flipped" '0|2' "w.qvw" - "$B" --world w.qvw --steps 15 --csv new.csv
done
# Bad worlds among good ones in a sweep: refused before anything runs.
for bad in missing empty text crash cut; do
  newcase; POST='[ ! -e s ] || echo "made the sweep folder"'
  case $bad in
    missing) ;; empty) : >"$W/b.qvw" ;; text) echo x >"$W/b.qvw" ;; crash) cp "$crash_world" "$W/b.qvw" ;;
    cut) head -c $((size / 2)) "$w" >"$W/b.qvw" ;;
  esac
  tc "sweep over a good and a $bad world" 2 "b.qvw" - "$B" --world "$w,b.qvw" --steps 15 --quiet --plot none --out s
done
}

###########################################################################
g_outputs() {
group outputs
for opt in --csv --json --png --save-world --movie --fields; do
  e=${EXT[$opt]}
  run=("$B" --steps 20 --agents 50 --seed 1)
  newcase; ln -s made.$e "$W/link.$e"
  POST="[ -L link.$e ] && [ -f made.$e ] && [ -s made.$e ] || echo 'the link was not written through'"
  tc "$opt onto a dangling link" 0 "" "$opt" "${run[@]}" "$opt" link.$e
  newcase; echo old >"$W/made.$e"; ln -s made.$e "$W/link.$e"; MAY="made\.$e"
  POST="[ -L link.$e ] && ! echo old | cmp -s - made.$e || echo 'the link or its file not as expected'"
  tc "$opt onto a link to a file" 0 "" "$opt" "${run[@]}" "$opt" link.$e
  newcase; echo old >"$W/x.$e"; chmod 640 "$W/x.$e"; MAY="x\.$e"
  POST="[ \"\$(stat -c %a x.$e)\" = 640 ] || echo 'the replaced file lost its permissions'"
  tc "$opt over a file with mode 640" 0 "" "$opt" "${run[@]}" "$opt" x.$e
  newcase; mkdir "$W/d.$e"; tc "$opt onto a folder" 2 "d.$e" "$opt" "${run[@]}" "$opt" d.$e
  newcase; tc "$opt into a missing folder" 2 "no/such" "$opt" "${run[@]}" "$opt" no/such/x.$e
  newcase; POST="[ -f o$'\xff'.$e ] || echo 'no file of that name'"
  tc "$opt with a non-UTF-8 name" 0 "" "$opt" "${run[@]}" "$opt" "o"$'\xff'".$e"
  newcase; POST="[ -f 'a b
c.$e' ] || echo 'no file of that name'"
  tc "$opt with a space and a newline in its name" 0 "" "$opt" "${run[@]}" "$opt" "a b
c.$e"
  newcase; mkfifo "$W/p.$e"; (timeout 30 cat "$W/p.$e" >"$LOG/fifo.$n" &)
  if [ -n "${STREAMS[$opt]:-}" ]; then exp=0; else exp=2; fi
  [ "$opt" = --movie ] && exp='0|2'
  tc "$opt into a FIFO" "$exp" "p.$e" "$opt" "${run[@]}" "$opt" p.$e
  timeout 2 bash -c ": >'$W/p.$e'" 2>/dev/null
  if [ "$is_root" = 1 ]; then
    newcase; mknod "$W/null.$e" c 1 3
    tc "$opt into a null device node" "$exp" "null.$e" "$opt" "${run[@]}" "$opt" null.$e
    newcase; mknod "$W/full.$e" c 1 7
    tc "$opt into a full device node" 2 "full.$e" "$opt" "${run[@]}" "$opt" full.$e
    newcase; mkdir "$W/ro"; echo old >"$W/ro/x.$e"
    if mount -t tmpfs -o size=64k tmpfs "$W/ro" 2>/dev/null; then
      echo old >"$W/ro/x.$e"; mount -o remount,ro "$W/ro"; mounts+=("$W/ro")
      tc "$opt into a read-only folder" 2 "x.$e" "$opt" "${run[@]}" "$opt" ro/x.$e
      umount "$W/ro"
    else skip "$opt into a read-only folder: cannot mount"; fi
  else
    skip "$opt into device nodes and read-only folders: needs root"
  fi
done
newcase; tc "two outputs to one file" 2 "x.csv" - "$B" --steps 20 --agents 50 --csv x.csv --json x.csv
newcase; tc "--png onto standard output" 2 "--png" - "$B" --steps 20 --agents 50 --png -
newcase; tc "--save-world onto standard output" 2 "--save-world" - "$B" --steps 20 --agents 50 --save-world -
newcase; tc "--csv '' " 2 "--csv" - "$B" --steps 20 --agents 50 --csv ''
newcase; cp "$w" "$W/w.qvw"; MAY='w\.qvw'
tc "--save-world over its own --world (valid)" 0 "" - "$B" --world w.qvw --steps 15 --save-world w.qvw
for name in "s"$'\xff' "s b" "s"$'\n'"n"; do
  newcase
  POST="[ -s \"\$(printf %s '$name')/runs.csv\" ] && [ -s \"\$(printf %s '$name')/experiment.json\" ] || echo 'tables or experiment.json missing'"
  tc "sweep into $(printf %q "$name")" 0 "" - "$B" "${SW[@]}" --out "$name"
  POST=; MAY=.
  tc "resume of $(printf %q "$name")" 0 "" - "$B" --resume "$name" --quiet
  mkdir -p "$W/sh"
  "$B" "${SW[@]}" --shard 1/2 --out "$W/sh/1$name" >/dev/null 2>&1
  "$B" "${SW[@]}" --shard 2/2 --out "$W/sh/2$name" >/dev/null 2>&1
  POST="[ -z \"\$(same_tables '$W/$name' 'm$name')\" ] || echo 'merged tables differ'"; MAY=
  tc "merge of $(printf %q "$name")" 0 "" - "$B" merge --quiet --out "m$name" "sh/1$name" "sh/2$name"
done
}

###########################################################################
g_signals() {
group signals
single_sig() {  # single_sig SIGNAL SECONDS [EXTRA OPTIONS...]
  local sig=$1 t=$2 rc want left lost before after name; shift 2
  newcase
  for f in a.csv a.json a.png; do printf '%s\n' "$OLD" >"$W/$f"; done
  name="single run, SIG$sig after ${t}s $*"
  if [ $# -gt 0 ] && ! has "$1"; then verdict "$name" NA ""; return; fi
  before=$(snap)
  (cd "$W" && launch "$LOG/$n.pid" "$B" --steps 100000000 --agents 50 --csv a.csv --json a.json --png a.png "$@" \
     >"$LOG/$n.out" 2>"$LOG/$n.err") & local pid=$!
  sleep "$t"
  sendsig "$sig" "$LOG/$n.pid"
  wait "$pid"; rc=$?
  after=$(snap)
  lost=$(LC_ALL=C comm -23 <(echo "$before") <(echo "$after"))
  left=$(leftovers)
  want=$(sigrc "$sig")
  [ "$sig" = KILL ] && left=  # nothing can clean up after SIGKILL
  if [ "$rc" != "$want" ]; then verdict "$name" FAIL "exit $rc, expected $want"
  elif [ -n "$lost" ] || [ -n "$left" ]; then verdict "$name" FAIL "lost: ${lost:0:100} left: $left"
  else verdict "$name" OK ""; fi
}
for sig in INT TERM HUP KILL; do
  for t in 0.05 0.3 1; do single_sig $sig $t; done
  single_sig $sig 0.5 --movie m.gif --fields f.h5 --save-world w.qvw
done
# A sweep long enough to interrupt; the uninterrupted one is the reference.
LONG=(--seed 11 --agents 400 --steps 3000 --wiggle 0:180:20 --replicates 2 --series --plot none --quiet --jobs 2)
REF=$ROOT/ref-long
start=$(date +%s.%N)
"$B" "${LONG[@]}" --out "$REF" >/dev/null 2>&1 || echo "the reference sweep failed" >&2
span=$(echo "$(date +%s.%N) - $start" | bc)
echo "the reference sweep took $span s" >&2
# sweep_sig NAME SIGNALS SECONDS [RESUME_SIGNAL RESUME_SECONDS]
sweep_sig() {
  local name=$1 sigs=$2 t=$3 rc pid ok= seen= rc2 s
  newcase
  (cd "$W" && launch "$LOG/$n.pid" "$B" "${LONG[@]}" --out d >"$LOG/$n.out" 2>"$LOG/$n.err") & pid=$!
  sleep "$t"
  for s in $sigs; do sendsig "$s" "$LOG/$n.pid"; sleep 0.05; done
  wait "$pid"; rc=$?
  s=${sigs##* }
  if [ "$rc" != 0 ] && [ "$rc" != "$(sigrc "$s")" ] && [ "$rc" != "$(sigrc "${sigs%% *}")" ]; then
    seen="interrupted sweep: exit $rc"
  fi
  if [ -n "${4:-}" ]; then
    (cd "$W" && launch "$LOG/$n.pid2" "$B" --resume d --quiet >>"$LOG/$n.out" 2>>"$LOG/$n.err") & pid=$!
    sleep "$5"; sendsig "$4" "$LOG/$n.pid2"; wait "$pid"; rc2=$?
    if [ "$rc2" != 0 ] && [ "$rc2" != "$(sigrc "$4")" ]; then seen="$seen; interrupted resume: exit $rc2"; fi
  fi
  if [ ! -e "$W/d/plan.json" ] && [ ! -e "$W/d/runs.csv" ]; then
    # Stopped before the folder was begun: the sweep starts again.
    (cd "$W" && timeout -s KILL 120 "$B" "${LONG[@]}" --out d >>"$LOG/$n.out" 2>>"$LOG/$n.err"); rc2=$?
  else
    (cd "$W" && timeout -s KILL 120 "$B" --resume d --quiet >>"$LOG/$n.out" 2>>"$LOG/$n.err"); rc2=$?
  fi
  [ "$rc2" = 0 ] || seen="$seen; resume: exit $rc2"
  local d
  d=$(same_tables "$REF" "$W/d")
  [ -n "$d" ] && seen="$seen; $d"
  local left
  left=$(leftovers)
  [ -n "$left" ] && [ "${sigs%% *}" != KILL ] && seen="$seen; left: $left"
  if [ -z "$seen" ]; then verdict "$name" OK ""
  else verdict "$name" FAIL "${seen#; } [stderr: $(tail -c 200 "$LOG/$n.err" | tr '\n' ' ')]"; fi
}
for sig in INT TERM HUP KILL; do
  for f in 0.05 0.3 0.6 0.9; do
    t=$(echo "$span * $f" | bc -l | head -c 6)
    sweep_sig "sweep, SIG$sig at $f of its time, then --resume" "$sig" "$t"
  done
  sweep_sig "sweep, SIG$sig at 0.3, the resume SIG$sig at 0.3, then --resume" "$sig" \
    "$(echo "$span * 0.3" | bc -l | head -c 6)" "$sig" "$(echo "$span * 0.3" | bc -l | head -c 6)"
done
sweep_sig "sweep, SIGINT twice at 0.4, then --resume" "INT INT" "$(echo "$span * 0.4" | bc -l | head -c 6)"
sweep_sig "sweep, SIGTERM then SIGINT at 0.4, then --resume" "TERM INT" "$(echo "$span * 0.4" | bc -l | head -c 6)"
# A shard killed, resumed and merged.
for sig in INT KILL; do
  newcase; seen=
  (cd "$W" && launch "$LOG/$n.pid" "$B" "${LONG[@]}" --shard 1/2 --out s1 >"$LOG/$n.out" 2>"$LOG/$n.err") & pid=$!
  sleep 0.3; sendsig $sig "$LOG/$n.pid"; wait "$pid"
  "$B" "${LONG[@]}" --shard 2/2 --out "$W/s2" >/dev/null 2>&1
  if [ -e "$W/s1/plan.json" ]; then "$B" --resume "$W/s1" --quiet 2>>"$LOG/$n.err"
  else "$B" "${LONG[@]}" --shard 1/2 --out "$W/s1" 2>>"$LOG/$n.err"; fi
  "$B" merge --quiet --out "$W/m" "$W/s1" "$W/s2" 2>>"$LOG/$n.err"; rc=$?
  d=$(same_tables "$REF" "$W/m")
  if [ "$rc" = 0 ] && [ -z "$d" ]; then verdict "shard SIG$sig, resumed, merged" OK ""
  else verdict "shard SIG$sig, resumed, merged" FAIL "merge exit $rc; $d"; fi
done
}

###########################################################################
g_disks() {
group disks
if [ "$is_root" = 0 ]; then
  skip "every case: mounting a small tmpfs needs root"
else
  MID=(--seed 5 --agents 50 --steps 300 --wiggle 0:180:30 --replicates 2 --series --quiet --jobs 2)
  REFM=$ROOT/ref-mid
  "$B" "${MID[@]}" --out "$REFM" >/dev/null 2>&1
  "$B" "${MID[@]}" --shard 1/2 --out "$ROOT/mid-s1" >/dev/null 2>&1
  "$B" "${MID[@]}" --shard 2/2 --out "$ROOT/mid-s2" >/dev/null 2>&1
  fill() { [ "$size" != full ] || head -c 1m /dev/zero >"$W/disk/filler" 2>/dev/null; true; }
  for size in 64k 256k 1m full; do
    for what in csv json png save-world movie fields sweep merge; do
      newcase
      mkdir "$W/disk"
      if ! mount -t tmpfs -o size=${size/full/256k} tmpfs "$W/disk"; then skip "$size: cannot mount"; continue; fi
      mounts+=("$W/disk")
      printf '%s\n' "$OLD" >"$W/disk/keep.txt"
      case $what in
        csv|json|png|save-world)
          e=${what/save-world/qvw}
          printf '%s\n' "$OLD" >"$W/disk/x.$e"; MAY="disk/x\.$e"
          fill
          steps=3000; [ "$what" = csv ] && steps=30000
          tc "$size disk, --$what" '0|2' "x.$e&&no space left on device" - \
            "$B" --steps $steps --agents 500 --seed 1 "--$what" disk/x.$e ;;
        movie|fields)
          e=${EXT[--$what]}; fill
          tc "$size disk, --$what" '0|2' "x.$e&&no space left on device" --$what \
            "$B" --steps 2000 --agents 200 --seed 1 "--$what" disk/x.$e ;;
        sweep) fill
          # With room again: --resume, or the same sweep where it stopped before its plan.
          POST="mount -o remount,size=16m disk && if [ -e disk/s/plan.json ]; then '$B' --resume disk/s --quiet; else '$B' ${MID[*]} --out disk/s; fi >/dev/null 2>&1 || echo 'resume failed after freeing space'; same_tables '$REFM' disk/s"
          tc "$size disk, a sweep, then --resume with room" '0|1|2' "no space left on device" - "$B" "${MID[@]}" --out disk/s ;;
        merge) fill
          POST="[ \"\$RC\" = 0 ] || { mount -o remount,size=16m disk && '$B' merge --quiet --out disk/m '$ROOT/mid-s1' '$ROOT/mid-s2' >/dev/null 2>&1; } || echo 'merge again failed after freeing space'; same_tables '$REFM' disk/m"
          tc_rc "$size disk, a merge, then merge again with room" '0|2' "no space left on device" - \
            "$B" merge --quiet --out disk/m "$ROOT/mid-s1" "$ROOT/mid-s2" ;;
      esac
      umount "$W/disk"
    done
  done
fi
}

###########################################################################
g_concurrency() {
group concurrency
CON=(--seed 3 --agents 300 --steps 2000 --wiggle 0:180:20 --replicates 2 --series --plot none --quiet --jobs 1)
REFC=$ROOT/ref-con
"$B" "${CON[@]}" --out "$REFC" >/dev/null 2>&1
"$B" "${CON[@]}" --shard 1/2 --out "$ROOT/con-s1" >/dev/null 2>&1
"$B" "${CON[@]}" --shard 2/2 --out "$ROOT/con-s2" >/dev/null 2>&1
# both NAME SETUP FIRST SECOND DELAY FINISH: two commands on one folder at
# once; each exits 0 or 2 with a message; FINISH then completes the folder
# d, whose tables must be the reference's.
both() {
  local name=$1 setup=$2 first=$3 second=$4 delay=$5 finish=$6 rc1 rc2 seen= p1 p2
  newcase
  (cd "$W" && eval "$setup") >/dev/null 2>&1
  (cd "$W" && eval "$first" >"$LOG/$n.1" 2>&1) & p1=$!
  sleep "$delay"
  (cd "$W" && eval "$second" >"$LOG/$n.2" 2>&1) & p2=$!
  wait $p1; rc1=$?; wait $p2; rc2=$?
  for r in "1 $rc1" "2 $rc2"; do
    set -- $r
    if [ "$2" != 0 ] && [ "$2" != 2 ]; then seen="$seen; command $1 exit $2"
    elif [ "$2" = 2 ] && [ ! -s "$LOG/$n.$1" ]; then seen="$seen; command $1 refused without a message"; fi
  done
  (cd "$W" && eval "$finish") >>"$LOG/$n.2" 2>&1 || seen="$seen; finishing failed: $(tail -c 150 "$LOG/$n.2" | tr '\n' ' ')"
  local d; d=$(same_tables "$REFC" "$W/d"); [ -n "$d" ] && seen="$seen; $d"
  local left; left=$(leftovers); [ -n "$left" ] && seen="$seen; left: $left"
  if [ -z "$seen" ]; then verdict "$name" OK ""
  else verdict "$name" FAIL "${seen#; } [$(head -c 150 "$LOG/$n.1" | tr '\n' ' ') | $(head -c 150 "$LOG/$n.2" | tr '\n' ' ')]"; fi
}
SWEEP_D="\"$B\" ${CON[*]} --out d"
RESUME_D="\"$B\" --resume d --quiet"
FINISH="if [ -e d/plan.json ]; then [ -s d/runs.csv ] || $RESUME_D; else $SWEEP_D; fi; [ -s d/runs.csv ] || $RESUME_D"
INTERRUPTED="$SWEEP_D & p=\$!; sleep 0.4; kill -KILL \$p; wait \$p; [ -e d/plan.json ] || $SWEEP_D"
MERGE_D="\"$B\" merge --quiet --out d '$ROOT/con-s1' '$ROOT/con-s2'"
for delay in 0 0.2 0.5; do
  both "two sweeps into one folder, ${delay}s apart" : "$SWEEP_D" "$SWEEP_D" $delay "$FINISH"
  both "a sweep and a resume, ${delay}s apart" : "$SWEEP_D" "$RESUME_D" $delay "$FINISH"
  both "two resumes of an interrupted sweep, ${delay}s apart" "$INTERRUPTED" "$RESUME_D" "$RESUME_D" $delay "$FINISH"
  both "two merges into one folder, ${delay}s apart" : "$MERGE_D" "$MERGE_D" $delay "[ -s d/runs.csv ] || $MERGE_D"
  both "a merge and a resume of its folder, ${delay}s apart" : "$MERGE_D" "$RESUME_D" $delay "[ -s d/runs.csv ] || $MERGE_D"
  both "a resume and a sweep into the folder, ${delay}s apart" "$INTERRUPTED" "$RESUME_D" "$SWEEP_D" $delay "$FINISH"
  both "a merge of a shard being resumed, ${delay}s apart" \
    "cp -r '$ROOT/con-s1' s1; cp -r '$ROOT/con-s2' s2; rm -f s1/runs.csv s1/series.csv; for f in s1/parts/*; do [ -f \"\$f\" ] && : >\"\$f\" && break; done" \
    "\"$B\" --resume s1 --quiet" "\"$B\" merge --quiet --out d s1 s2" $delay \
    "\"$B\" --resume s1 --quiet; [ -s d/runs.csv ] || \"$B\" merge --quiet --out d s1 s2"
done
}

###########################################################################
g_parts() {
group parts
PSW=(--seed 9 --agents 30 --steps 40 --wiggle 0:180:45 --replicates 2 --series --plot none --quiet --jobs 2)
REFP=$ROOT/ref-parts
"$B" "${PSW[@]}" --out "$REFP" >/dev/null 2>&1
"$B" "${PSW[@]}" --shard 1/2 --out "$ROOT/parts-s1" >/dev/null 2>&1
"$B" "${PSW[@]}" --shard 2/2 --out "$ROOT/parts-s2" >/dev/null 2>&1
"$B" --seed 10 "${PSW[@]:2}" --out "$ROOT/parts-other" >/dev/null 2>&1
mapfile -t PFILES < <(cd "$REFP/parts" && find . -type f | LC_ALL=C sort)
mapfile -t SFILES < <(cd "$ROOT/parts-s1/parts" && find . -type f | LC_ALL=C sort)
damage() {  # damage FILE KIND K: cut or edit a record file at the K-th of 30 places
  python3 - "$1" "$2" "$3" <<'PY'
import sys
p, kind, k = sys.argv[1], sys.argv[2], int(sys.argv[3])
b = bytearray(open(p, "rb").read())
o = len(b) * k // 31 if b else 0
if kind == "cut":
    b = b[:o]
elif kind == "edit" and b:
    b[o] = ord("7") if b[o] != ord("7") else ord("3")
elif kind == "flip" and b:
    b[o] ^= 0x01
elif kind == "crlf":
    b = b.replace(b"\n", b"\r\n")
elif kind == "extra":
    b += b"1,2,3,4,5,6\n"
elif kind == "empty":
    b = b""
elif kind == "dropline":
    lines = b.split(b"\n"); del lines[min(k, len(lines) - 1)]; b = b"\n".join(lines)
open(p, "wb").write(b)
PY
}
# resume_damaged NAME KIND K FILE_INDEX
resume_damaged() {
  local f=${PFILES[$(( $4 % ${#PFILES[@]} ))]}
  newcase
  cp -r "$REFP" "$W/d"; rm -f "$W/d"/{runs,series,points,contrasts}.csv "$W/d/experiment.json"
  damage "$W/d/parts/$f" "$2" "$3"
  POST="[ \"\$RC\" != 0 ] || same_tables '$REFP' d"; MAY='\./d/'
  tc_rc "$1 ($f)" '0|2' "" - "$B" --resume d --quiet
}
for k in $(seq 1 30); do resume_damaged "a record cut at $k/31, --resume" cut "$k" "$k"; done
for k in $(seq 1 30); do resume_damaged "a byte edited at $k/31, --resume" edit "$k" "$((k + 1))"; done
for k in 3 11 19 27; do resume_damaged "a byte flipped at $k/31, --resume" flip "$k" "$k"; done
for kind in crlf extra empty dropline; do resume_damaged "a record file made $kind, --resume" "$kind" 5 0; done
newcase; cp -r "$REFP" "$W/d"; rm -f "$W/d"/{runs,series}.csv; rm -f "$W/d/parts/${PFILES[0]}"
POST="same_tables '$REFP' d"; MAY='\./d/'; tc "a record file removed, --resume" 0 "" - "$B" --resume d --quiet
newcase; cp -r "$REFP" "$W/d"; rm -f "$W/d"/{runs,series}.csv; MAY='\./d/'
cp "$(find "$ROOT/parts-other/parts" -type f | LC_ALL=C sort | head -1)" "$W/d/parts/${PFILES[0]#./}"
POST='[ "$RC" != 0 ] || same_tables '"'$REFP'"' d'
tc_rc "another sweep's records added, --resume" '0|2' "" - "$B" --resume d --quiet
newcase; cp -r "$REFP" "$W/d"; rm -f "$W/d"/{runs,series}.csv; f=${PFILES[0]#./}; cp "$W/d/parts/$f" "$W/d/parts/copy-$f"; MAY='\./d/'
POST='[ "$RC" != 0 ] || same_tables '"'$REFP'"' d'
tc_rc "a record file copied twice, --resume" '0|2' "" - "$B" --resume d --quiet
# merge_damaged NAME KIND K FILE_INDEX: a damaged shard merges the same or
# is refused; once the shard is resumed, the same merge gives the tables.
merge_damaged() {
  local f=${SFILES[$(( $4 % ${#SFILES[@]} ))]}
  newcase
  cp -r "$ROOT/parts-s1" "$W/s1"; cp -r "$ROOT/parts-s2" "$W/s2"
  damage "$W/s1/parts/$f" "$2" "$3"
  POST="if [ \"\$RC\" = 0 ]; then same_tables '$REFP' m; else '$B' --resume s1 --quiet >/dev/null 2>&1; '$B' merge --quiet --out m s1 s2 >/dev/null 2>&1 || echo 'merge after resuming the shard failed'; same_tables '$REFP' m; fi"
  tc_rc "$1 ($f)" '0|2' "" - "$B" merge --quiet --out m s1 s2
}
for k in $(seq 2 2 30); do merge_damaged "a shard's record cut at $k/31, merge" cut "$k" "$k"; done
for k in $(seq 1 2 29); do merge_damaged "a shard's byte edited at $k/31, merge" edit "$k" "$k"; done
for kind in crlf extra empty; do merge_damaged "a shard's record file made $kind, merge" "$kind" 5 0; done
newcase; cp -r "$ROOT/parts-s1" "$W/s1"
tc "merge of one shard of two" 2 "" - "$B" merge --quiet --out m s1
newcase; cp -r "$ROOT/parts-s1" "$W/s1"; cp -r "$ROOT/parts-other" "$W/o"
POST='[ ! -s m/runs.csv ] || echo "merged two sweeps"'; tc "merge of shards of two sweeps" 2 "" - "$B" merge --quiet --out m s1 o
newcase; cp -r "$ROOT/parts-s1" "$W/s1"; cp -r "$ROOT/parts-s2" "$W/s2"; mkdir "$W/m"; echo x >"$W/m/other.txt"
tc "merge into a folder holding other files" 2 "" - "$B" merge --quiet --out m s1 s2
newcase; cp -r "$ROOT/parts-s1" "$W/s1"; cp -r "$ROOT/parts-s2" "$W/s2"
POST="same_tables '$REFP' m"; tc "merge of two good shards (valid)" 0 "" - "$B" merge --quiet --out m s1 s2
newcase; cp -r "$ROOT/parts-s1" "$W/s1"; cp -r "$ROOT/parts-s2" "$W/s2"
tc "merge of a shard given twice" 2 "" - "$B" merge --quiet --out m s1 s1 s2
}

###########################################################################
for g in options toml worlds outputs signals disks concurrency parts; do
  [[ "$g" =~ ^(${MATRIX_GROUPS:-.*})$ ]] && "g_$g"
done

total_t=0; total_h=0; total_na=0
if [ ${#FAILS[@]} -gt 0 ]; then
  echo "Cases that did not hold (group | case | what was seen):"
  printf '  %s\n' "${FAILS[@]}"
  echo
fi
printf '%-12s %6s %6s %6s %6s\n' group tried held failed n/a
for g in "${GROUPS_SEEN[@]}"; do
  printf '%-12s %6d %6d %6d %6d\n' "$g" "${TRIED[$g]}" "${HELD[$g]}" $((TRIED[$g] - HELD[$g])) "${NA[$g]}"
  total_t=$((total_t + TRIED[$g])); total_h=$((total_h + HELD[$g])); total_na=$((total_na + NA[$g]))
done
printf '%-12s %6d %6d %6d %6d\n' total "$total_t" "$total_h" $((total_t - total_h)) "$total_na"
echo "program: $B"
[ "$total_t" = "$total_h" ]
