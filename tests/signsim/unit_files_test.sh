#!/usr/bin/env bash
# signsim's systemd units pass `systemd-analyze verify` without a word: the
# user unit under a user manager, the one behind smbd under the system's.
# The units name the installed program; here they name the built one, and
# their manual page is the source tree's.
#   unit_files_test.sh UNIT_DIR INSTALLED_SIGNSIM BUILT_SIGNSIM MAN_DIR
set -euo pipefail
UNITS=$1
INSTALLED=$2
BUILT=$3
MAN=$4
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$TMP/man/man1" "$TMP/runtime" "$TMP/units"
ln -s "$MAN/signsim.1" "$TMP/man/man1/signsim.1"
chmod 0700 "$TMP/runtime"
export MANPATH="$TMP/man" XDG_RUNTIME_DIR="$TMP/runtime"

for entry in signsim:--user signsim-samba:--system; do
  unit=${entry%%:*}
  scope=${entry#*:}
  grep -q "^ExecStart=$INSTALLED " "$UNITS/$unit.service" || fail "$unit.service does not run $INSTALLED"
  sed "s|^ExecStart=$INSTALLED |ExecStart=$BUILT |" "$UNITS/$unit.service" > "$TMP/units/$unit.service"
  status=0
  systemd-analyze "$scope" verify "$TMP/units/$unit.service" > "$TMP/$unit.log" 2>&1 || status=$?
  if [ "$status" != 0 ] || [ -s "$TMP/$unit.log" ]; then
    cat "$TMP/$unit.log"
    fail "systemd-analyze $scope verify $unit.service"
  fi
done
echo "unit files test passed"
