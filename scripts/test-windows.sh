#!/usr/bin/env bash
# Cross-builds Tarnix.dll for 32-bit and 64-bit Windows with Debian's
# mingw-w64 compilers (library-only builds in build-win32 and build-win64)
# and runs the library's tests, the examples, the load-by-name program and
# the install check under Wine. Installs what it needs the first time
# (scripts/setup-windows.sh); prints how long each part took.
#
#   scripts/test-windows.sh            # both architectures
#   scripts/test-windows.sh win64      # one of them (win32 or win64)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

jobs=${JOBS:-2}
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(win32 win64)
for arch in "${arches[@]}"; do
  case "$arch" in
    win32 | win64) ;;
    *)
      echo "test-windows: unknown architecture $arch (win32 or win64)" >&2
      exit 2
      ;;
  esac
done

phase_start=$(date +%s)
report() {
  local now
  now=$(date +%s)
  echo "== $1: $((now - phase_start)) s"
  phase_start=$now
}

# Wine's server and the services of a prefix outlive the last test by a
# minute; none of them is left behind, whatever the outcome.
stop_wine() {
  for arch in "${arches[@]}"; do
    if [ -d "$root/build-$arch/wineprefix" ]; then
      WINEPREFIX="$root/build-$arch/wineprefix" wineserver -k 2>/dev/null || true
    fi
  done
}
trap stop_wine EXIT

echo "== packages"
scripts/setup-windows.sh
report "packages"

for arch in "${arches[@]}"; do
  triplet=$([ "$arch" = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  build="$root/build-$arch"
  echo "== $arch: build ($triplet)"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$triplet.cmake" -DTARNIX_LIBRARY_ONLY=ON \
    >/dev/null
  cmake --build "$build" -j"$jobs"
  report "$arch build"

  echo "== $arch: tests under Wine"
  ctest --test-dir "$build" --output-on-failure -j"$jobs"
  report "$arch tests"
done

echo "== Windows tests passed"
