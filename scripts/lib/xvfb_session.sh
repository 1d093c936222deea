# Sourced (never run) by the scripts that show the program under a virtual X
# server: the screenshots and the idle measurement. From the top of the
# source tree:
#
#   source scripts/lib/xvfb_session.sh
#   xvfb_work_folder              # WORK: a fresh folder holding a copy of the
#                                 # sample files, removed when the script ends;
#                                 # CORVELLA_DIR and XDG_RUNTIME_DIR name it
#   xvfb_run 1280x900 'COMMANDS'  # runs COMMANDS in bash under a virtual X
#                                 # server of that size, this file sourced
#
# and within COMMANDS:
#
#   xvfb_start_program PROGRAM [ARGUMENT...]
#       starts the program in the background (PROGRAM_PID) and waits up to
#       10 s for its main window on the Basketball list (WINDOW_ID); without
#       one it ends the program and fails.

XVFB_SESSION_LIB=$(realpath "${BASH_SOURCE[0]}")

xvfb_work_folder() {
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
  cp examples/CORVELLA.INI examples/*.REQ "$WORK"/
  export WORK CORVELLA_DIR=$WORK XDG_RUNTIME_DIR=$WORK
}

xvfb_run() {
  local size=$1 commands=$2
  XVFB_SESSION_LIB=$XVFB_SESSION_LIB xvfb-run -a -s "-screen 0 ${size}x24" \
    bash -c "source \"\$XVFB_SESSION_LIB\"
$commands"
}

xvfb_start_program() {
  "$@" &
  PROGRAM_PID=$!
  WINDOW_ID=""
  for _ in $(seq 1 100); do
    WINDOW_ID=$(xwininfo -root -tree | awk '/"BASK.REQ - Corvella"/ { print $1; exit }')
    [ -n "$WINDOW_ID" ] && return 0
    sleep 0.1
  done
  echo "xvfb_session: the main window of $1 did not appear" >&2
  kill "$PROGRAM_PID"
  return 1
}
