#!/usr/bin/env bash
# Builds what is missing, then runs the main job: a Corvane script against a
# trx_Server started for it in the background, stopped again at the end.
#
#   scripts/run.sh                              # InOut/Synt&Samp.txt
#   scripts/run.sh my_script.txt --decimals 6   # any script, Corvane options after it
#   scripts/run.sh --server --port 6832         # trx_Server alone, until Ctrl+C
#   scripts/run.sh --eval '2^3^2' 'sin(1)'      # tarnix_eval: the library without a server
set -euo pipefail
source "$(dirname "$0")/build_dir.sh"
# shellcheck source=scripts/server_lib.sh
source "$(dirname "$0")/server_lib.sh"
case "${1:-}" in
  --server)
    shift
    cmake --build "$build" -j2 --target trx_Server >/dev/null
    exec "$build/server/trx_Server" --headless "$@"
    ;;
  --eval)
    shift
    cmake --build "$build" -j2 --target tarnix_eval >/dev/null
    exec "$build/examples/tarnix_eval" "$@"
    ;;
  -h | --help)
    sed -n '2,8s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
esac
cmake --build "$build" -j2 --target trx_Server Corvane >/dev/null

script="InOut/Synt&Samp.txt"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
  script="$1"
  shift
fi
# The samples refer to files in InOut/ of the current directory.
if [ ! -e "$script" ] && [ -e "$root/$script" ]; then
  cd "$root"
fi

log="$(mktemp)"
"$build/server/trx_Server" --headless --port 0 --wan-host "" >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$log"' EXIT
if ! port=$(server_port "$log" "$server" 100); then
  echo "run.sh: the server did not start:" >&2
  cat "$log" >&2
  exit 2
fi
status=0
"$build/client/Corvane" --run "$script" --port "$port" "$@" || status=$?
exit "$status"
