#!/usr/bin/env bash
# install_test.sh BUILD CC OBJDUMP EMULATOR
# Installs the Windows build BUILD into a scratch folder, as the release zip
# holds it, and checks it: exactly the DLL, its import library, its .def
# and tarnix.h; a DLL that needs Windows' own DLLs only; and a C program
# compiled with CC against the installed header and import library alone,
# run through EMULATOR with the installed DLL beside it.
set -euo pipefail
build=$1
cc=$2
objdump=$3
emulator=$4

work="$build/install-test"
rm -rf "$work"
mkdir -p "$work/run"
cmake --install "$build" --prefix "$work/Tarnix" >/dev/null

expected="Tarnix.def Tarnix.dll Tarnix.lib tarnix.h"
actual=$(cd "$work/Tarnix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs)
if [ "$actual" != "$expected" ]; then
  echo "installed: $actual; expected: $expected"
  exit 1
fi

# A DLL of the compiler's (libgcc, libstdc++, winpthread) would have to be
# shipped beside it.
needed=$("$objdump" -p "$work/Tarnix/Tarnix.dll" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "Tarnix.dll needs:" $needed
for dll in $needed; do
  case "${dll,,}" in
    kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll | version.dll) ;;
    *)
      echo "Tarnix.dll needs $dll, which is not part of Windows"
      exit 1
      ;;
  esac
done

cat >"$work/caller.c" <<'C'
#include <stdio.h>

#include "tarnix.h"

int main(void) {
  double value = 0;
  const int status = e_eval("6*7", &value, 0);
  printf("e_eval: %d %g\n", status, value);
  const double failed = de_eval("1/0", 0);
  printf("1/0: %g %s\n", failed, GetE_ErrDescr(GetE_Error()));
  return status == 0 && value == 42 ? 0 : 1;
}
C
"$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -I"$work/Tarnix" "$work/caller.c" \
  "$work/Tarnix/Tarnix.lib" -o "$work/run/caller.exe"
cp "$work/Tarnix/Tarnix.dll" "$work/run/"
output=$("$emulator" "$work/run/caller.exe" | tr -d '\r')
echo "$output"
if [ "$output" != $'e_eval: 0 42\n1/0: -9 Division by zero (eval)' ]; then
  echo "unexpected output of the caller"
  exit 1
fi
echo "install folder: $expected"
