# Starting and stopping trx_Server from the scripts and the script tests:
# sourced, never run.
# shellcheck shell=bash

# Whether process $1 still runs: one that has ended but is not waited for
# yet (a zombie) answers kill -0 all the same.
server_running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
  [ "${state%% *}" != Z ]
}

# Waits until the log $1 of server $2 names its port in "Server created
# (Port N)." (up to $3 tries 50 ms apart, default 200) and prints it.
# Status 1 when the server ended or never said it.
server_port() {
  local log=$1 pid=$2 tries=${3:-200} port=""
  for _ in $(seq "$tries"); do
    port=$(sed -n 's/.*Server created (Port \([0-9]*\))\..*/\1/p' "$log" 2>/dev/null | head -n 1)
    [ -n "$port" ] && break
    server_running "$pid" || break
    sleep 0.05
  done
  [ -n "$port" ] || return 1
  echo "$port"
}

# Sends SIGTERM to server $1 and waits up to 10 s for it to end; status 1
# when it still runs.
server_stop() {
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 200); do
    server_running "$1" || return 0
    sleep 0.05
  done
  ! server_running "$1"
}
