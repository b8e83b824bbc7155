#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the service units
# there: systemd-analyze verify accepts both units and an instance of the
# template; they name the installed program and options file; the command
# line each unit runs, with the options file's options, starts the
# installed server, which finds its library and ends on SIGTERM with status
# 0 as a service stop needs; both units harden alike; and a second install
# keeps an options file the administrator changed.
# Usage: units_test.sh BUILD_DIR
# Exits 77 (skipped) when systemd-analyze is not installed.
set -euo pipefail
build_dir=$1
if ! command -v systemd-analyze >/dev/null; then
  echo "systemd-analyze is not installed (package systemd)"
  exit 77
fi

scratch=$(mktemp -d)
server=""
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=""
  fi
}
trap 'stop_server; rm -rf "$scratch"' EXIT
# shellcheck source=scripts/server_lib.sh
source "$(dirname "$0")/../../scripts/server_lib.sh"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$scratch/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
unit=$(find "$prefix" -name trx-server.service -path '*/systemd/system/*')
[ -n "$unit" ] || fail "no trx-server.service under $prefix"
template=$(dirname "$unit")/trx-server@.service
[ -f "$template" ] || fail "no trx-server@.service next to $unit"

# The one value of KEY in a unit; fails on none or several.
value_of() {
  local values
  values=$(sed -n "s/^$1=//p" "$2")
  if [ -z "$values" ] || [ "$(printf '%s\n' "$values" | wc -l)" -ne 1 ]; then
    fail "$2 must set $1 once, has: ${values:-nothing}"
  fi
  printf '%s\n' "$values"
}

# The paths the units name are the ones the install made.
for u in "$unit" "$template"; do
  exec_start=$(value_of ExecStart "$u")
  program=${exec_start%% *}
  [ "$program" = "$prefix/bin/trx_Server" ] || fail "$u runs $program, not $prefix/bin/trx_Server"
  [ -x "$program" ] || fail "$program is not installed"
  defaults=$(sed -n 's/^EnvironmentFile=-//p' "$u" | head -n 1)
  case "$defaults" in
    "$prefix"/*) ;;
    *) fail "$u reads its options from $defaults, outside $prefix" ;;
  esac
  [ -f "$defaults" ] || fail "$u reads its options from $defaults, which is not installed"
done

# verify prints its findings (an unknown key, a misspelt value, a program
# that is not there) and exits 0 for some of them: any output is a fault.
# An instance has a file name of its own; a copy of the template stands in.
instances=$scratch/instances
mkdir "$instances"
cp "$template" "$instances/trx-server@6900.service"
for u in "$unit" "$template" "$instances/trx-server@6900.service"; do
  if ! out=$(systemd-analyze verify --man=no --recursive-errors=no "$u" 2>&1) || [ -n "$out" ]; then
    fail "systemd-analyze verify $u:"$'\n'"$out"
  fi
done

# Both units harden alike: their [Service] settings differ only where the
# template names its port.
service_settings() {
  sed -n '/^\[Service\]/,/^\[/p' "$1" | grep -v '^#\|^\[\|^$' |
    grep -v '^\(EnvironmentFile\|ExecStart\|User\|StateDirectory\|WorkingDirectory\)='
}
if ! diff <(service_settings "$unit") <(service_settings "$template"); then
  fail "trx-server.service and trx-server@.service differ in their [Service] settings"
fi
grep -q '^User=trx-server-%i$' "$template" || fail "the template's user does not name its port"
grep -q '^StateDirectory=trx-server-%i$' "$template" ||
  fail "the template's state directory does not name its port"

# The options of the options file as systemd reads them: the last
# assignment, one pair of enclosing double quotes removed.
opts_line=$(grep '^TRX_SERVER_OPTS=' "$defaults" | tail -n 1) || fail "$defaults sets no TRX_SERVER_OPTS"
TRX_SERVER_OPTS=${opts_line#TRX_SERVER_OPTS=}
TRX_SERVER_OPTS=${TRX_SERVER_OPTS#\"}
TRX_SERVER_OPTS=${TRX_SERVER_OPTS%\"}

# Starts the command line of UNIT's ExecStart in a working directory of its
# own, %i being INSTANCE and EXTRA options added at the end, and waits until
# it listens. The shell reads the line as systemd does here: ""
# is an empty argument and $TRX_SERVER_OPTS splits at blanks.
log=$scratch/server.log
mkdir "$scratch/work"
start_unit_command() {
  local unit=$1 instance=$2 extra=${3:-} line
  line=$(value_of ExecStart "$unit")
  line=${line//%i/$instance}
  eval "set -- $line"
  # shellcheck disable=SC2086  # EXTRA is a list of options
  (cd "$scratch/work" && exec env -u LD_LIBRARY_PATH "$@" $extra) >"$log" 2>&1 &
  server=$!
  for _ in $(seq 200); do
    grep -q 'Listening \.\.\.' "$log" && break
    server_running "$server" || break
    sleep 0.05
  done
  grep -q 'Listening \.\.\.' "$log" || fail "$unit: the server did not start:"$'\n'"$(cat "$log")"
  # A lookup of the public address, failed or not, and any other trouble
  # at start shows as a message box line.
  if grep -q '(MsgBox)' "$log" || ! grep -q '^Server: WAN IP Address: - ' "$log"; then
    fail "$unit: the server looked up its public address:"$'\n'"$(cat "$log")"
  fi
  grep -q "$prefix/lib[^ ]*/libTarnix.so" "/proc/$server/maps" ||
    fail "$unit: the server did not load the installed library"
}

# SIGTERM, as systemctl stop sends it, ends the server with status 0: a
# non-zero status would make the service count as failed on every stop.
stop_by_sigterm() {
  server_stop "$server" || fail "$1: the server still runs 10 s after SIGTERM"
  local status=0
  wait "$server" || status=$?
  server=""
  [ "$status" -eq 0 ] || fail "$1: the server ended with status $status on SIGTERM:"$'\n'"$(cat "$log")"
}

# The plain unit listens on the options file's port (6832 by default); the
# test takes a free one by adding --port 0, since the last option counts.
start_unit_command "$unit" "" "--port 0"
stop_by_sigterm "$unit"
start_unit_command "$template" 0
stop_by_sigterm "$template"

# An options file the administrator changed survives a second install; the
# shipped one lands next to it.
echo 'TRX_SERVER_OPTS="--log quiet"' >>"$defaults"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
tail -n 1 "$defaults" | grep -q -- '--log quiet' || fail "a second install overwrote $defaults"
[ -f "$defaults.new" ] || fail "a second install left no $defaults.new"
cmp -s "$defaults.new" "$(dirname "$0")/../../server/systemd/trx-server.default" ||
  fail "$defaults.new is not the shipped options file"

echo "units verified: $unit, $template"
