#!/usr/bin/env bash
# Builds the project and starts the request program on a working copy of the
# sample files in examples/, with the stand-in sign service running in the
# background on a private socket folder. Every request sent from the program
# shows up as a decoded line of the sign service's log in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

WORK=${CORVELLA_WORK:-$PWD/run}
mkdir -p "$WORK"
# The samples are copied only where a file is missing: the operator's edits
# in the working folder are kept from one start to the next, and the
# samples themselves stay clean.
for f in examples/CORVELLA.INI examples/*.REQ; do
  [ -e "$WORK/${f##*/}" ] || cp "$f" "$WORK"/
done
export CORVELLA_DIR="$WORK"
export ZELTRPC_DIR="$WORK/rpc"
mkdir -p "$ZELTRPC_DIR" && chmod 700 "$ZELTRPC_DIR"

SIGNSIM=build/tools/signsim/signsim
sim_pid=""
if [ -x "$SIGNSIM" ]; then
  "$SIGNSIM" --dir "$ZELTRPC_DIR" &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
  sleep 0.5
fi

echo "run: corvella on $WORK (sign service socket folder $ZELTRPC_DIR)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting under a virtual X server (xvfb-run)"
  xvfb-run -a -s "-screen 0 1280x800x24" build/shell/corvella "$@"
else
  build/shell/corvella "$@"
fi
