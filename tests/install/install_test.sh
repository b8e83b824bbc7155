#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a C program against it
# with pkg-config, as a user of the library would.
set -euo pipefail
build_dir=$1
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
export PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig:$scratch/prefix/lib/x86_64-linux-gnu/pkgconfig"
cc -Wall -Werror "$scratch/demo.c" $(pkg-config --cflags --libs tarnix) -o "$scratch/demo"
out=$(LD_LIBRARY_PATH="$(pkg-config --variable=libdir tarnix)" "$scratch/demo")
[ "$out" = "20 Division by zero (eval)" ] || { echo "unexpected output: $out"; exit 1; }
echo "installed library works: $out"
