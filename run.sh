#!/usr/bin/env bash
# Builds Quorvan and opens its window. Without a display it runs the default
# world headless with the batch runner and says where the results went.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run

# The "app" preset: build/release without the tests and benchmarks, so no test
# tool is needed (./test.sh turns them on again in the same folder).
cmake --preset app >/dev/null
cmake --build --preset app

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/src/app/quorvan "$@"
fi

out="run-output/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
echo "No display found: running the default world headless instead."
echo "Running the default world to its stop time; results go to $out/"
build/release/src/app/quorvan-batch --csv "$out/steps.csv" --json "$out/summary.json" --png "$out/world.png" "$@"
echo "Wrote $out/steps.csv, $out/summary.json and $out/world.png"
