#!/usr/bin/env bash
# Renders the windows of both programs into PNG files (default
# docs/screenshots/): Corvane's main window after a run of the samples
# script, its plot window, and the Client/Server window in both forms. Uses
# Qt's offscreen platform, so no display is needed; a trx_Server is started
# for it and stopped again.
#
#   scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
source "$(dirname "$0")/build_dir.sh"
cmake --build "$build" -j2 --target corvane_screenshots trx_Server >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tests/client/gui/corvane_screenshots" \
  "${1:-$root/docs/screenshots}" 2> >(grep -v 'XDG_RUNTIME_DIR' >&2)
