# Sourced by scripts/cluster-demo.sh and tests/server/cluster_test.sh: the
# HAProxy configuration of the several-servers recipe, and starting the
# servers and HAProxy on loopback so that every process is known by its PID.
# The caller puts `trap cluster_stop EXIT` before starting anything.
# shellcheck shell=bash
# The cluster_* variables that the functions set are read by the caller.
# shellcheck disable=SC2034

# shellcheck source=scripts/server_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/server_lib.sh"

cluster_pids=()

# Stops everything started here, HAProxy and servers alike.
cluster_stop() {
  local pid
  for pid in "${cluster_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${cluster_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  cluster_pids=()
}

# Forgets a PID that the caller has stopped itself.
cluster_forget() {
  local pid kept=()
  for pid in "${cluster_pids[@]}"; do
    [ "$pid" = "$1" ] || kept+=("$pid")
  done
  cluster_pids=("${kept[@]}")
}

# The HAProxy configuration: the front port, then one port per server.
cluster_config() {
  local front=$1 i=0 port
  shift
  cat <<EOF
global
    # One line per connection, and every server going down or up, on
    # standard output: no syslog daemon needed.
    log stdout format raw local0

defaults
    mode tcp
    log global
    option tcplog
    timeout connect 5s
    # Client and server wait for each other only while a connection is set
    # up or half closed; once it runs, the tunnel timeout alone counts.
    timeout client 30s
    timeout server 30s
    # A Corvane window may stay connected between calls for a working day,
    # and a call computes for up to 10 s (--max-call-ms) without a byte.
    timeout tunnel 8h
    # A client machine that vanishes without closing is found by TCP
    # keepalive rather than after those 8 hours.
    option clitcpka

frontend trx_front
    bind 127.0.0.1:$front
    default_backend trx_servers

backend trx_servers
    # The variables, functions and matrices a client stores live in one
    # server: the same client address must always reach the same server.
    balance source
    # A server that goes down moves only its own clients; map-based hashing
    # would move others too, and they would lose what they stored.
    hash-type consistent
    # Each server sees and logs the client's own address (and applies
    # --allow and --protect to it) instead of HAProxy's. On loopback every
    # 127.x.y.z address is local, so no privileges are needed.
    source 127.0.0.1 usesrc clientip
    # A server that has died but is not marked down yet: the last retry of
    # the connection goes to another one.
    option redispatch
    # A plain TCP connect every 2 s; down after 2 failures, up after 2 successes.
    default-server check inter 2s fall 2 rise 2
EOF
  for port; do
    i=$((i + 1))
    echo "    server trx$i 127.0.0.1:$port"
  done
}

# True when something accepts connections on 127.0.0.1 port $1.
cluster_port_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Starts trx_Server (program $1) on a free loopback port, logging to $2.
# Sets cluster_port and cluster_server_pid.
cluster_start_server() {
  local program=$1 log=$2 pid
  # There before the server opens it: the wait below reads it at once.
  : >"$log"
  "$program" --headless --port 0 --bind 127.0.0.1 --wan-host "" >>"$log" 2>&1 &
  pid=$!
  cluster_pids+=("$pid")
  if ! cluster_port=$(server_port "$log" "$pid"); then
    echo "the server did not start:" >&2
    cat "$log" >&2
    return 1
  fi
  cluster_server_pid=$pid
}

# Writes the configuration to $1 and starts HAProxy with it, logging to $2,
# in front of the server ports that follow, on a free loopback port below
# the ephemeral range. Sets cluster_front and cluster_haproxy_pid.
cluster_start_haproxy() {
  local config=$1 log=$2 front pid
  shift 2
  : >"$log"
  for _ in 1 2 3 4 5; do
    front=$((20000 + RANDOM % 12000))
    cluster_port_taken "$front" && continue
    cluster_config "$front" "$@" >"$config"
    haproxy -db -f "$config" >>"$log" 2>&1 &
    pid=$!
    cluster_pids+=("$pid")
    for _ in $(seq 200); do
      kill -0 "$pid" 2>/dev/null || break
      if cluster_port_taken "$front"; then
        cluster_front=$front
        cluster_haproxy_pid=$pid
        return 0
      fi
      sleep 0.05
    done
    # Somebody else took the port meanwhile, or HAProxy failed: another try.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cluster_forget "$pid"
  done
  echo "HAProxy did not start:" >&2
  cat "$log" >&2
  return 1
}

# Finds for each server the first source address from 127.0.0.2 on that
# HAProxy sends to it, by connecting from one after the other (Corvane $1
# with the empty script $2 through HAProxy's port $3) and looking for the
# address in the server logs that follow. Sets cluster_sources, in the
# order of the logs; fails when 64 addresses do not reach every server.
cluster_find_sources() {
  local corvane=$1 script=$2 front=$3 n address i found left
  shift 3
  local logs=("$@")
  cluster_sources=()
  left=${#logs[@]}
  for n in $(seq 2 65); do
    address="127.0.0.$n"
    timeout 30 "$corvane" --run "$script" --port "$front" --source "$address" >/dev/null 2>&1 ||
      return 1
    found=""
    # The server may write its log line just after it has answered.
    for _ in $(seq 100); do
      for i in "${!logs[@]}"; do
        if grep -qF "Client IP: $address -" "${logs[$i]}"; then
          found=$i
          break 2
        fi
      done
      sleep 0.02
    done
    [ -n "$found" ] || return 1
    if [ -z "${cluster_sources[$found]:-}" ]; then
      cluster_sources[found]=$address
      left=$((left - 1))
      [ "$left" -eq 0 ] && return 0
    fi
  done
  return 1
}
