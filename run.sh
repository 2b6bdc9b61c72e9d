#!/usr/bin/env bash
# Builds Quorvan and opens its window. Without a display it runs the default
# world headless with the batch runner and says where the results went.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target quorvan-batch $( [ -f src/ui/CellForm.h ] && echo quorvan )

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/release/src/app/quorvan ]; then
  exec build/release/src/app/quorvan "$@"
fi

out="run-output/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
if [ -x build/release/src/app/quorvan ]; then
  echo "No display found: running the default world headless instead."
fi
echo "Running the default world to its stop time; results go to $out/"
build/release/src/app/quorvan-batch --csv "$out/steps.csv" --json "$out/summary.json" "$@"
echo "Wrote $out/steps.csv and $out/summary.json"
