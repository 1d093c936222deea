#!/usr/bin/env bash
# Counts how often an idle main window wakes up: the program is started on the
# sample files under a virtual X server, left alone until its list is shown,
# and its poll calls are traced for a while with nobody touching it. Each
# poll the main thread enters is one wake-up of its event loop.
#   bench/idle_wakeups.sh [PROGRAM] [SECONDS]
# PROGRAM defaults to build/shell/corvella, SECONDS to 10. Prints the wake-ups
# of the main thread and of all threads, in total and per second.
set -euo pipefail
cd "$(dirname "$0")/.."
PROGRAM=$(realpath "${1:-build/shell/corvella}")
SECONDS_TRACED=${2:-10}
[ -x "$PROGRAM" ] || { echo "idle_wakeups: no program at $PROGRAM" >&2; exit 1; }

source scripts/lib/xvfb_session.sh
xvfb_work_folder
export XDG_CONFIG_HOME=$WORK XDG_DATA_HOME=$WORK PROGRAM SECONDS_TRACED

xvfb_run 1280x800 '
  xvfb_start_program "$PROGRAM" || exit 1
  pid=$PROGRAM_PID id=$WINDOW_ID
  sleep 2  # the first paint and the start-up work are over
  timeout -s INT "$SECONDS_TRACED" strace -f -qq -e trace=poll,ppoll -o "$WORK/trace" -p $pid || true
  kill -0 $pid 2>/dev/null || { echo "idle_wakeups: the program ended while traced" >&2; exit 1; }
  title=$(xwininfo -id "$id" | sed -n "s/^xwininfo: Window id: [^ ]* //p")
  echo "traced window: $title"
  kill $pid
  wait $pid 2>/dev/null || true
  # With -f every line starts with the thread id; a call that blocked shows
  # as an unfinished line and a resumed one, counted once (its start).
  main=$(awk -v pid=$pid "\$1 == pid && !/resumed>/" "$WORK/trace" | wc -l)
  all=$(awk "!/resumed>/" "$WORK/trace" | wc -l)
  awk -v main=$main -v all=$all -v s=$SECONDS_TRACED "BEGIN {
    printf \"main thread: %d wake-ups in %d s (%.1f/s)\\n\", main, s, main / s
    printf \"all threads: %d wake-ups in %d s (%.1f/s)\\n\", all, s, all / s
  }"
  echo "per thread (thread id, poll calls):"
  awk "!/resumed>/ { n[\$1]++ } END { for (t in n) print \"  \" t, n[t] }" "$WORK/trace"
'
