#!/usr/bin/env bash
# The benchmark's servers end with it: --help starts none, and a benchmark
# killed while smbd, impacket's server and a signsim process run for it
# leaves none of them behind, nor its temporary folder (ended by TERM in the
# middle of a local case, by KILL in the middle of the smbd case). Every
# process of the benchmark names its temporary folder, which lies in a
# TMPDIR of this test's own.
#   servers_end_test.sh ZELTRPC_BENCH
set -u
bench=$1
tmp=$(mktemp -d)
chmod 755 "$tmp"  # smbd serves a session as its user, who must reach its folders
export TMPDIR=$tmp
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
# Processes other than this script's whose command line names the folder.
left() { pgrep -f -- "$tmp/" || true; }

"$bench" --help > /dev/null 2>&1
sleep 0.5
if [ -n "$(left)" ]; then
  echo "FAIL: --help left processes:"; ps -o pid,cmd -p "$(left | paste -sd,)"; exit 1
fi
if [ "$(ls -A "$tmp")" ]; then echo "FAIL: --help made $(ls "$tmp")"; exit 1; fi

# The temporary folder, once the benchmark is gone, within a few seconds.
folder_gone() {
  for _ in $(seq 100); do
    [ -z "$(ls -A "$tmp")" ] && return 0
    sleep 0.1
  done
  echo "FAIL: $1 left its temporary folder: $(ls -A "$tmp")"; exit 1
}

"$bench" --benchmark_filter='ZeltPing/unix_socket' --benchmark_min_time=30 > /dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
  [ -n "$(ls -A "$tmp")" ] && break
  sleep 0.1
done
sleep 0.5
kill -TERM "$pid"
wait "$pid" 2>/dev/null
pid=
folder_gone "a benchmark ended by TERM"

# A run that starts the pipe servers (impacket's for the first case, smbd and
# signsim for the second), killed in the middle of the second.
"$bench" --benchmark_filter='ZeltPing/(impacket|smbd)' --benchmark_min_time=3 > "$tmp.out" 2>&1 &
pid=$!
for _ in $(seq 600); do
  [ -n "$(pgrep -f -- "samba-pipe $tmp/")" ] && break
  sleep 0.1
done
if [ -z "$(pgrep -f -- "$tmp/")" ]; then
  echo "SKIP: no smbd started: $(cat "$tmp.out")"; rm -f "$tmp.out"; exit 77
fi
sleep 1
kill -KILL "$pid"
wait "$pid" 2>/dev/null
pid=
rm -f "$tmp.out"
for _ in $(seq 100); do
  [ -z "$(left)" ] && break
  sleep 0.1
done
if [ -n "$(left)" ]; then
  echo "FAIL: the killed benchmark left processes:"; ps -o pid,cmd -p "$(left | paste -sd,)"
  exit 1
fi
folder_gone "a benchmark ended by KILL"
echo "PASS"
