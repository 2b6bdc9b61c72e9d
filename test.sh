#!/usr/bin/env bash
# Builds everything and runs every test through the presets of
# CMakePresets.json, which hold each build's flags and the tests' environment:
# the release build, then AddressSanitizer and UndefinedBehaviorSanitizer, then
# each fuzz target for a short while; last, the Debian package, unpacked into a
# scratch root and run from there.
# A compiler launcher in CMAKE_CXX_COMPILER_LAUNCHER (e.g. ccache) is used.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test

jobs=$(nproc)

echo "== release build (at ${SECONDS} s)"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j"$jobs"

echo "== sanitizer build (address, undefined) (at ${SECONDS} s)"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j"$jobs"

echo "== fuzzing (libFuzzer, 20 s per target) (at ${SECONDS} s)"
FUZZ_SEED=1 scripts/fuzz.sh 20

echo "== Debian package (CPack), unpacked into a scratch root and run (at ${SECONDS} s)"
packaging/check-package.sh build/release
echo "== all passed in ${SECONDS} s"
