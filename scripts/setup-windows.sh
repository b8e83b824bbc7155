#!/usr/bin/env bash
# Installs the Debian packages that the Windows builds need: the mingw-w64
# cross compilers and GoogleTest's sources, and Wine (with its 32-bit half,
# after enabling the i386 architecture) to run the tests.
#   scripts/setup-windows.sh            # everything scripts/test-windows.sh needs
#   scripts/setup-windows.sh --no-wine  # the compilers alone (package-windows.sh)
# Idempotent: when everything is present it changes nothing and touches no network.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 # the cross compilers, windres, dlltool, objdump
  googletest                              # GoogleTest's sources, built by each cross build
)
if [ "${1:-}" != --no-wine ]; then
  packages+=(wine wine64 wine32:i386) # runs the tests; 32-bit programs need wine32
fi

# shellcheck source=scripts/apt_lib.sh
source "$(dirname "$0")/apt_lib.sh"
install_missing setup-windows "${packages[@]}"
