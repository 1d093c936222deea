#!/usr/bin/env bash
# Makes docs/screenshot-main-window.png: the main window on the sample files,
# under a virtual X server, so anyone can make it again the same way.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/shell/corvella ] || scripts/setup.sh

OUT=${1:-docs/screenshot-main-window.png}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp examples/CORVELLA.INI examples/*.REQ "$WORK"/
export CORVELLA_DIR=$WORK XDG_RUNTIME_DIR=$WORK OUT

xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  build/shell/corvella &
  pid=$!
  id=""
  for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree | awk "/\"BASK.REQ - Corvella\"/ { print \$1; exit }")
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "screenshot: the main window did not appear" >&2; kill $pid; exit 1; }
  sleep 1  # let the first paint finish
  import -window "$id" "$OUT"
  kill $pid'
# Only the pixels: no time stamps, so an unchanged window gives an unchanged file.
convert "$OUT" -strip "$OUT"
echo "screenshot: $OUT"
