#!/usr/bin/env bash
# Renders the windows of both programs into PNG files (default
# docs/screenshots/): Corvane's main window after a run of the samples
# script and after a script of mistakes, its plot window as it opens and
# zoomed in, and the Client/Server window in both forms; then the prompt
# (Corvane --repl) in a terminal, kept as text (prompt.txt, needs tmux). Uses
# Qt's offscreen platform, so no display is needed; a trx_Server is started
# for it and stopped again.
#
#   scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
source "$(dirname "$0")/build_dir.sh"
cmake --build "$build" -j2 --target corvane_screenshots trx_Server Corvane >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tests/client/gui/corvane_screenshots" \
  "${1:-$root/docs/screenshots}" 2> >(grep -v 'XDG_RUNTIME_DIR' >&2)

# The prompt in an 80 x 34 terminal (tmux), typed as a person would: its
# screen is kept as text, docs/screenshots/prompt.txt.
# shellcheck source=scripts/server_lib.sh
source "$root/scripts/server_lib.sh"
out=${1:-$root/docs/screenshots}
scratch=$(mktemp -d)
session=corvane-prompt-$$
log=$scratch/server.log
"$build/server/trx_Server" --headless --port 0 --wan-host "" >"$log" 2>&1 &
server=$!
trap 'tmux kill-session -t "$session" 2>/dev/null || true; server_stop "$server" || true; rm -rf "$scratch"' EXIT
port=$(server_port "$log" "$server") || { echo "screenshots.sh: the server did not start" >&2; exit 1; }
XDG_CONFIG_HOME=$scratch tmux new-session -d -s "$session" -x 80 -y 34 \
  "XDG_CONFIG_HOME=$scratch $build/client/Corvane --repl --port $port; sleep 30"
type_line() {
  tmux send-keys -t "$session" -l "$1"
  tmux send-keys -t "$session" Enter
  sleep 0.4
}
sleep 0.5
type_line "Var = r; 2.5"
type_line "pi*r^2"
type_line "ans/2"
type_line "2*zz + 1"
type_line "6.022E23/1e20"
type_line "help integrate"
tmux capture-pane -t "$session" -p | sed -e 's/[[:space:]]*$//' >"$out/prompt.txt"
echo "wrote $out/prompt.txt"
