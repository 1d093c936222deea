#!/usr/bin/env bash
# One running program per user, and nobody else's business: two throw-away
# users run the real program. The same user reaches the running program with
# and without XDG_RUNTIME_DIR; another user can neither block its start, nor
# hand it files, nor pose as it and receive the files it is handed.
#   single_instance_test.sh CORVELLA_EXE EXAMPLES_DIR
# Needs root (to become the two users); skipped (77) otherwise.
set -euo pipefail
EXE=$1
EXAMPLES=$2
[ "$(id -u)" = 0 ] && command -v setpriv > /dev/null || { echo "needs root and setpriv"; exit 77; }
PY=/usr/bin/python3

TMP=$(mktemp -d)
chmod 755 "$TMP"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$TMP" "/run/user/$A" /tmp/corvella-"$A"-*
  # Qt's own runtime folder, made for users without XDG_RUNTIME_DIR.
  find /tmp -maxdepth 1 -name 'runtime-*' \( -uid "$A" -o -uid "$B" \) -exec rm -rf {} +
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Two user ids nobody has.
A=$((50000 + RANDOM % 10000))
while getent passwd "$A" > /dev/null || getent passwd $((A + 1)) > /dev/null; do A=$((A + 2)); done
B=$((A + 1))

for u in A B; do
  uid=${!u}
  mkdir -p "$TMP/$u/home" "$TMP/$u/prog"
  cp "$EXAMPLES"/CORVELLA.INI "$EXAMPLES"/BASK.REQ "$EXAMPLES"/FOOT.REQ "$TMP/$u/prog/"
  chown -R "$uid:$uid" "$TMP/$u"
  chmod 700 "$TMP/$u/home"
done
PROG=$TMP/A/prog
CACHE_FOLDER=$TMP/A/home/.cache/corvella-instance

# "${AS_A[@]}" [VAR=value...] COMMAND...: run as user A (AS_B: as B), with a
# clean environment; the command keeps the process id (setpriv and env exec).
for u in A B; do
  declare -a "AS_$u=(setpriv --reuid=${!u} --regid=${!u} --clear-groups -- env -i PATH=/usr/bin:/bin
    HOME=$TMP/$u/home CORVELLA_DIR=$TMP/$u/prog QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8)"
done
wait_for() {  # wait_for GLOB PID: until a file matches, while PID lives
  for _ in $(seq 1 300); do
    compgen -G "$1" > /dev/null && return 0
    kill -0 "$2" 2>/dev/null || fail "the program ended at start-up ($(cat "$TMP/first.log"))"
    sleep 0.1
  done
  fail "no $1"
}
start_first() {  # start_first [VAR=value...]: the running program of user A
  "${AS_A[@]}" "$@" "$EXE" > "$TMP/first.log" 2>&1 &
  first=$!
  pids+=("$first")
}
stop_first() { kill "$first"; wait "$first" 2>/dev/null || true; }
second() {  # second FILE [VAR=value...]: a later start of user A; prints its exit status
  local status=0
  (cd "$PROG" && "${AS_A[@]}" "${@:2}" timeout 30 "$EXE" "$1" > "$TMP/second.log" 2>&1) || status=$?
  echo "$status"
}
# A listener on a socket path: logs what it receives to LOG, answers as the
# running program does.
listen_on() {  # listen_on SOCKET LOG [PREFIX...]: PREFIX runs it as another user
  local sock=$1 log=$2
  shift 2
  "$@" $PY -c '
import os, socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); os.chmod(sys.argv[1], 0o777)
open(sys.argv[2], "ab").close()
while True:
    c, _ = s.accept(); c.settimeout(2)
    try:
        data = c.recv(8192)
        with open(sys.argv[2], "ab") as f: f.write(data)
        c.sendall(b"K")
    except OSError: pass
    c.close()
' "$sock" "$log" &
  pids+=($!)
  for _ in $(seq 1 100); do [ -S "$sock" ] && return 0; sleep 0.05; done
  fail "listener on $sock"
}

# ---- the same user with and without XDG_RUNTIME_DIR reaches one program
install -d -m 700 -o "$A" -g "$A" "/run/user/$A"
start_first XDG_RUNTIME_DIR="/run/user/$A"
wait_for "/run/user/$A/corvella-*.sock" "$first"
status=$(second "$PROG/FOOT.REQ")
[ "$status" = 0 ] || fail "a start without XDG_RUNTIME_DIR: status $status ($(cat "$TMP/second.log"))"
kill -0 "$first" 2>/dev/null || fail "the running program ended"
stop_first
rm -rf "/run/user/$A"

# ---- no runtime folder at all: a 0700 folder in the user's cache, never /tmp
start_first
wait_for "$CACHE_FOLDER/corvella-*.sock" "$first"
[ "$(stat -c '%a %u' "$CACHE_FOLDER")" = "700 $A" ] || fail "cache folder $(stat -c '%a %u' "$CACHE_FOLDER")"
status=$(second "$PROG/FOOT.REQ")
[ "$status" = 0 ] || fail "hand-over without a runtime folder: status $status"
! compgen -G "/tmp/corvella-$A-*" > /dev/null || fail "rendezvous in /tmp: $(ls /tmp/corvella-"$A"-*)"

SOCK=$(compgen -G "$CACHE_FOLDER/corvella-*.sock")
hash=${SOCK##*/corvella-}
hash=${hash%.sock}  # of the program directory, the same in every version

# ---- another process (root here, any other user alike) cannot hand files
# to the running program: it gets no answer, nothing is opened.
answer=$($PY -c '
import socket, struct, sys
s = socket.socket(socket.AF_UNIX); s.settimeout(5); s.connect(sys.argv[1])
p = b"/tmp/injected.REQ"
try:
    s.sendall(b"CVO1" + struct.pack("<I", len(p)) + p)
    print(s.recv(1).decode() or "closed")
except (BrokenPipeError, ConnectionResetError): print("closed")
except OSError as e: print("error", e)
' "$SOCK")
[ "$answer" = closed ] || fail "a foreign peer was answered: $answer"
# ... and user B cannot even reach the socket.
"${AS_B[@]}" $PY -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
try: s.connect(sys.argv[1])
except OSError: sys.exit(0)
sys.exit(1)' "$SOCK" || fail "user B reached the socket"
stop_first

# ---- user B squats the names a start would have used in /tmp (a lock file
# and a listening socket): A's program starts all the same and B gets nothing.
"${AS_B[@]}" sh -c "echo 1 > /tmp/corvella-$A-$hash.lock"
listen_on "/tmp/corvella-$A-$hash.sock" "$TMP/B/received" "${AS_B[@]}"
rm -f "$SOCK"
start_first
wait_for "$CACHE_FOLDER/corvella-*.sock" "$first"
sleep 1
kill -0 "$first" 2>/dev/null || fail "A's program did not keep running: $(cat "$TMP/first.log")"
[ ! -s "$TMP/B/received" ] || fail "user B received: $(cat "$TMP/B/received")"
stop_first

# ---- a listener of another user (root) where A's program would be, with
# A's lock held: A's start hands nothing to it and fails with a message.
rm -f "$SOCK"
(
  exec 9> "$CACHE_FOLDER/corvella-$hash.lock"
  flock 9
  exec sleep 120
) > /dev/null 2>&1 &
pids+=($!)
while flock -n "$CACHE_FOLDER/corvella-$hash.lock" true; do sleep 0.05; done
listen_on "$SOCK" "$TMP/root-received"
status=$(second "$PROG/FOOT.REQ")
[ "$status" = 1 ] || fail "start beside a foreign listener: status $status"
grep -q "not this user" "$TMP/second.log" || fail "no message: $(cat "$TMP/second.log")"
[ ! -s "$TMP/root-received" ] || fail "the foreign listener received: $(cat "$TMP/root-received")"
echo "single instance test passed"
