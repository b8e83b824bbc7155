#!/usr/bin/env bash
# Three trx_Server instances behind HAProxy, configured as
# scripts/cluster-demo.sh configures them:
#  - three clients from three source addresses run the samples script at
#    once, and each server's log shows the calls of exactly one of them;
#  - later connections of each client reach the server that holds what it
#    stored (a variable set in one run is read back in the next);
#  - a server killed is marked down by the health checks, its client is
#    served by another one, and the other clients stay where they were.
#
#   cluster_test.sh TRX_SERVER CORVANE SAMPLES_DIR
#
# Exit status 77 (skipped) when haproxy is not installed.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 TRX_SERVER CORVANE SAMPLES_DIR" >&2
  exit 2
fi
# The clients run in directories of their own.
server="$(realpath -e "$1")"
corvane="$(realpath -e "$2")"
samples="$(realpath -e "$3")"
if ! command -v haproxy >/dev/null; then
  echo "SKIP: haproxy is not installed"
  exit 77
fi
# shellcheck source=scripts/cluster_lib.sh
source "$(dirname "$0")/../../scripts/cluster_lib.sh"

dir="$(mktemp -d /tmp/cluster_test.XXXXXX)"
trap 'cluster_stop; rm -rf "$dir"' EXIT

fail() {
  echo "FAIL: $*" >&2
  local log
  for log in "$dir"/*.log; do
    echo "== last lines of $log" >&2
    tail -n 15 "$log" >&2
  done
  exit 1
}

logs=()
ports=()
server_pids=()
for i in 0 1 2; do
  logs+=("$dir/server$i.log")
  cluster_start_server "$server" "${logs[$i]}" || fail "server $i did not start"
  ports+=("$cluster_port")
  server_pids+=("$cluster_server_pid")
done
cluster_start_haproxy "$dir/haproxy.cfg" "$dir/haproxy.log" "${ports[@]}" ||
  fail "HAProxy did not start"
front=$cluster_front

: >"$dir/empty.txt"
cluster_find_sources "$corvane" "$dir/empty.txt" "$front" "${logs[@]}" ||
  fail "no source addresses found that reach three different servers"
sources=("${cluster_sources[@]}")
[ ${#sources[@]} -eq 3 ] || fail "sources: ${sources[*]}"
echo "source addresses per server: ${sources[*]}"

offsets=()
mark() {
  local i
  offsets=()
  for i in 0 1 2; do offsets+=("$(wc -l <"${logs[$i]}")"); done
}
# The lines server $1 has written since the last mark.
since() {
  tail -n "+$((offsets[$1] + 1))" "${logs[$1]}"
}
# The client addresses in them, one line.
addresses_since() {
  since "$1" | { grep -o 'Client IP: [0-9.]*' || true; } | sed 's/Client IP: //' | sort -u |
    tr '\n' ' ' | sed 's/ $//'
}
# Runs Corvane in directory $2 from the address of client $1 with script $3
# and any further options; its output in $2/out.txt and $2/err.txt.
run_client() {
  local client=$1 where=$2 script=$3
  shift 3
  (cd "$where" && exec timeout 60 "$corvane" --run "$script" --port "$front" \
    --source "${sources[$client]}" "$@" >out.txt 2>err.txt)
}
# Checks that client $1's samples run in $2 ended with status $3 and its results.
check_samples() {
  local client=$1 where=$2 status=$3
  [ "$status" -eq 0 ] || fail "client ${sources[$client]}: exit status $status: $(cat "$where/err.txt")"
  [ "$(cat "$where/err.txt")" = "No errors" ] || fail "client ${sources[$client]}: $(cat "$where/err.txt")"
  grep -qF "Result => Number = 1.0000" "$where/out.txt" ||
    fail "client ${sources[$client]}: no sqr(2)*cos(pi/4) result"
  grep -qF "Integral iFunction(0,1) => Number = 3.1416" "$where/out.txt" ||
    fail "client ${sources[$client]}: no integral result"
}

echo "-- the samples from three clients at once"
mark
clients=()
for i in 0 1 2; do
  mkdir "$dir/client$i"
  cp -r "$samples" "$dir/client$i/InOut"
  run_client "$i" "$dir/client$i" 'InOut/Synt&Samp.txt' &
  clients+=("$!")
  cluster_pids+=("$!")
done
for i in 0 1 2; do
  status=0
  wait "${clients[$i]}" || status=$?
  cluster_forget "${clients[$i]}"
  check_samples "$i" "$dir/client$i" "$status"
done
calls=()
for i in 0 1 2; do
  seen="$(addresses_since "$i")"
  [ "$seen" = "${sources[$i]}" ] ||
    fail "server $i saw clients '$seen', expected only ${sources[$i]}"
  calls+=("$(since "$i" | grep -c 'Received CMD' || true)")
done
# One script each: a client whose calls went partly elsewhere shows as a difference.
if [ "${calls[0]}" -eq 0 ] || [ "${calls[0]}" != "${calls[1]}" ] ||
  [ "${calls[0]}" != "${calls[2]}" ]; then
  fail "calls per server: ${calls[*]}"
fi
echo "calls per server: ${calls[*]}"

echo "-- each client comes back to its own server"
# Every client stores a value of its own, then reads it back through a new
# connection: any other server holds another value, or none.
for i in 2 1 0; do
  printf 'Var = owner; %s\n' "$((i + 1))" >"$dir/client$i/set.txt"
  printf 'Expr = owner*10\n' >"$dir/client$i/get.txt"
done
mark
for i in 2 1 0; do
  run_client "$i" "$dir/client$i" set.txt --decimals 0 || fail "client ${sources[$i]}: set"
done
for i in 0 1 2; do
  run_client "$i" "$dir/client$i" get.txt --decimals 0 || fail "client ${sources[$i]}: get"
  grep -qE "Result => Number = $((i + 1))0$" "$dir/client$i/out.txt" ||
    fail "client ${sources[$i]} read back: $(cat "$dir/client$i/out.txt")"
done
for i in 0 1 2; do
  seen="$(addresses_since "$i")"
  [ "$seen" = "${sources[$i]}" ] || fail "server $i saw clients '$seen' the second time"
done

echo "-- a server goes down"
kill "${server_pids[0]}"
wait "${server_pids[0]}" 2>/dev/null || true
cluster_forget "${server_pids[0]}"
down=false
for _ in $(seq 80); do
  if grep -q "Server trx_servers/trx1 is DOWN" "$dir/haproxy.log"; then
    down=true
    break
  fi
  sleep 0.25
done
$down || fail "HAProxy did not mark the killed server down within 20 s"
mark
rm -rf "$dir/client0/InOut"
cp -r "$samples" "$dir/client0/InOut"
status=0
run_client 0 "$dir/client0" 'InOut/Synt&Samp.txt' || status=$?
check_samples 0 "$dir/client0" "$status"
for i in 1 2; do
  run_client "$i" "$dir/client$i" get.txt --decimals 0 || fail "client ${sources[$i]}: get"
  grep -qE "Result => Number = $((i + 1))0$" "$dir/client$i/out.txt" ||
    fail "client ${sources[$i]} lost its server: $(cat "$dir/client$i/out.txt")"
done
took=""
for i in 1 2; do
  seen="$(addresses_since "$i")"
  # Its own client, and perhaps the one that has lost its server.
  own="$seen"
  case " $seen " in
    *" ${sources[0]} "*)
      took="$took$i"
      own="$(tr ' ' '\n' <<<"$seen" | { grep -vxF "${sources[0]}" || true; } | tr -d '\n')"
      ;;
  esac
  [ "$own" = "${sources[$i]}" ] || fail "server $i saw clients '$seen' after the other went down"
done
[ "${#took}" -eq 1 ] || fail "the client of the server that went down was served by '$took'"
echo "the client of the server that went down was served by server $took"

echo "PASS"
