#!/usr/bin/env bash
# Makes docs/screenshot-main-window.png: the main window on the sample files,
# under a virtual X server, so anyone can make it again the same way.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/shell/corvella ] || scripts/setup.sh

OUT=${1:-docs/screenshot-main-window.png}
source scripts/lib/xvfb_session.sh
xvfb_work_folder
export OUT

xvfb_run 1280x900 '
  xvfb_start_program build/shell/corvella || exit 1
  sleep 1  # let the first paint finish
  import -window "$WINDOW_ID" "$OUT"
  kill $PROGRAM_PID'
# Only the pixels: no time stamps, so an unchanged window gives an unchanged file.
convert "$OUT" -strip "$OUT"
echo "screenshot: $OUT"
