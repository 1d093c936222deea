#!/usr/bin/env bash
# Start-up, memory and idle wake-ups of the request program against its floor
# (a bare Qt main window of the same shape), in one run under a virtual X
# server with a session bus, as on a desktop; then the send path's figures,
# which the start-up work must leave as they are.
#   bench/start/start_bench.sh [BUILD_DIR] [RUNS] [IDLE_SECONDS] [PROGRAM]
# BUILD_DIR defaults to build, RUNS to 6, IDLE_SECONDS to 10, PROGRAM to
# BUILD_DIR's corvella (another build's, to compare two versions). The program
# shows the sample Basketball list from a copy of examples/; its
# configuration, data, state and cache folders are fresh temporary ones.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=$(realpath "${1:-build}")
RUNS=${2:-6}
IDLE=${3:-10}
PROGRAM=$(realpath "${4:-$BUILD/shell/corvella}")
for f in "$BUILD/bench/start/start_bench" "$BUILD/bench/start/floor_window" "$PROGRAM"; do
  [ -x "$f" ] || { echo "start_bench: no $f (build the benchmarks)" >&2; exit 1; }
done

source scripts/lib/xvfb_session.sh
xvfb_work_folder
mkdir -p "$WORK/config" "$WORK/data" "$WORK/state" "$WORK/cache"
export XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data XDG_STATE_HOME=$WORK/state \
  XDG_CACHE_HOME=$WORK/cache BUILD RUNS IDLE PROGRAM
chmod 0700 "$WORK"

xvfb_run 1280x800 '
  dbus-run-session -- "$BUILD/bench/start/start_bench" --runs "$RUNS" --idle "$IDLE" \
    --floor "$BUILD/bench/start/floor_window" --program "$PROGRAM"
'
if [ -x "$BUILD/bench/transmit/send_request_bench" ]; then
  echo "send path (bench/transmit):"
  "$BUILD/bench/transmit/send_request_bench" --benchmark_filter='SendToArrival|UiThreadPerSend' \
    2>/dev/null | grep -E '^(SendToArrival|UiThreadPerSend)'
fi
