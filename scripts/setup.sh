#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: when everything is present it changes nothing and touches no network.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev            # unit tests
  libbenchmark-dev        # bench/
  libmuparser-dev         # the benchmarks' peers: expressions
  libeigen3-dev           # and matrices
  clang libclang-rt-dev   # the libFuzzer target (the runtime of the default clang)
  locales                 # the comma-decimal locale of the locale test
  libcurl4-openssl-dev    # the server's public-address lookup
  qt6-base-dev            # the windows of both programs, Qt Test
  qt6-svg-dev             # plot windows save their picture as SVG (QSvgGenerator)
  fontconfig fonts-dejavu-core fonts-liberation  # "Courier New" and "Verdana" substitutes
  haproxy                 # the several-servers recipe and its test
  systemd                 # systemd-analyze verify for the service units
  dpkg-dev                # cpack -G DEB (dpkg-shlibdeps) and the package test
  file                    # cpack -G DEB finds the binaries to hand dpkg-shlibdeps with it
  libedit-dev             # line editing and history of Corvane --repl
  tmux                    # scripts/screenshots.sh captures the prompt in a terminal
)

# shellcheck source=scripts/apt_lib.sh
source "$(dirname "$0")/apt_lib.sh"
install_missing setup "${packages[@]}"

# A locale whose decimal separator is a comma: number texts must not follow it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
