#!/usr/bin/env bash
# Builds what is missing and makes the Debian packages with cpack into
# BUILD_DIR/packages: tarnix, trx-server and corvane (a library-only build
# makes tarnix alone). Prints the paths of the packages.
#
#   scripts/package.sh                 # build/ (configured on first use)
#   scripts/package.sh build-other     # another build directory
#   sudo apt install ./build/packages/*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"

if [ ! -f "$build/CMakeCache.txt" ]; then
  "$root/scripts/setup.sh" >&2
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(Tarnix)
if ! grep -q '^TARNIX_LIBRARY_ONLY:BOOL=ON$' "$build/CMakeCache.txt"; then
  targets+=(trx_Server Corvane)
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}" >&2

# Packages of an earlier version would pass for this one's.
out="$build/packages"
mkdir -p "$out"
rm -f "$out"/*.deb
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
ls -1 "$out"/*.deb
