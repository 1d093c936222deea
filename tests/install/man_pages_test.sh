#!/usr/bin/env bash
# The manual pages render without a warning, as groff and man(1) see them;
# zeltrpc(3) describes every export of the library, and zeltctl(1) every
# option that `zeltctl --help` lists.
#   man_pages_test.sh MAN_DIR EXPORTS_TXT ZELTCTL
set -euo pipefail
MAN_DIR=$1 EXPORTS=$2 ZELTCTL=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

for page in "$MAN_DIR"/*.[1-8]; do
  out=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed on $page"
  [ -z "$out" ] || fail "groff warns about $page:"$'\n'"$out"
  if command -v man > /dev/null; then
    out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null) || fail "man failed on $page"
    [ -z "$out" ] || fail "man warns about $page:"$'\n'"$out"
  fi
done

# Each export by name, as a heading of its own (bold).
while read -r name _node; do
  grep -Eq "^\.BI? \"?$name\(" "$MAN_DIR/zeltrpc.3" || fail "zeltrpc.3 does not describe $name"
done < "$EXPORTS"

for option in $("$ZELTCTL" --help | grep -Eo '^  --[a-z-]+'); do
  grep -q -- "${option//-/\\\\-}" "$MAN_DIR/zeltctl.1" || fail "zeltctl.1 does not describe $option"
done
[ "$failed" = 0 ] && echo "manual pages checked"
exit "$failed"
