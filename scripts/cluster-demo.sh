#!/usr/bin/env bash
# Three trx_Server instances behind HAProxy on loopback: runs the samples
# script through HAProxy from three clients at once, each from its own
# source address, and shows from the servers' logs that every server served
# exactly one client. Stops everything it started when it ends.
#
#   scripts/cluster-demo.sh                 # programs from build/ (built if needed)
#   scripts/cluster-demo.sh --build DIR     # programs from another build directory
#   scripts/cluster-demo.sh --keep          # keep the configuration and the logs
#
# Exit status: 0 when the calls were spread and sticky, 1 when not, 2 when
# something could not be started.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/cluster_lib.sh
source "$here/cluster_lib.sh"

build=""
keep=false
while [ $# -gt 0 ]; do
  case "$1" in
    --build)
      [ $# -ge 2 ] || { echo "cluster-demo: missing value after --build" >&2; exit 2; }
      build="$2"
      shift 2
      ;;
    --keep)
      keep=true
      shift
      ;;
    -h | --help)
      sed -n '2,13s/^# \{0,1\}//p' "$0"
      exit 0
      ;;
    *)
      echo "cluster-demo: unknown option $1 (see --help)" >&2
      exit 2
      ;;
  esac
done

if ! command -v haproxy >/dev/null; then
  echo "cluster-demo: haproxy is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi
if [ -z "$build" ]; then
  # As scripts/run.sh does: configure build/ the first time, then build what is missing.
  # shellcheck source=scripts/build_dir.sh
  source "$here/build_dir.sh"
  cmake --build "$build" -j"${JOBS:-2}" --target trx_Server Corvane >/dev/null
else
  build="$(cd "$build" && pwd)"
fi
server="$build/server/trx_Server"
corvane="$build/client/Corvane"
for program in "$server" "$corvane"; do
  if [ ! -x "$program" ]; then
    echo "cluster-demo: $program is missing; build it first" >&2
    exit 2
  fi
done
samples="$here/../InOut"

dir="$(mktemp -d /tmp/cluster-demo.XXXXXX)"
finish() {
  cluster_stop
  if $keep; then
    echo "The configuration and the logs are kept in $dir"
  else
    rm -rf "$dir"
  fi
}
trap finish EXIT

logs=()
ports=()
for i in 1 2 3; do
  logs+=("$dir/server$i.log")
  cluster_start_server "$server" "$dir/server$i.log" || exit 2
  ports+=("$cluster_port")
  echo "Server trx$i:  127.0.0.1:$cluster_port (pid $cluster_server_pid), log $dir/server$i.log"
done
cluster_start_haproxy "$dir/haproxy.cfg" "$dir/haproxy.log" "${ports[@]}" || exit 2
echo "HAProxy:      127.0.0.1:$cluster_front (pid $cluster_haproxy_pid), configuration $dir/haproxy.cfg"

# HAProxy's hash decides which server a source address reaches: one short
# connection per address finds one address for each server.
: >"$dir/empty.txt"
if ! cluster_find_sources "$corvane" "$dir/empty.txt" "$cluster_front" "${logs[@]}"; then
  echo "cluster-demo: found no source addresses that reach three different servers" >&2
  exit 1
fi
echo
echo "Source addresses, one per server (HAProxy's source hash):"
for i in 0 1 2; do
  echo "  ${cluster_sources[$i]} -> trx$((i + 1))"
done

# Only what follows counts: the lines the servers write from here on.
offsets=()
for log in "${logs[@]}"; do
  offsets+=("$(wc -l <"$log")")
done

echo
echo "Running InOut/Synt&Samp.txt through HAProxy from the three addresses at once:"
clients=()
for i in 0 1 2; do
  mkdir "$dir/client$i"
  # Each client its own copy: the script writes its result files into InOut/.
  cp -r "$samples" "$dir/client$i/InOut"
  (cd "$dir/client$i" && exec timeout 120 "$corvane" --run 'InOut/Synt&Samp.txt' \
    --port "$cluster_front" --source "${cluster_sources[$i]}" >out.txt 2>err.txt) &
  clients+=("$!")
  cluster_pids+=("$!")
done
failed=0
for i in 0 1 2; do
  status=0
  wait "${clients[$i]}" || status=$?
  cluster_forget "${clients[$i]}"
  printf '  client %-10s exit status %s, %s, %s result blocks\n' "${cluster_sources[$i]}" \
    "$status" "$(tr '\n' ' ' <"$dir/client$i/err.txt" | sed 's/ *$//')" \
    "$(grep -c '^Ln ' "$dir/client$i/out.txt" || true)"
  [ "$status" -eq 0 ] || failed=1
done

echo
echo "What each server's log shows since then:"
printf '  %-6s %-16s %6s  %s\n' server address calls "client addresses"
spread=true
for i in 0 1 2; do
  lines="$(tail -n "+$((offsets[i] + 1))" "${logs[$i]}")"
  calls="$(grep -c 'Received CMD' <<<"$lines" || true)"
  addresses="$(grep -o 'Client IP: [0-9.]*' <<<"$lines" | sed 's/Client IP: //' | sort -u |
    tr '\n' ' ' | sed 's/ $//')"
  printf '  %-6s %-16s %6s  %s\n' "trx$((i + 1))" "127.0.0.1:${ports[$i]}" "$calls" "$addresses"
  if [ "$addresses" != "${cluster_sources[$i]}" ] || [ "$calls" -eq 0 ]; then
    spread=false
  fi
done
echo
echo "HAProxy's log of those connections:"
for i in 0 1 2; do
  # A connection is logged when it has ended; the first one of each address
  # was the search above.
  pattern="^${cluster_sources[$i]//./\\.}:[0-9]+ .* trx_front "
  for _ in $(seq 100); do
    [ "$(grep -cE "$pattern" "$dir/haproxy.log" || true)" -ge 2 ] && break
    sleep 0.05
  done
  grep -E "$pattern" "$dir/haproxy.log" | tail -n 1 |
    sed -E 's/^([0-9.]+):[0-9]+ \[[^]]*\] trx_front ([^ ]+) .*/  \1 -> \2/'
done

echo
if [ "$failed" -ne 0 ]; then
  echo "A client failed: see $dir/client*/err.txt (run with --keep to keep them)."
  exit 1
fi
if ! $spread; then
  echo "The calls were NOT spread one client per server."
  exit 1
fi
echo "Spread and sticky: each server served exactly one client, and each client one server."
