#!/usr/bin/env bash
# Runs the worked example on a short field history: the script must draw a PNG.
set -euo pipefail
batch=$1 python=$2 out=$3
mkdir -p "$out"
"$batch" --agents 300 --steps 400 --seed 42 --fields "$out/run.h5" --fields-every 50 2>/dev/null
rm -f "$out/fields.png"
"$python" "$(dirname "$0")/plot_fields.py" "$out/run.h5" "$out/fields.png"
[ "$(head -c 8 "$out/fields.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || { echo "no PNG drawn" >&2; exit 1; }
