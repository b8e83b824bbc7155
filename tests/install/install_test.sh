#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a C program against it
# with pkg-config, as a user of the library would.
# Usage: install_test.sh BUILD_DIR LIBDIR, LIBDIR being CMAKE_INSTALL_LIBDIR
# (relative to the prefix, as GNUInstallDirs gives it: lib, lib64,
# lib/<multiarch triplet>).
set -euo pipefail
build_dir=$1
case "$2" in
  /*) echo "LIBDIR must be relative to the prefix, not $2"; exit 1 ;;
esac
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null
cat > "$scratch/demo.c" <<'C'
#include <stdio.h>
#include <tarnix.h>
int main(void) {
  double y = 0;
  SetVarFunct("x", "3", 0);
  SetVarFunct("f", "x^2+1", 1);
  if (e_eval("f*2", &y, 1) != 0 || GetE_Error() != -1) return 1;
  printf("%g %s\n", y, GetE_ErrDescr(-9));
  return 0;
}
C
libdir="$scratch/prefix/$2"
[ -f "$libdir/pkgconfig/tarnix.pc" ] || { echo "no tarnix.pc in $libdir/pkgconfig"; exit 1; }
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -Wall -Werror "$scratch/demo.c" $(pkg-config --cflags --libs tarnix) -o "$scratch/demo"
out=$(LD_LIBRARY_PATH="$(pkg-config --variable=libdir tarnix)" "$scratch/demo")
[ "$out" = "20 Division by zero (eval)" ] || { echo "unexpected output: $out"; exit 1; }
echo "installed library works: $out"
