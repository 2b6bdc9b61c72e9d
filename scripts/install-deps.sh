#!/usr/bin/env bash
# Installs the Debian 12 packages that Quorvan needs, skipping those already
# present. Runs apt-get as root, or through sudo.
#
#   scripts/install-deps.sh run    # building and running the two programs (./run.sh)
#   scripts/install-deps.sh test   # the above and every test tool (./test.sh)
set -euo pipefail

# Building quorvan and quorvan-batch, and what they need at run time.
run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  libhdf5-dev libcli11-dev nlohmann-json3-dev libtomlplusplus-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libboost-dev
  fonts-dejavu-core
)

# The tests, the benchmarks, the fuzzers, the cluster and parallel sweeps, the
# Python readers of the outputs, and the Debian package check.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  python3-h5py python3-numpy python3-xarray python3-h5netcdf python3-matplotlib
  parallel slurm-wlm munge
  xvfb xauth ffmpeg time
  dpkg-dev desktop-file-utils
)

case "${1:-}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt=(apt-get)
elif command -v sudo >/dev/null 2>&1; then
  apt=(sudo apt-get)
else
  echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${apt[@]}" update -qq
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
