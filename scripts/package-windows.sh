#!/usr/bin/env bash
# Makes the Windows release zips from the cross builds (configured and built
# as needed, the library alone): BUILD/Tarnix-VERSION-ARCH.zip, holding the
# folder Tarnix-VERSION-ARCH with Tarnix.dll (stripped), its import library
# Tarnix.lib, Tarnix.def and tarnix.h. Prints the paths of the zips.
#
#   scripts/package-windows.sh            # build-win32 and build-win64
#   scripts/package-windows.sh win64      # one of them (win32 or win64)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(win32 win64)
for arch in "${arches[@]}"; do
  case "$arch" in
    win32 | win64) ;;
    *)
      echo "package-windows: unknown architecture $arch (win32 or win64)" >&2
      exit 2
      ;;
  esac
done

scripts/setup-windows.sh --no-wine >&2

for arch in "${arches[@]}"; do
  triplet=$([ "$arch" = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  build="$root/build-$arch"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$triplet.cmake" -DTARNIX_LIBRARY_ONLY=ON \
      >/dev/null
  fi
  cmake --build "$build" -j"${JOBS:-2}" --target Tarnix >&2

  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  name="Tarnix-$version-$arch"
  stage="$build/package"
  zip="$build/$name.zip"
  # A zip of an earlier version or install would pass for this one.
  rm -rf "$stage" "$zip"
  cmake --install "$build" --prefix "$stage/$name" --strip >/dev/null
  if command -v zip >/dev/null; then
    (cd "$stage" && zip -q -r -X "$zip" "$name")
  else
    (cd "$stage" && cmake -E tar cf "$zip" --format=zip "$name")
  fi
  echo "$zip"
done
