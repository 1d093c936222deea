#!/usr/bin/env bash
# Printing from the command line with the real program: a job the print
# system does not take and a PDF file that cannot be written completely end
# with a message and status 1 and leave no file under the PDF's name.
#   print_command_test.sh CORVELLA_EXE EXAMPLES_DIR
# The print queues are a private CUPS scheduler's, when cupsd is installed.
set -euo pipefail
EXE=$1
EXAMPLES=$2
TMP=$(mktemp -d)
cupsd_pid=""
cleanup() {
  [ -z "$cupsd_pid" ] || { kill "$cupsd_pid"; wait "$cupsd_pid" 2>/dev/null || true; }
  mountpoint -q "$TMP/full" 2>/dev/null && umount "$TMP/full"
  rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen HOME=$TMP/home XDG_RUNTIME_DIR=$TMP/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No scheduler of the machine: until ours runs, there is no printer at all.
export CUPS_SERVER=$TMP/no-cups.sock

# folder NAME: a program directory with the sample files.
folder() {
  mkdir -p "$TMP/$1"
  cp "$EXAMPLES"/CORVELLA.INI "$EXAMPLES"/BASK.REQ "$EXAMPLES"/FOOT.REQ "$TMP/$1/"
  echo "$TMP/$1"
}
# run DIR ARGS...: the program in DIR; sets status and err (its messages).
# LIMIT (KiB) caps the size of the files it writes, as a full disk does.
run() {
  local dir=$1
  shift
  status=0
  err=$(cd "$dir" && export CORVELLA_DIR=$dir && trap '' XFSZ && ulimit -f "${LIMIT:-unlimited}" &&
    exec "$EXE" "$@" 2>&1 > "$TMP/out") || status=$?
}
# expect_failure WHAT DIR PDF: status 1, a message, no PDF nor a part of one.
expect_failure() {
  [ "$status" = 1 ] || fail "$1: status $status"
  [[ $err == *"$3"* ]] || fail "$1: message '$err'"
  [ -z "$(find "$2" -name '*.pdf*')" ] || fail "$1: left $(find "$2" -name '*.pdf*')"
}

pages() { grep -a -c '^/Type /Page$' "$1"; }
# requests N: a request file of N requests (40 to a page).
requests() {
  for i in $(seq 1 "$1"); do
    printf '[REQ%d]\r\nName=Request %d\r\nTeam=I\r\nTop3=N\r\nGame=G\r\nSign=1\r\nMode=Continuous\r\nTimes=1\r\nDrive=C\r\nLibrary=DEFAULT\r\nSequence=RTD\r\nFrame=0\r\nOffset=0\r\n' "$i" "$i"
  done
}

# ---- the file named is the file printed, into a PDF named after it
dir=$(folder named)  # the current sport is Basketball
requests 85 > "$dir/FOOT.REQ"
run "$dir" --print FOOT.REQ
[ "$status" = 0 ] || fail "--print FOOT.REQ: status $status ($err)"
[ "$(pages "$dir/FOOT.pdf")" = 3 ] || fail "FOOT.pdf has $(pages "$dir/FOOT.pdf") pages, not FOOT's 3"
[ ! -e "$dir/BASK.pdf" ] || fail "BASK.pdf written"
cmp -s "$dir/CORVELLA.INI" "$EXAMPLES/CORVELLA.INI" || fail "printing changed CORVELLA.INI"
# An existing PDF is replaced only with --force.
cp "$dir/FOOT.pdf" "$TMP/first.pdf"
run "$dir" --print FOOT.REQ
[ "$status" = 1 ] && [[ $err == *--force* ]] || fail "PDF replaced without --force: $status $err"
cmp -s "$dir/FOOT.pdf" "$TMP/first.pdf" || fail "FOOT.pdf changed without --force"
run "$dir" --print --force FOOT.REQ
[ "$status" = 0 ] || fail "--force: status $status ($err)"
# A file of another folder, named after its sport.
mkdir -p "$TMP/elsewhere"
requests 45 > "$TMP/elsewhere/football-final.req"
run "$dir" --print "$TMP/elsewhere/football-final.req"
[ "$status" = 0 ] || fail "another folder: status $status ($err)"
[ "$(pages "$TMP/elsewhere/football-final.pdf")" = 2 ] || fail "football-final.pdf pages"
# A name without a sport, a file without requests: a message, no PDF.
requests 3 > "$TMP/elsewhere/notes.txt"
: > "$TMP/elsewhere/FOOTBALL-empty.REQ"
rm "$TMP/elsewhere/football-final.pdf"
for file in notes.txt FOOTBALL-empty.REQ; do
  run "$dir" --print "$TMP/elsewhere/$file"
  expect_failure "--print $file" "$TMP/elsewhere" "$file"
done

# ---- a program whose printing module is missing says so and prints nothing
mkdir -p "$TMP/bare"
cp "$EXE" "$TMP/bare/corvella"
dir=$(folder nomodule)
EXE=$TMP/bare/corvella run "$dir" --print BASK.REQ
expect_failure "no printing module" "$dir" "Printing is not available"

# ---- a PDF file that cannot be written completely
# The file size limit cuts the file as a full disk does.
dir=$(folder limit)
LIMIT=8 run "$dir" --print BASK.REQ
expect_failure "file size limit" "$dir" "$dir/BASK.pdf"
# A really full file system, where one can be mounted.
mkdir -p "$TMP/full"
if mount -t tmpfs -o size=64k tmpfs "$TMP/full" 2>/dev/null; then
  dir=$TMP/full
  cp "$EXAMPLES"/CORVELLA.INI "$EXAMPLES"/BASK.REQ "$dir/"
  # All but 4 KiB taken.
  head -c 1M /dev/zero > "$dir/filler" 2>/dev/null || true
  truncate -s -4K "$dir/filler"
  run "$dir" --print BASK.REQ
  expect_failure "full file system" "$dir" "$dir/BASK.pdf"
  # Read-only: the program's own message, and nothing of Qt's before it.
  rm "$dir/filler"
  mount -o remount,ro "$dir"
  run "$dir" --print BASK.REQ
  expect_failure "read-only folder" "$dir" "$dir/BASK.pdf"
  [[ $err != *QPainter* ]] || fail "Qt's message on the terminal: $err"
fi

# ---- print queues that take jobs and that refuse them
if [ -x /usr/sbin/cupsd ] && command -v lpadmin > /dev/null; then
  C=$TMP/cups
  mkdir -p "$C/spool" "$C/tmp" "$C/cache" "$C/state" "$C/log"
  chmod -R 777 "$C"
  cat > "$C/cupsd.conf" <<EOC
Listen $C/cups.sock
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
EOC
  cat > "$C/cups-files.conf" <<EOC
ServerRoot $C
RequestRoot $C/spool
TempDir $C/tmp
CacheDir $C/cache
StateDir $C/state
ErrorLog $C/log/error_log
AccessLog $C/log/access_log
PageLog $C/log/page_log
FileDevice Yes
EOC
  /usr/sbin/cupsd -f -c "$C/cupsd.conf" -s "$C/cups-files.conf" > "$C/log/out" 2>&1 &
  cupsd_pid=$!
  export CUPS_SERVER=$C/cups.sock
  # lpstat -r succeeds either way; it says whether the scheduler runs.
  for _ in $(seq 1 300); do [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ] && break; sleep 0.1; done
  lpadmin -p Accepts -E -v file:///dev/null -m raw 2> /dev/null
  lpadmin -p Refuses -E -v file:///dev/null -m raw 2> /dev/null
  cupsreject Refuses
  dir=$(folder cups)
  # Printers, none of them the default: a PDF, and the printers named.
  run "$dir" --print BASK.REQ
  [ "$status" = 0 ] || fail "no default printer: status $status ($err)"
  grep -q "None of the printers (Accepts, Refuses) is the default" "$TMP/out" ||
    fail "no default printer: $(cat "$TMP/out")"
  rm "$dir/BASK.pdf"
  run "$dir" --print-to Accepts BASK.REQ
  [ "$status" = 0 ] || fail "a queue that takes jobs: status $status ($err)"
  run "$dir" --print-to Refuses BASK.REQ
  expect_failure "a queue that refuses jobs" "$dir" "not accepting jobs"
  # The default printer refusing: --print alike.
  lpadmin -d Refuses
  run "$dir" --print BASK.REQ
  expect_failure "a default queue that refuses jobs" "$dir" "not accepting jobs"
else
  echo "cupsd not installed: print queues not tried"
fi
echo "print command test passed"
