#!/usr/bin/env bash
# Makes the Send Log screenshots under a virtual X server: Select Desired
# Team/Player naming the request it sends, the window with the Send Log open
# while the sign service answers slowly (one request on its way, two
# waiting), and after the service has gone (not delivered).
#   scripts/send_log_screenshots.sh [OUTPUT-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
OUTDIR=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$OUTDIR"
source scripts/lib/xvfb_session.sh
xvfb_work_folder
mkdir -p "$WORK/state/corvella" "$WORK/sock"
printf '[SendLog]\nVisible=true\n' > "$WORK/state/corvella/window.ini"
export XDG_STATE_HOME=$WORK/state ZELTRPC_DIR=$WORK/sock OUTDIR

xvfb_run 1280x900 '
  # A window manager where one is installed: dialogs and boxes then take the
  # keyboard and stack as on a desk.
  wm=""
  if command -v openbox >/dev/null; then openbox & wm=$!; sleep 0.5; fi
  build/tools/signsim/signsim --dir "$ZELTRPC_DIR" --delay-ms 4000 --quiet &
  sim=$!
  xvfb_start_program build/shell/corvella || { kill $sim; exit 1; }
  pid=$PROGRAM_PID id=$WINDOW_ID
  sleep 1
  # Presses Enter in the window named $1 (a dialog), when it is open.
  answer() {
    local dlg=""
    for _ in $(seq 1 50); do
      dlg=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
      [ -n "$dlg" ] && break
      sleep 0.1
    done
    [ -n "$dlg" ] || return 0
    sleep 0.3
    xdotool windowfocus --sync "$dlg" 2>/dev/null || true
    xdotool key Return
    for _ in $(seq 1 30); do
      xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || break
      sleep 0.1
    done
  }
  # Sends of rows 1, 2 and 3: click the row, Ctrl+R, Enter in the dialog.
  send() {
    xdotool mousemove --window "$id" 20 $1 click 1
    sleep 0.3
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    xdotool key ctrl+r
    if [ -n "${2:-}" ]; then
      xdotool search --sync --onlyvisible --name "^Select Desired Team/Player\$" >/dev/null
      sleep 0.5
      import -window root -crop 960x600+0+0 "$OUTDIR/$2"
    fi
    answer "Select Desired Team/Player"
    sleep 0.3
  }
  send 76; send 94 send-dialog-names-the-request.png; send 111
  sleep 0.5
  import -window "$id" "$OUTDIR/send-log-slow-service.png"
  kill $sim; wait $sim 2>/dev/null || true
  sleep 14  # the three sends end: the first delivered, the others fail
  send 128
  sleep 1.5
  # The failed connect box stands over a record that is already complete.
  import -window root "$OUTDIR/send-log-box-after-record.png"
  answer Corvella  # the connect failure box
  sleep 0.5
  import -window "$id" "$OUTDIR/send-log-dead-service.png"
  kill $pid
  [ -z "$wm" ] || kill $wm'
for f in "$OUTDIR"/send-dialog-names-the-request.png "$OUTDIR"/send-log-slow-service.png \
         "$OUTDIR"/send-log-box-after-record.png "$OUTDIR"/send-log-dead-service.png; do
  convert "$f" -strip "$f"
  echo "screenshot: $f"
done
