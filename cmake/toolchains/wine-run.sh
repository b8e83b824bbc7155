#!/usr/bin/env bash
# The cross builds' CMAKE_CROSSCOMPILING_EMULATOR:
#   wine-run.sh PROGRAM.exe ARGS...
# runs a Windows program under Wine, in the prefix "wineprefix" of the build
# tree that holds the program (made on first use).
#
# Wine's server and the services that wineboot starts outlive the program
# that caused them to start, and would keep its standard output open: CTest
# and test discovery would then wait for them, seconds to minutes per test.
# So the server is started here with its output on /dev/null, and whoever
# starts it also boots the prefix that way, before the program runs.
set -euo pipefail
dir=$(cd "$(dirname "$1")" && pwd)
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
if [ "$dir" = / ]; then
  echo "wine-run.sh: $1 lies in no build tree" >&2
  exit 2
fi
export WINEPREFIX=$dir/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
mkdir -p "$WINEPREFIX"
(
  flock 9
  # Exit status 0: this call started the server (it stays 60 s after the
  # last program ends); 2: one runs already.
  if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
    # No Mono or Gecko installer on a new prefix: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
