#!/usr/bin/env bash
# Builds what is missing, then runs the main job: for now the example program
# that evaluates the expressions given on the command line through the C
# interface of libTarnix.so, or, with --server, the evaluation server.
#
#   scripts/run.sh '2^3^2' 'sin(1)' '1/0'
#   scripts/run.sh --var x=3 --fun f=x^2+1 'f*2'
#   scripts/run.sh --server --port 6832      # trx_Server, headless, until Ctrl+C
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

if [ ! -f "$build/build.ninja" ]; then
  "$root/scripts/setup.sh" >&2
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ "${1:-}" = "--server" ]; then
  shift
  cmake --build "$build" -j2 --target trx_Server >/dev/null
  exec "$build/server/trx_Server" --headless "$@"
fi
cmake --build "$build" -j2 --target tarnix_eval >/dev/null

if [ $# -eq 0 ]; then
  set -- '1+2*3' '2^3^2' 'sin(1)' 'max(3;1;2)' '1/0'
fi
exec "$build/examples/tarnix_eval" "$@"
