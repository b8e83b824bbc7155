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

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-windows: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  case " ${missing[*]} " in
    *:i386\ *)
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
      fi
      ;;
  esac
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
