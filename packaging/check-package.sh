#!/usr/bin/env bash
# Builds the Debian package of a configured and built tree with CPack, unpacks
# it into a scratch root with dpkg -x and checks it there: exactly the two
# programs, the desktop entry, the icon and the world files' type; the
# dependencies found; no RPATH and no library from the build tree; the batch
# runner and the window start from the scratch root.
#
#   packaging/check-package.sh [build folder, default build/release]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build/release}" && pwd)

rm -rf "$build/package"
if ! (cd "$build" && cpack -G DEB --config CPackConfig.cmake >"$build/cpack.log" 2>&1); then
  cat "$build/cpack.log" >&2
  exit 1
fi
debs=("$build"/package/quorvan_*.deb)
deb=${debs[0]}
echo "package: ${deb#"$source_dir"/}"
dpkg-deb --field "$deb" Package Version Architecture Depends

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

fail() { echo "!! package: $*" >&2; exit 1; }

expected="usr/bin/quorvan
usr/bin/quorvan-batch
usr/share/applications/quorvan.desktop
usr/share/icons/hicolor/scalable/apps/quorvan.svg
usr/share/mime/packages/quorvan.xml"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "holds
$actual
instead of
$expected"
desktop-file-validate --no-hints "$root/usr/share/applications/quorvan.desktop" || fail "desktop entry refused"
dpkg-deb --field "$deb" Depends | grep -q 'libhdf5' || fail "Depends lacks the HDF5 library"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks Qt Widgets"

for program in quorvan quorvan-batch; do
  binary=$root/usr/bin/$program
  if readelf -d "$binary" | grep -E 'RPATH|RUNPATH'; then fail "$program carries a library search path"; fi
  if ldd "$binary" | grep -F -e "$build" -e "$source_dir"; then fail "$program loads a library from the build"; fi
  if ldd "$binary" | grep 'not found'; then fail "$program misses a library"; fi
done

# Started from the scratch root, in an empty folder, with a bare environment.
cd "$root"
batch=$root/usr/bin/quorvan-batch
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
out=$(env -i PATH=/usr/bin:/bin "$batch" --version)
echo "quorvan-batch --version: $out"
[[ $out == *"$version"* ]] || fail "quorvan-batch --version says '$out', not $version"
mkdir -m 700 "$root/runtime"
env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$root/runtime" "$root/usr/bin/quorvan" --help >/dev/null || fail "quorvan --help failed"
echo "package checked"
